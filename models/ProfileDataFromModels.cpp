#include "models/ProfileDataFromModels.h"

#include "models/EGLAttribKey.h"
#include "models/EGLConfigTree.h"
#include "models/Profile.h"
#include "models/ProfileData.h"
#include "models/TextBytes.h"

#include <QCoreApplication>

#include <algorithm>
#include <iterator>
#include <map>
#include <set>
#include <stdexcept>

namespace {

std::string editText(const QAbstractItemModel& model, const QModelIndex& index)
{
    return bytesFromText(model.data(index, Qt::EditRole).toString());
}

int editNumber(const QAbstractItemModel& model, const QModelIndex& index)
{
    return model.data(index, Qt::EditRole).toInt();
}

bool hasChildNamed(const ProfileNode& node, const std::string& name)
{
    return std::any_of(node.children.begin(), node.children.end(),
                       [&name](const ProfileNode& child) { return child.name == name; });
}

ProfileNode& nodeAt(std::vector<ProfileNode>& nodes, const models::NodePlace& place)
{
    ProfileNode* node = &nodes[place.front()];
    for (std::size_t level = 1; level < place.size(); ++level)
        node = &node->children[place[level]];
    return *node;
}

// Removes the leaves at the given places; a parent that loses its last child this way goes too.
// Walks backwards so that the places of the siblings still to come stay valid.
void removeLeaves(std::vector<ProfileNode>& nodes, const std::set<models::NodePlace>& places,
                  models::NodePlace& prefix)
{
    for (std::size_t i = nodes.size(); i-- > 0;) {
        prefix.push_back(i);
        bool remove = false;
        if (nodes[i].children.empty()) {
            remove = places.count(prefix) != 0;
        } else {
            removeLeaves(nodes[i].children, places, prefix);
            remove = nodes[i].children.empty();
        }
        prefix.pop_back();
        if (remove)
            nodes.erase(nodes.begin() + std::ptrdiff_t(i));
    }
}

// Places a row that has no leaf of its own among the nodes the configuration was built from.
void appendAttribute(const EGLAttribKey& attribute, const std::string& text,
                     std::vector<ProfileNode>& out)
{
    const std::string& first = attribute.xmlPath.front();
    if (attribute.xmlPath.size() == 1) {
        out.push_back(ProfileNode{first, text, {}});
        return;
    }
    // Two-name attributes join the first parent element that does not hold their leaf yet,
    // so width, height and pixels share one max_pbuffer, while a repeated leaf starts a
    // second parent element instead of overwriting the first.
    const std::string& second = attribute.xmlPath[1];
    auto parent = std::find_if(out.begin(), out.end(), [&](const ProfileNode& node) {
        return node.name == first && !node.children.empty() && !hasChildNamed(node, second);
    });
    if (parent == out.end())
        parent = out.insert(out.end(), ProfileNode{first, {}, {}});
    parent->children.push_back(ProfileNode{second, text, {}});
}

// Configurations are written by id, so two rows with one id would become a single element
// holding both rows' attributes and the other configuration would be gone. Such a profile is
// refused before anything changes.
void refuseSharedConfigIds(const QAbstractItemModel& configModel)
{
    std::set<int> ids;
    for (int r = 0; r < configModel.rowCount(); ++r) {
        const int id = editNumber(configModel, configModel.index(r, 0));
        if (!ids.insert(id).second)
            throw std::runtime_error(
                QCoreApplication::translate("ProfileData",
                                            "More than one configuration is named \"Config %1\". "
                                            "Give each configuration an id of its own, then save "
                                            "again.")
                    .arg(id)
                    .toStdString());
    }
}

} // namespace

void collectNodes(const QModelIndex& parent, const QAbstractItemModel& model,
                  std::vector<ProfileNode>& out)
{
    for (int c = 0; c < model.rowCount(parent); ++c) {
        const QModelIndex row = model.index(c, 0, parent);
        ProfileNode node;
        node.name = editText(model, row);
        node.value = editText(model, model.index(c, 1, parent));
        collectNodes(row, model, node.children);
        out.push_back(std::move(node));
    }
}

void collectAttributes(const QModelIndex& configuration, const QAbstractItemModel& model,
                       std::vector<ProfileNode>& out)
{
    // Start from the nodes the configuration was read from, so that what has no row (unknown
    // attributes, deeper paths) stays where it was; the rows then set, drop or add leaves.
    const auto* tree = qobject_cast<const models::EGLConfigTree*>(&model);
    std::vector<ProfileNode> nodes =
        tree ? tree->nodesBuiltFrom(configuration) : std::vector<ProfileNode>();
    std::map<models::NodePlace, int> shown;
    models::forEachShownLeaf(nodes, [&shown](const models::NodePlace& place, int attribute,
                                             const ProfileNode&) { shown[place] = attribute; });

    std::vector<std::pair<EGLAttribKey, std::string>> added;
    for (int c = 0; c < model.rowCount(configuration); ++c) {
        const QModelIndex row = model.index(c, 0, configuration);
        EGLAttribKey attribute;
        if (!findEGLAttribKey(editNumber(model, row), &attribute))
            continue;
        const std::string text = editText(model, model.index(c, 1, configuration));
        // A row still naming the attribute it was built from writes its own leaf in place.
        const auto own = tree ? shown.find(tree->placeBuiltFrom(row)) : shown.end();
        if (own != shown.end() && own->second == attribute.value) {
            nodeAt(nodes, own->first).value = text;
            shown.erase(own);
        } else {
            added.emplace_back(std::move(attribute), text);
        }
    }
    // Shown leaves that no row wrote any more were deleted (or re-keyed) by the user.
    std::set<models::NodePlace> gone;
    for (const auto& [place, attribute] : shown)
        gone.insert(place);
    models::NodePlace prefix;
    removeLeaves(nodes, gone, prefix);

    std::move(nodes.begin(), nodes.end(), std::back_inserter(out));
    for (const auto& [attribute, text] : added)
        appendAttribute(attribute, text, out);
}

void ProfileData::updateFromModels(const models::Profile& profile)
{
    refuseSharedConfigIds(*profile.eglConfigTree());

    capabilities.clear();
    const QAbstractItemModel& capabilityModel = *profile.capabilityTree();
    for (int r = 0; r < capabilityModel.rowCount(); ++r) {
        const QModelIndex version = capabilityModel.index(r, 0);
        collectNodes(version, capabilityModel, capabilities[editNumber(capabilityModel, version)]);
    }

    extensions.clear();
    const QAbstractItemModel& extensionModel = *profile.extensionTree();
    for (int r = 0; r < extensionModel.rowCount(); ++r) {
        const QModelIndex version = extensionModel.index(r, 0);
        for (int c = 0; c < extensionModel.rowCount(version); ++c)
            extensions[editNumber(extensionModel, version)].push_back(
                editText(extensionModel, extensionModel.index(c, 0, version)));
    }

    eglConfigs.clear();
    const QAbstractItemModel& configModel = *profile.eglConfigTree();
    for (int r = 0; r < configModel.rowCount(); ++r) {
        const QModelIndex config = configModel.index(r, 0);
        collectAttributes(config, configModel, eglConfigs[editNumber(configModel, config)]);
    }
}
