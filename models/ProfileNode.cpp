#include "models/ProfileNode.h"

#include <algorithm>
#include <utility>

ProfileNode* findOrCreateNode(std::vector<ProfileNode>& nodes, std::deque<std::string> path)
{
    if (path.empty())
        return nullptr;

    auto found = std::find_if(nodes.begin(), nodes.end(),
                              [&](const ProfileNode& node) { return node.name == path.front(); });
    ProfileNode* node = nullptr;
    if (found != nodes.end()) {
        node = &*found;
    } else {
        nodes.push_back(ProfileNode{path.front(), {}, {}});
        node = &nodes.back();
    }
    path.pop_front();
    return findOrCreateNode(*node, std::move(path));
}

ProfileNode* findOrCreateNode(ProfileNode& node, std::deque<std::string> path)
{
    if (path.empty())
        return &node;
    return findOrCreateNode(node.children, std::move(path));
}
