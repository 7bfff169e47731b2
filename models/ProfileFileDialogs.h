#pragma once

#include <string>

class ProfileData;

// The name the file-name prompt proposes: the profile's file name, else its display name with
// ".xml" appended unless it already ends in ".xml". Lets "Profile has no name" through.
std::string defaultFileName(const ProfileData& data);

// Modal prompt for the name of the profile's file inside profilesDir. Names that are not plain
// file names are refused, and replacing an existing file other than the profile's own must be
// confirmed; both show the prompt again. Returns the empty string when the user cancels.
std::string askFileName(const ProfileData& data, const std::string& profilesDir);

// The modal "Failed to save file" box; absolutePath is named when the file could not be opened.
void showSaveFailure(const std::string& absolutePath, bool couldNotOpen);
