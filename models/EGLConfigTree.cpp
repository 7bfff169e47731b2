#include "models/EGLConfigTree.h"

#include "models/EGLAttribKey.h"
#include "models/EGLConfigTreeItem.h"

#include <deque>
#include <string>

namespace models {

namespace {

// Inner nodes only lead to their leaves; a leaf becomes a row when its whole element path names
// a known attribute. Unknown leaves stay in the profile data but get no row.
void appendLeaves(ProfileTreeItem* config, std::deque<std::string>& path, const ProfileNode& node)
{
    if (!node.children.empty()) {
        for (const ProfileNode& child : node.children) {
            path.push_back(child.name);
            appendLeaves(config, path, child);
            path.pop_back();
        }
        return;
    }
    EGLAttribKey attribute;
    if (findEGLAttribKey(path, &attribute))
        config->appendChild(
            new EGLConfigTreeItem(attribute.value, QString::fromStdString(node.value), config));
}

} // namespace

EGLConfigTree::EGLConfigTree(QObject* parent,
                             const std::map<int, std::vector<ProfileNode>>& configs)
    : ProfileTree(parent)
{
    for (const auto& [id, nodes] : configs) {
        auto* configItem = new EGLConfigTreeItem(id, QVariant(), nullptr);
        for (const ProfileNode& node : nodes) {
            std::deque<std::string> path{node.name};
            appendLeaves(configItem, path, node);
        }
        topItems.append(configItem);
    }
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

bool EGLConfigTree::setData(const QModelIndex& index, const QVariant& value, int role)
{
    auto* item = static_cast<EGLConfigTreeItem*>(itemFromIndex(index));
    if (!item || role != Qt::EditRole || !item->setData(index.column(), value))
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
