#pragma once

#include "models/ProfileFiles.h"

#include <QString>

#include <string>

class ProfileData;

// A name that stays inside the profiles directory when joined to it: no '/', not "." or "..".
bool isPlainFileName(const QString& name);

// The name the file-name prompt proposes: the profile's file name, else its display name with
// ".xml" appended unless it already ends in ".xml". Lets "Profile has no name" through.
std::string defaultFileName(const ProfileData& data);

// Modal prompt for the name of the profile's file inside profilesDir. Names that are not plain
// file names, would name a hidden file (a leading '.') or are too long for the file system are
// refused, and a name taken by any entry other than the profile's own file must be confirmed;
// both show the prompt again. Returns the empty string when the user cancels.
std::string askFileName(const ProfileData& data, const std::string& profilesDir);

// Whether any directory entry, a link that leads nowhere included, holds the name in profilesDir.
bool isNameTaken(const QString& profilesDir, const QString& name);

// Asks whether the existing file of that name is to be replaced; true for "Yes".
bool confirmReplace(const QString& name);

// Why bytes that replaceFile refused as unreadable profile text were not saved.
QString unreadableProfileText(const std::string& bytes);

// What the "Failed to save file" box says of a file that replaceFile did not write at
// absolutePath: the file, then the system's reason (error, the errno it gave) or why the bytes
// were refused.
QString notSavedText(const std::string& absolutePath, FileWrite outcome, int error,
                     const std::string& bytes);

// The modal "Failed to save file" box with that text.
void showSaveFailure(const std::string& absolutePath, FileWrite outcome, int error,
                     const std::string& bytes);

// The same box, telling that the profile's file name is not a plain file name.
void showInvalidFileName(const std::string& fileName);

enum class UnwritableRowPlace
{
    Capabilities,
    EglConfiguration,
};

// The same box, naming a row (its path of names) whose name cannot be an element name, and the
// OpenGL ES version or EGL configuration it belongs to.
void showUnwritableRow(const std::string& absolutePath, const std::string& row,
                       UnwritableRowPlace place, int key);
