#include "models/ProfileXml.h"

#include "models/ProfileData.h"
#include "models/TextBytes.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <map>

using tinyxml2::XMLDocument;
using tinyxml2::XMLElement;
using tinyxml2::XMLNode;

namespace {

bool isNameStartChar(unsigned char c)
{
    // Bytes of multi-byte UTF-8 sequences are accepted as they are by the parser.
    return c >= 0x80 || std::isalpha(c) || c == ':' || c == '_';
}

bool isNameChar(unsigned char c)
{
    return isNameStartChar(c) || std::isdigit(c) || c == '.' || c == '-';
}

// An integer attribute as tinyxml2 reads it (leading blanks, decimal or "0x" hexadecimal, the
// rest of the text ignored), except that a number beyond the int range is refused instead of
// being wrapped into another, valid looking one.
bool readIntAttribute(const XMLElement* element, const char* name, int& out)
{
    const char* text = element->Attribute(name);
    int value = 0;
    if (!text || element->QueryIntAttribute(name, &value) != tinyxml2::XML_SUCCESS)
        return false;
    while (std::isspace(static_cast<unsigned char>(*text)))
        ++text;
    char* end = nullptr;
    errno = 0;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        const unsigned long long number = std::strtoull(text, &end, 16);
        if (errno == ERANGE || number > static_cast<unsigned long long>(INT_MAX))
            return false;
    } else {
        const long long number = std::strtoll(text, &end, 10);
        if (errno == ERANGE || number < INT_MIN || number > INT_MAX)
            return false;
    }
    out = value;
    return true;
}

void readEsElement(const XMLElement* es, ProfileData& data)
{
    int version = 0;
    if (!readIntAttribute(es, "version", version))
        return;

    // Take the entry even when the block holds no extension: a version is known by its list.
    std::vector<std::string>& extensions = data.extensions[version];
    for (const XMLElement* child = es->FirstChildElement(); child;
         child = child->NextSiblingElement()) {
        if (std::string_view(child->Name()) == "extension")
            extensions.push_back(elementText(child));
        else
            data.capabilities[version].push_back(readNode(child));
    }
}

void readEglElement(const XMLElement* egl, ProfileData& data)
{
    for (const XMLElement* config = egl->FirstChildElement("config"); config;
         config = config->NextSiblingElement("config")) {
        int id = 0;
        if (!readIntAttribute(config, "id", id))
            continue;
        for (const XMLElement* child = config->FirstChildElement(); child;
             child = child->NextSiblingElement())
            data.eglConfigs[id].push_back(readNode(child));
    }
}

XMLElement* newVersionElement(XMLDocument& document, const char* name, const char* attribute,
                              int number)
{
    XMLElement* element = document.NewElement(name);
    element->SetAttribute(attribute, std::to_string(number).c_str());
    return element;
}

} // namespace

std::string elementText(const XMLElement* element)
{
    const XMLNode* node = element->FirstChild();
    while (node && node->ToComment())
        node = node->NextSibling();
    if (node && node->ToText() && node->Value())
        return node->Value();
    return {};
}

ProfileNode readNode(const XMLElement* element)
{
    ProfileNode node;
    node.name = element->Name();
    const XMLElement* child = element->FirstChildElement();
    if (!child) {
        node.value = elementText(element);
        return node;
    }
    for (; child; child = child->NextSiblingElement())
        node.children.push_back(readNode(child));
    return node;
}

bool isValidElementName(const std::string& name)
{
    if (name.empty() || !isNameStartChar(static_cast<unsigned char>(name.front())))
        return false;
    return std::all_of(name.begin() + 1, name.end(),
                       [](char c) { return isNameChar(static_cast<unsigned char>(c)); });
}

XMLElement* newTextElement(XMLDocument& document, const char* name, const std::string& text)
{
    XMLElement* element = document.NewElement(name);
    element->InsertEndChild(document.NewText(text.c_str()));
    return element;
}

void writeNode(XMLDocument& document, XMLElement* parent, const ProfileNode& node)
{
    if (!isValidElementName(node.name))
        return;
    XMLElement* element = newTextElement(document, node.name.c_str(), node.value);
    for (const ProfileNode& child : node.children)
        writeNode(document, element, child);
    parent->InsertEndChild(element);
}

bool headerTextsWithinBound(const XMLDocument& document)
{
    const XMLElement* root = document.FirstChildElement("profile");
    if (!root)
        return true;
    for (const char* name : {"device", "renderer", "vendor"}) {
        const XMLElement* element = root->FirstChildElement(name);
        if (!element)
            continue;
        // No character takes fewer bytes than UTF-16 units, so a text that is short in bytes,
        // as every real name is, is never decoded.
        const std::string text = elementText(element);
        if (text.size() > std::size_t(maxHeaderTextLength) &&
            textFromBytes(text).size() > maxHeaderTextLength)
            return false;
    }
    return true;
}

bool readProfileDocument(const XMLDocument& document, ProfileData& data)
{
    const XMLElement* root = document.FirstChildElement("profile");
    if (!root)
        return false;

    if (const XMLElement* device = root->FirstChildElement("device"))
        data.setDevice(elementText(device));
    if (const XMLElement* renderer = root->FirstChildElement("renderer"))
        data.setRenderer(elementText(renderer));
    if (const XMLElement* vendor = root->FirstChildElement("vendor"))
        data.setVendor(elementText(vendor));

    for (const XMLElement* es = root->FirstChildElement("es"); es;
         es = es->NextSiblingElement("es"))
        readEsElement(es, data);
    // Sorted once all blocks are in: blocks of one version add to one list, and sorting it
    // after each would make reading slow down with the square of the file.
    for (auto& [version, names] : data.extensions)
        std::sort(names.begin(), names.end());

    if (const XMLElement* egl = root->FirstChildElement("egl"))
        readEglElement(egl, data);
    return true;
}

std::string printProfile(const ProfileData& data)
{
    XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
    XMLElement* root = document.NewElement("profile");

    if (!data.device().empty())
        root->InsertEndChild(newTextElement(document, "device", data.device()));
    if (!data.renderer().empty())
        root->InsertEndChild(newTextElement(document, "renderer", data.renderer()));
    if (!data.vendor().empty())
        root->InsertEndChild(newTextElement(document, "vendor", data.vendor()));

    // Limits join the block that holds the same version's extensions, so versions with
    // extensions come first, then versions that only have limits.
    std::map<int, XMLElement*> esByVersion;
    for (const auto& [version, names] : data.extensions) {
        XMLElement* es = newVersionElement(document, "es", "version", version);
        for (const std::string& name : names)
            es->InsertEndChild(newTextElement(document, "extension", name));
        root->InsertEndChild(es);
        esByVersion.emplace(version, es);
    }
    for (const auto& [version, nodes] : data.capabilities) {
        XMLElement*& es = esByVersion[version];
        if (!es) {
            es = newVersionElement(document, "es", "version", version);
            root->InsertEndChild(es);
        }
        for (const ProfileNode& node : nodes)
            writeNode(document, es, node);
    }

    XMLElement* egl = document.NewElement("egl");
    for (const auto& [id, nodes] : data.eglConfigs) {
        XMLElement* config = newVersionElement(document, "config", "id", id);
        for (const ProfileNode& node : nodes)
            writeNode(document, config, node);
        egl->InsertEndChild(config);
    }
    root->InsertEndChild(egl);
    document.InsertEndChild(root);

    tinyxml2::XMLPrinter printer(nullptr, false);
    document.Print(&printer);
    return std::string(printer.CStr(), static_cast<std::size_t>(printer.CStrSize() - 1));
}
