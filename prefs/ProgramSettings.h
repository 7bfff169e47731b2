#pragma once

#include "prefs/KolPreferences.h"

#include <QString>
#include <cstdint>
#include <cstdio>
#include <string>

// Every setting of the program lives under one top-level key made of the product name and its
// version, so settings of other versions are neither read nor changed.
extern const std::string settingsKeyPrefix;
extern const std::string profilesDirectoryKey;
extern const std::string currentProfileKey;
extern const std::string strictContextModeKey;
extern const std::string radeonHdHackKey;
extern const std::string guiFontKey;

// All settings read at once, each with its default.
class ProgramSettings
{
public:
    ProgramSettings();

    bool Load(std::string& error);

    const std::string& CurrentProfile() const { return m_currentProfile; }
    const std::string& ProfilesDirectory() const { return m_profilesDirectory; }
    bool StrictContextMode() const { return m_strictContextMode; }

private:
    KolPreferences m_store;
    bool m_loaded = false;
    std::string m_currentProfile;
    std::string m_profilesDirectory;
    bool m_strictContextMode = false;
    bool m_radeonHdHack = false;
};

// The word a module loaded into this process may export as "KolZendraConfiguration"; 0 when
// none does. Looked up once.
std::uint32_t configurationWord();

// The string setting under key, decoded from UTF-8; the default when missing or of another type.
QString preferenceString(KolPreferences* store, const std::string& key,
                         const std::string& defaultValue);
// The stored profiles directory, defaulting to "ZENDRA_PROFILE_PATH" as it is now.
QString profilesDirectory(KolPreferences* store);
// Stores value as UTF-8; marks the store changed without saving it.
void setPreferenceString(KolPreferences* store, const std::string& key, const QString& value);
// False, with out unchanged, when "ZENDRA_PROFILE_PATH" is not set.
bool profilePathVariable(std::string& out);
// Opens path for binary reading with the file-system encoding; null on failure.
std::FILE* openFileForReading(const QString& path);
