#pragma once

#include "models/ProfileNode.h"

#include <string>

namespace tinyxml2 {
class XMLDocument;
class XMLElement;
} // namespace tinyxml2

class ProfileData;

// The text of an element as profiles use it: the first non-comment child when that is a text
// node, else the empty string (white space alone before a tag never becomes a text node).
std::string elementText(const tinyxml2::XMLElement* element);

// One limit or EGL attribute element and its descendants. An element with child elements is an
// inner node and any text it holds is dropped.
ProfileNode readNode(const tinyxml2::XMLElement* element);

// Appends the node (and its subtree) to parent. Nodes that cannot be written as XML elements
// are left out, see isValidElementName.
void writeNode(tinyxml2::XMLDocument& document, tinyxml2::XMLElement* parent,
               const ProfileNode& node);

// A new, unlinked element holding one text node, also when text is empty.
tinyxml2::XMLElement* newTextElement(tinyxml2::XMLDocument& document, const char* name,
                                     const std::string& text);

// True when name reads back as an element name: tinyxml2 prints any name unchecked, and one
// that it cannot parse (empty, starting with a digit, holding a space or '<') would make the
// whole profile file unreadable.
bool isValidElementName(const std::string& name);

// Whether the device, renderer and vendor texts that readProfileDocument would take are within
// maxHeaderTextLength. A document without a <profile> element has none.
bool headerTextsWithinBound(const tinyxml2::XMLDocument& document);

// Fills data from a parsed document; false when the document has no <profile> element.
bool readProfileDocument(const tinyxml2::XMLDocument& document, ProfileData& data);

// The profile as the bytes of its file (indented, no declaration, a line break at the end).
std::string printProfile(const ProfileData& data);
