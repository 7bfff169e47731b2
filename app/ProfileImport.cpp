#include "app/ProfileImport.h"

#include "models/ProfileFiles.h"
#include "models/ProfileXml.h"

#include <tinyxml2.h>

#include <unordered_set>

namespace {

int sectionVersion(const tinyxml2::XMLElement* es)
{
    int version = 0;
    if (es->QueryIntAttribute("version", &version) != tinyxml2::XML_SUCCESS)
        return 0;
    return version;
}

// A profile file as the program reads it: one that it would not list at start-up is no input.
bool loadProfileFile(tinyxml2::XMLDocument& document, const std::string& path)
{
    return loadXmlFile(document, path) && headerTextsWithinBound(document);
}

} // namespace

void copyElementTree(tinyxml2::XMLDocument& document, tinyxml2::XMLNode* destination,
                     const tinyxml2::XMLNode* source)
{
    for (const tinyxml2::XMLNode* child = source->FirstChild(); child;
         child = child->NextSibling()) {
        tinyxml2::XMLNode* clone = child->ShallowClone(&document);
        destination->InsertEndChild(clone);
        copyElementTree(document, clone, child);
    }
}

void copyDocumentRoot(tinyxml2::XMLDocument& output, const tinyxml2::XMLDocument& input)
{
    // Files may begin with a declaration or a comment: the profile is what gets copied.
    const tinyxml2::XMLElement* profile = input.FirstChildElement("profile");
    if (!profile)
        return;
    tinyxml2::XMLNode* clone = profile->ShallowClone(&output);
    copyElementTree(output, clone, profile);
    output.InsertEndChild(clone);
}

void mergeProfileDocument(tinyxml2::XMLDocument& output, const tinyxml2::XMLDocument& input)
{
    tinyxml2::XMLElement* target = output.FirstChildElement("profile");
    if (!target) {
        copyDocumentRoot(output, input);
        return;
    }
    const tinyxml2::XMLElement* source = input.FirstChildElement("profile");
    if (!source)
        return;
    // The versions the output holds, kept up to date as sections are appended: looking each
    // incoming section up in the output itself would make merging slow down with the square of
    // the number of sections.
    std::unordered_set<int> versions;
    for (const tinyxml2::XMLElement* es = target->FirstChildElement("es"); es;
         es = es->NextSiblingElement("es"))
        versions.insert(sectionVersion(es));
    for (const tinyxml2::XMLElement* es = source->FirstChildElement("es"); es;
         es = es->NextSiblingElement("es")) {
        if (!versions.insert(sectionVersion(es)).second)
            continue;
        tinyxml2::XMLNode* clone = es->ShallowClone(&output);
        copyElementTree(output, clone, es);
        target->InsertEndChild(clone);
    }
}

void mergeProfileFile(tinyxml2::XMLDocument& output, const std::string& path)
{
    if (!output.FirstChildElement("profile")) {
        // Nothing merged yet, so the output is empty: the file is parsed into it, and what
        // copyDocumentRoot would leave out (a declaration, comments, any other top-level node)
        // is dropped.
        if (!loadProfileFile(output, path)) {
            output.Clear();
            return;
        }
        output.SetBOM(false);
        tinyxml2::XMLElement* profile = output.FirstChildElement("profile");
        for (tinyxml2::XMLNode* node = output.FirstChild(); node;) {
            tinyxml2::XMLNode* next = node->NextSibling();
            if (node != profile)
                output.DeleteNode(node);
            node = next;
        }
        return;
    }
    tinyxml2::XMLDocument input(true, tinyxml2::PRESERVE_WHITESPACE);
    if (loadProfileFile(input, path))
        mergeProfileDocument(output, input);
}

bool isImportableProfile(const tinyxml2::XMLDocument& output)
{
    const tinyxml2::XMLElement* profile = output.FirstChildElement("profile");
    if (!profile)
        return false;
    const tinyxml2::XMLElement* es = profile->FirstChildElement("es");
    return es && es->NextSiblingElement("egl");
}
