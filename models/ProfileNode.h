#pragma once

#include <deque>
#include <string>
#include <vector>

// One element of a profile's limit or EGL attribute tree. A value type: copying copies the
// whole subtree.
struct ProfileNode
{
    std::string name;
    std::string value; // empty for a node that has children
    std::vector<ProfileNode> children;

    bool operator==(const ProfileNode&) const = default;
};

// Walks a path of element names down from a list of sibling nodes, appending the missing nodes
// (empty value, no children) at the end of their sibling list. Existing nodes are never moved or
// renamed. The returned pointer is only valid until the vector it points into changes.
// An empty path names no node and gives null.
ProfileNode* findOrCreateNode(std::vector<ProfileNode>& nodes, std::deque<std::string> path);

// The same below one node; an empty path gives the node itself.
ProfileNode* findOrCreateNode(ProfileNode& node, std::deque<std::string> path);
