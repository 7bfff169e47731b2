#include "models/EGLConfigTree.h"

#include "models/EGLAttribKey.h"
#include "models/EGLConfigTreeItem.h"
#include "models/TextBytes.h"

#include <deque>
#include <string>

namespace models {

namespace {

void walkLeaves(const std::vector<ProfileNode>& nodes, NodePlace& place,
                std::deque<std::string>& path,
                const std::function<void(const NodePlace&, int, const ProfileNode&)>& shown)
{
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const ProfileNode& node = nodes[i];
        place.push_back(i);
        path.push_back(node.name);
        // Inner nodes only lead to their leaves.
        EGLAttribKey attribute;
        if (!node.children.empty())
            walkLeaves(node.children, place, path, shown);
        else if (findEGLAttribKey(path, &attribute))
            shown(place, attribute.value, node);
        path.pop_back();
        place.pop_back();
    }
}

} // namespace

void forEachShownLeaf(
    const std::vector<ProfileNode>& nodes,
    const std::function<void(const NodePlace&, int attribute, const ProfileNode&)>& shown)
{
    NodePlace place;
    std::deque<std::string> path;
    walkLeaves(nodes, place, path, shown);
}

EGLConfigTree::EGLConfigTree(QObject* parent,
                             const std::map<int, std::vector<ProfileNode>>& configs)
    : ProfileTree(parent)
{
    for (const auto& [id, nodes] : configs) {
        auto* configItem = new EGLConfigTreeItem(id, QVariant(), nullptr);
        configItem->setSourceNodes(nodes);
        forEachShownLeaf(nodes, [configItem](const NodePlace& place, int attribute,
                                             const ProfileNode& leaf) {
            auto* item = new EGLConfigTreeItem(attribute, textFromBytes(leaf.value), configItem);
            item->setSourcePlace(place);
            configItem->appendChild(item);
        });
        topItems.append(configItem);
    }
}

const std::vector<ProfileNode>&
EGLConfigTree::nodesBuiltFrom(const QModelIndex& configuration) const
{
    static const std::vector<ProfileNode> none;
    const auto* item = static_cast<const EGLConfigTreeItem*>(itemFromIndex(configuration));
    return item && item->isTopLevel() ? item->nodesBuiltFrom() : none;
}

NodePlace EGLConfigTree::placeBuiltFrom(const QModelIndex& attribute) const
{
    const auto* item = static_cast<const EGLConfigTreeItem*>(itemFromIndex(attribute));
    return item && !item->isTopLevel() ? item->placeBuiltFrom() : NodePlace();
}

int EGLConfigTree::columnCount(const QModelIndex&) const
{
    return 2;
}

QVariant EGLConfigTree::data(const QModelIndex& index, int role) const
{
    const ProfileTreeItem* item = itemFromIndex(index);
    return item ? item->data(index.column(), role) : QVariant();
}

QString EGLConfigTree::refusal(const QModelIndex& index, const QVariant& value) const
{
    const ProfileTreeItem* item = itemFromIndex(index);
    if (!item || index.model() != this)
        return {};
    if (item->isTopLevel()) {
        if (index.column() != 0)
            return {};
        // Ids are compared as the profile is written: by their value as an int.
        const int id = value.toInt();
        for (const ProfileTreeItem* other : topItems) {
            if (other != item && other->data(0, Qt::EditRole).toInt() == id)
                return tr("\"Config %1\" already exists. Each configuration needs an id of its "
                          "own.")
                    .arg(id);
        }
        return {};
    }
    // A value must fit its attribute, both when it is typed and when its row changes attribute
    // (a row just added has no value yet).
    const bool rekeyed = index.column() == 0;
    const QVariant held = rekeyed ? item->data(1, Qt::EditRole) : value;
    EGLAttribKey attribute;
    if ((rekeyed && held.toString().isEmpty()) ||
        !findEGLAttribKey((rekeyed ? value : item->data(0, Qt::EditRole)).toInt(), &attribute) ||
        eglValueFits(attribute.value, held))
        return {};
    return tr("%1 cannot hold \"%2\". Enter a decimal number or one of %3.")
        .arg(QString::fromUtf8(attribute.displayName.text.c_str()), held.toString(),
             eglValueNames(attribute.value).join(QStringLiteral(", ")));
}

bool EGLConfigTree::setData(const QModelIndex& index, const QVariant& value, int role)
{
    auto* item = static_cast<EGLConfigTreeItem*>(itemFromIndex(index));
    if (!item || role != Qt::EditRole || !refusal(index, value).isEmpty() ||
        !item->setData(index.column(), value))
        return false;
    emit dataChanged(index, index);
    return true;
}

bool EGLConfigTree::insertRows(int row, int count, const QModelIndex& parent)
{
    return insertItems(row, count, parent, [](ProfileTreeItem* parentItem) {
        if (!parentItem)
            return new EGLConfigTreeItem(QStringLiteral(""), QVariant(), nullptr);
        return new EGLConfigTreeItem(QStringLiteral(""), QStringLiteral(""), parentItem);
    });
}

bool EGLConfigTree::removeRows(int row, int count, const QModelIndex& parent)
{
    return removeItems(row, count, parent);
}

} // namespace models
