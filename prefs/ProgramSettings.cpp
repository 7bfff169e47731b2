#include "prefs/ProgramSettings.h"

#include <QFile>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>

const std::string settingsKeyPrefix = std::string("KolZendra ") + "10.17.3";
const std::string profilesDirectoryKey = settingsKeyPrefix + "/profiles_directory";
const std::string currentProfileKey = settingsKeyPrefix + "/current_profile";
const std::string strictContextModeKey = settingsKeyPrefix + "/strict_context_mode";
const std::string radeonHdHackKey = settingsKeyPrefix + "/radeon_hd_hack";
const std::string guiFontKey = settingsKeyPrefix + "/gui_font";

namespace {

// When set in the configuration word, the current profile is not taken from the settings.
constexpr std::uint32_t skipCurrentProfileBit = 4;

std::uint32_t lookUpConfigurationWord()
{
    const void* symbol = ::dlsym(RTLD_DEFAULT, "KolZendraConfiguration");
    if (!symbol)
        return 0;
    std::uint32_t word = 0;
    std::memcpy(&word, symbol, sizeof word);
    return word;
}

} // namespace

std::uint32_t configurationWord()
{
    static const std::uint32_t word = lookUpConfigurationWord();
    return word;
}

bool profilePathVariable(std::string& out)
{
    const char* value = std::getenv("ZENDRA_PROFILE_PATH");
    if (!value)
        return false;
    out = value;
    return true;
}

QString preferenceString(KolPreferences* store, const std::string& key,
                         const std::string& defaultValue)
{
    std::string value;
    if (store)
        store->GetString(key, value, defaultValue);
    return QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size()));
}

QString profilesDirectory(KolPreferences* store)
{
    std::string fallback;
    profilePathVariable(fallback);
    return preferenceString(store, profilesDirectoryKey, fallback);
}

void setPreferenceString(KolPreferences* store, const std::string& key, const QString& value)
{
    if (store)
        store->SetString(key, value.toUtf8().toStdString());
}

std::FILE* openFileForReading(const QString& path)
{
    return std::fopen(QFile::encodeName(path).constData(), "rb");
}

ProgramSettings::ProgramSettings() : m_store("KolZendra", 0) {}

bool ProgramSettings::Load(std::string& error)
{
    if (!m_store.Load(error, true))
        return false;
    m_store.GetString(profilesDirectoryKey, m_profilesDirectory, std::string());
    if (m_profilesDirectory.empty() && profilePathVariable(m_profilesDirectory)) {
        m_store.SetString(profilesDirectoryKey, m_profilesDirectory);
        m_store.Save(true);
    }
    if (!m_profilesDirectory.empty() && (configurationWord() & skipCurrentProfileBit) == 0)
        m_store.GetString(currentProfileKey, m_currentProfile, std::string());
    m_store.GetBool(strictContextModeKey, m_strictContextMode, false);
    m_store.GetBool(radeonHdHackKey, m_radeonHdHack, false);
    m_loaded = true;
    return true;
}
