#pragma once

namespace tinyxml2 {
class XMLDocument;
class XMLNode;
} // namespace tinyxml2

#include <string>

// Reads the profile file at path (as profile files are read: a regular file of a bounded size
// whose header texts are within maxHeaderTextLength) and merges it into output as
// mergeProfileDocument does; a file that cannot be read or parsed changes nothing. The first
// profile read becomes the output as it was parsed, rather than being copied node by node.
void mergeProfileFile(tinyxml2::XMLDocument& output, const std::string& path);

// Merges one loaded profile document into output. An output without a <profile> element takes
// the input's profile whole; otherwise only the input's <es> sections of versions the output
// lacks are appended to the output's profile.
void mergeProfileDocument(tinyxml2::XMLDocument& output, const tinyxml2::XMLDocument& input);

// Starts output with the input's <profile> element and its subtree. A declaration or comment
// before it is not taken; an input without a <profile> element copies nothing.
void copyDocumentRoot(tinyxml2::XMLDocument& output, const tinyxml2::XMLDocument& input);

// Appends a copy of every child node of source (any type, recursively) to destination, which
// belongs to document.
void copyElementTree(tinyxml2::XMLDocument& document, tinyxml2::XMLNode* destination,
                     const tinyxml2::XMLNode* source);

// True when output holds what a profile file needs: a <profile> whose first <es> child is
// followed by an <egl> sibling.
bool isImportableProfile(const tinyxml2::XMLDocument& output);
