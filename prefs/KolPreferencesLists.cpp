#include "prefs/KolPreferences.h"

#include "prefs/PlistFormat.h"

#include <locale>
#include <sstream>
#include <strings.h>
#include <tinyxml2.h>

using tinyxml2::XMLDocument;
using tinyxml2::XMLElement;
using tinyxml2::XMLNode;

namespace {

std::stringstream conversionStream()
{
    std::stringstream stream;
    stream.imbue(std::locale::classic());
    stream << std::boolalpha;
    return stream;
}

void insertItem(std::ostream& stream, const std::string& item)
{
    stream << item.c_str();
}

void insertItem(std::ostream& stream, const char* item)
{
    if (item)
        stream << item;
    else
        stream.setstate(std::ios::badbit); // the item is written as an empty string
}

template <typename T> void insertItem(std::ostream& stream, const T& item)
{
    stream << item;
}

bool readItem(const char* text, std::string& item)
{
    item = text;
    return true;
}

template <typename T> bool readItem(const char* text, T& item)
{
    std::stringstream stream = conversionStream();
    stream << text;
    stream >> item;
    return !stream.fail();
}

} // namespace

template <typename C>
KolPreferences::Result KolPreferences::SetArrayImpl(const std::string& key, const C& values,
                                                    std::int32_t itemType)
{
    XMLElement* array = nullptr;
    const Result reached = ReachForWrite(key, PLIST_ARRAY, array);
    if (reached != SUCCESS)
        return reached;
    array->DeleteChildren();
    XMLDocument* document = array->GetDocument();
    for (const auto& value : values) {
        std::stringstream stream = conversionStream();
        insertItem(stream, value);
        const std::string text = stream.str();
        if (itemType == PLIST_TRUE || itemType == PLIST_FALSE) {
            array->InsertEndChild(document->NewElement(text.c_str()));
        } else {
            XMLElement* item = document->NewElement(plistElementName(PlistType(itemType)).c_str());
            item->InsertEndChild(document->NewText(text.c_str()));
            array->InsertEndChild(item);
        }
    }
    SetDirty(true);
    return SUCCESS;
}

template <typename C>
KolPreferences::Result KolPreferences::GetArrayImpl(const std::string& key, C* values)
{
    if (!Document())
        return CRITICAL_ERROR;
    XMLElement* array = nullptr;
    const Result reached = ReachForRead(key, array);
    if (reached != SUCCESS)
        return reached;
    if (::strcasecmp(array->Name(), "array") != 0)
        return INCORRECT_TYPE;
    if (!values)
        return SUCCESS;
    for (XMLElement* child = array->FirstChildElement(); child;
         child = child->NextSiblingElement()) {
        values->emplace_back();
        const XMLNode* text = child->FirstChild();
        if (!text || !text->ToText())
            continue;
        if (!readItem(text->Value(), values->back()))
            return INCORRECT_TYPE;
    }
    return SUCCESS;
}

// Booleans are element names, so the items are read from node values and the container's
// element is not required to be an array.
template <>
KolPreferences::Result KolPreferences::GetArrayImpl(const std::string& key,
                                                    std::vector<bool>* values)
{
    if (!Document())
        return CRITICAL_ERROR;
    XMLElement* array = nullptr;
    const Result reached = ReachForRead(key, array);
    if (reached != SUCCESS || !values)
        return reached;
    const XMLNode* node = array->FirstChild();
    while (node) {
        values->push_back(false);
        std::stringstream stream = conversionStream();
        if (const char* word = node->Value())
            stream << word;
        bool item = false;
        stream >> item;
        if (stream.fail())
            return INCORRECT_TYPE;
        values->back() = item;
        node = node->NextSiblingElement();
    }
    return SUCCESS;
}

KolPreferences::Result KolPreferences::SetArray(const std::string& key,
                                                const std::vector<std::string>& values)
{
    return SetArrayImpl(key, values, PLIST_STRING);
}

KolPreferences::Result KolPreferences::SetArray(const std::string& key,
                                                const std::deque<std::string>& values)
{
    return SetArrayImpl(key, values, PLIST_STRING);
}

KolPreferences::Result KolPreferences::SetArray(const std::string& key,
                                                const std::vector<const char*>& values)
{
    return SetArrayImpl(key, values, PLIST_STRING);
}

KolPreferences::Result KolPreferences::SetArray(const std::string& key,
                                                const std::vector<int>& values)
{
    return SetArrayImpl(key, values, PLIST_INTEGER);
}

KolPreferences::Result KolPreferences::SetArray(const std::string& key,
                                                const std::vector<double>& values)
{
    return SetArrayImpl(key, values, PLIST_REAL);
}

KolPreferences::Result KolPreferences::SetArray(const std::string& key,
                                                const std::vector<bool>& values)
{
    return SetArrayImpl(key, values, PLIST_TRUE);
}

KolPreferences::Result KolPreferences::GetArray(const std::string& key, std::vector<bool>* values)
{
    return GetArrayImpl(key, values);
}

KolPreferences::Result KolPreferences::GetArray(const std::string& key,
                                                std::vector<std::string>* values)
{
    return GetArrayImpl(key, values);
}

KolPreferences::Result KolPreferences::GetArray(const std::string& key, std::vector<int>* values)
{
    return GetArrayImpl(key, values);
}

KolPreferences::Result KolPreferences::GetArray(const std::string& key, std::vector<double>* values)
{
    return GetArrayImpl(key, values);
}

KolPreferences::Result KolPreferences::GetArray(const std::string& key,
                                                std::deque<std::string>* values)
{
    return GetArrayImpl(key, values);
}
