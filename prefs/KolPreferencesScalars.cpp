#include "prefs/KolPreferences.h"

#include "prefs/PlistFormat.h"

#include <locale>
#include <sstream>
#include <tinyxml2.h>

using tinyxml2::XMLElement;
using tinyxml2::XMLNode;
using tinyxml2::XMLText;

namespace {

// Preference files are shared between processes and machines: numbers are always read and
// written in the classic locale, whatever the program's global locale is.
std::stringstream conversionStream()
{
    std::stringstream stream;
    stream.imbue(std::locale::classic());
    return stream;
}

bool readValue(const char* text, std::string& out)
{
    out = text;
    return true;
}

template <typename T> bool readValue(const char* text, T& out)
{
    std::stringstream stream = conversionStream();
    stream << text;
    stream >> out;
    return !stream.fail();
}

std::string formatValue(const std::string& value)
{
    return std::string(value.c_str()); // up to the first NUL, as the file can hold no NUL
}

std::string formatValue(const char* value)
{
    return value ? std::string(value) : std::string();
}

template <typename T> std::string formatValue(const T& value)
{
    std::stringstream stream = conversionStream();
    stream << value;
    return stream.str();
}

void setElementText(XMLElement* element, const std::string& text)
{
    XMLNode* child = element->FirstChild();
    if (XMLText* old = child ? child->ToText() : nullptr) {
        old->SetValue(text.c_str());
        // A CDATA section ends at its first "]]>", and what follows would be read as markup: such
        // a text is written as ordinary, escaped text.
        if (old->CData() && text.find("]]>") != std::string::npos)
            old->SetCData(false);
        return;
    }
    if (child)
        element->DeleteChildren();
    element->InsertEndChild(element->GetDocument()->NewText(text.c_str()));
}

} // namespace

template <typename T>
KolPreferences::Result KolPreferences::GetScalarImpl(const std::string& key, T* out,
                                                     std::int32_t type, const T* defaultValue,
                                                     bool hasDefault)
{
    auto fallBack = [&](Result result) {
        if (hasDefault)
            *out = *defaultValue;
        return result;
    };
    if (!Document())
        return fallBack(CRITICAL_ERROR);
    XMLElement* value = nullptr;
    const Result reached = ReachForRead(key, value);
    if (reached == CRITICAL_ERROR)
        return CRITICAL_ERROR;
    if (reached != SUCCESS)
        return fallBack(reached);
    if (plistElementName(PlistType(type)) != value->Name())
        return fallBack(INCORRECT_TYPE);
    const XMLNode* child = value->FirstChild();
    if (!child || !child->ToText())
        return fallBack(NO_VALUE);
    // A failed conversion leaves in the output what the read stored (0, or the nearest limit).
    return readValue(child->Value(), *out) ? SUCCESS : INCORRECT_TYPE;
}

template <typename T>
KolPreferences::Result KolPreferences::SetScalarImpl(const std::string& key, const T* value,
                                                     std::int32_t type)
{
    XMLElement* element = nullptr;
    const Result reached = ReachForWrite(key, type, element);
    if (reached != SUCCESS)
        return reached;
    if (type == PLIST_TRUE || type == PLIST_FALSE) {
        element->SetName(type == PLIST_TRUE ? "true" : "false");
    } else {
        setElementText(element, formatValue(*value));
    }
    SetDirty(true);
    return SUCCESS;
}

template KolPreferences::Result
KolPreferences::GetScalarImpl<std::string>(const std::string&, std::string*, std::int32_t,
                                           const std::string*, bool);
template KolPreferences::Result
KolPreferences::SetScalarImpl<std::string>(const std::string&, const std::string*, std::int32_t);

KolPreferences::Result KolPreferences::GetBoolImpl(const std::string& key, bool* out,
                                                   const bool* defaultValue, bool hasDefault)
{
    if (!Document())
        return CRITICAL_ERROR;
    auto fallBack = [&](Result result) {
        if (hasDefault)
            *out = *defaultValue;
        return result;
    };
    std::vector<std::string> components;
    SplitKey(key, components);
    XMLElement* value = nullptr;
    if (FindKey(components, value) != 0)
        return fallBack(NO_VALUE);
    const std::uint32_t hash = fnv1Hash(value->Name());
    if (hash != plistElementNames[PLIST_TRUE].hash && hash != plistElementNames[PLIST_FALSE].hash)
        return fallBack(INCORRECT_TYPE);
    std::stringstream stream = conversionStream();
    stream << value->Name();
    bool read = false;
    stream >> std::boolalpha >> read;
    if (stream.fail())
        return fallBack(INCORRECT_TYPE);
    *out = read;
    return SUCCESS;
}

KolPreferences::Result KolPreferences::GetString(const std::string& key, std::string& out,
                                                 const std::string& defaultValue)
{
    return GetScalarImpl(key, &out, PLIST_STRING, &defaultValue, true);
}

KolPreferences::Result KolPreferences::GetString(const std::string& key, std::string& out)
{
    const std::string none;
    return GetScalarImpl(key, &out, PLIST_STRING, &none, false);
}

KolPreferences::Result KolPreferences::GetInt(const std::string& key, int& out, int defaultValue)
{
    return GetScalarImpl(key, &out, PLIST_INTEGER, &defaultValue, true);
}

KolPreferences::Result KolPreferences::GetInt(const std::string& key, int& out)
{
    const int none = 0;
    return GetScalarImpl(key, &out, PLIST_INTEGER, &none, false);
}

KolPreferences::Result KolPreferences::GetReal(const std::string& key, double& out,
                                               double defaultValue)
{
    return GetScalarImpl(key, &out, PLIST_REAL, &defaultValue, true);
}

KolPreferences::Result KolPreferences::GetReal(const std::string& key, double& out)
{
    const double none = 0.0;
    return GetScalarImpl(key, &out, PLIST_REAL, &none, false);
}

KolPreferences::Result KolPreferences::GetBool(const std::string& key, bool& out, bool defaultValue)
{
    return GetBoolImpl(key, &out, &defaultValue, true);
}

KolPreferences::Result KolPreferences::GetBool(const std::string& key, bool& out)
{
    const bool none = false;
    return GetBoolImpl(key, &out, &none, false);
}

KolPreferences::Result KolPreferences::SetString(const std::string& key, const std::string& value)
{
    return SetScalarImpl(key, &value, PLIST_STRING);
}

KolPreferences::Result KolPreferences::SetString(const std::string& key, const char* value)
{
    return SetScalarImpl(key, &value, PLIST_STRING);
}

KolPreferences::Result KolPreferences::SetInt(const std::string& key, int value)
{
    return SetScalarImpl(key, &value, PLIST_INTEGER);
}

KolPreferences::Result KolPreferences::SetReal(const std::string& key, double value)
{
    return SetScalarImpl(key, &value, PLIST_REAL);
}

KolPreferences::Result KolPreferences::SetBool(const std::string& key, bool value)
{
    return SetScalarImpl(key, &value, value ? PLIST_TRUE : PLIST_FALSE);
}
