#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace tinyxml2 {
class XMLDocument;
class XMLElement;
} // namespace tinyxml2

class KolPreferencesImpl;

// A named preference store: one XML property-list document with typed values under
// "/"-separated key paths. Nothing throws: typed operations return a Result, Load and Save a bool.
// Setters only change the document in memory; callers save explicitly.
//
// Copies share one document and back-end, and with them the changed flag and the file stamp: an
// edit through any copy keeps every copy from reloading over it, and a reload through any copy
// is seen by all of them. Single-threaded by design (the GUI thread).
class KolPreferences
{
public:
    enum Result : std::int32_t
    {
        SUCCESS = 0,
        NO_VALUE = 1,
        EMPTY_KEY = 2,
        INCORRECT_TYPE = 3,
        CRITICAL_ERROR = 4,
    };

    // scope 0 is the per-user file under the home directory, any other scope the system-wide one.
    KolPreferences(const std::string& name, std::uint32_t scope);
    KolPreferences(const KolPreferences& other);
    KolPreferences& operator=(const KolPreferences& other);
    ~KolPreferences();

    // Reads the file, creating its directory and a default file when missing. On failure appends
    // the reason to error. A file that does not parse loads as an empty store, and so does one
    // larger than maxPreferenceFileSize or of a shape beyond the bounds of prefs/XmlShape.h (an
    // element crowded with attributes, nesting too deep, a parse that would stop early), which is
    // not parsed at all. Anything but a regular file at the path is refused without being read.
    bool Load(std::string& error, bool autoReload);
    // Writes through a temporary file that replaces the old one only once it is complete. The
    // file keeps its mode (a new one is private to the user); a symbolic link keeps pointing at
    // the file it names, which is the one replaced. Unforced, a store without changes writes
    // nothing. A file that did not load is first kept beside itself (its name followed by
    // ".unreadable"), which is said once on standard error; when it cannot be kept, it is not
    // replaced either. A document that would be written as a file Load does not read (too large,
    // too deep) or refuses (a malformed dictionary, a key inside a list) is not written, which is
    // said on standard error.
    bool Save(bool force);
    std::string GetDirectory() const;

    static const char* ResultName(std::int32_t result);
    static void SplitKey(const std::string& key, std::vector<std::string>& components);

    bool Exists(const std::string& key) const;
    Result Remove(const std::string& key, std::uint32_t depth = 0);

    Result GetString(const std::string& key, std::string& out, const std::string& defaultValue);
    Result GetString(const std::string& key, std::string& out);
    Result GetInt(const std::string& key, int& out, int defaultValue);
    Result GetInt(const std::string& key, int& out);
    Result GetReal(const std::string& key, double& out, double defaultValue);
    Result GetReal(const std::string& key, double& out);
    // Reads the document in memory as it stands: no reload, even when the file changed.
    Result GetBool(const std::string& key, bool& out, bool defaultValue);
    Result GetBool(const std::string& key, bool& out);

    // Setters refuse (CRITICAL_ERROR, nothing changed) a key path so deep that the saved file
    // would be nested beyond what the XML parser reads back, and one that would create an entry
    // inside a list (an "array" value), which Load refuses. An entry a path finds is written
    // whatever lies on the way.
    Result SetString(const std::string& key, const std::string& value);
    Result SetString(const std::string& key, const char* value);
    Result SetInt(const std::string& key, int value);
    Result SetReal(const std::string& key, double value);
    Result SetBool(const std::string& key, bool value);

    Result SetArray(const std::string& key, const std::vector<std::string>& values);
    Result SetArray(const std::string& key, const std::deque<std::string>& values);
    Result SetArray(const std::string& key, const std::vector<const char*>& values);
    Result SetArray(const std::string& key, const std::vector<int>& values);
    Result SetArray(const std::string& key, const std::vector<double>& values);
    Result SetArray(const std::string& key, const std::vector<bool>& values);

    // Getters append to the container; a null container only runs the checks.
    Result GetArray(const std::string& key, std::vector<bool>* values);
    Result GetArray(const std::string& key, std::vector<std::string>* values);
    Result GetArray(const std::string& key, std::vector<int>* values);
    Result GetArray(const std::string& key, std::vector<double>* values);
    Result GetArray(const std::string& key, std::deque<std::string>* values);
    Result GetArray(const std::string& key, std::deque<std::string>& values)
    {
        return GetArray(key, &values);
    }

    // On SUCCESS data receives a new[] buffer that the caller delete[]s, even for size 0; on any
    // other result data and size are left alone.
    Result GetData(const std::string& key, void*& data, std::uint32_t& size);
    Result SetData(const std::string& key, const void* data, std::uint32_t size);

private:
    struct Shared;

    tinyxml2::XMLDocument* Document() const;
    tinyxml2::XMLElement* RootDictionary() const;
    void Release();

    bool EnsureRoot(std::string& error);
    bool Validate(std::string& error, tinyxml2::XMLElement* first, bool inArray) const;
    bool ReloadIfChanged();
    void SetDirty(bool dirty);

    int FindKey(const std::vector<std::string>& components, tinyxml2::XMLElement*& value) const;
    tinyxml2::XMLElement* CreateKey(const std::vector<std::string>& components, std::uint32_t start,
                                    std::int32_t type, tinyxml2::XMLElement* first,
                                    tinyxml2::XMLElement* parent);
    // The frame every setter shares: checks, reload, lookup or creation, retyping.
    Result ReachForWrite(const std::string& key, std::int32_t type, tinyxml2::XMLElement*& value);
    // The frame every getter but GetBool shares: checks, reload, lookup.
    Result ReachForRead(const std::string& key, tinyxml2::XMLElement*& value);

    template <typename T>
    Result GetScalarImpl(const std::string& key, T* out, std::int32_t type, const T* defaultValue,
                         bool hasDefault);
    template <typename T>
    Result SetScalarImpl(const std::string& key, const T* value, std::int32_t type);
    Result GetBoolImpl(const std::string& key, bool* out, const bool* defaultValue,
                       bool hasDefault);
    template <typename C>
    Result SetArrayImpl(const std::string& key, const C& values, std::int32_t itemType);
    template <typename C> Result GetArrayImpl(const std::string& key, C* values);

    Shared* m_shared;
    std::string m_name;
    bool m_autoReload = false;
    std::uint32_t m_scope;
};
