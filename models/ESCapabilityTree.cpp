#include "models/ESCapabilityTree.h"

#include "models/ESCapabilityKey.h"
#include "models/ESTreeItem.h"
#include "models/TextBytes.h"

namespace models {

namespace {

ESCapabilityTreeItem* itemFromNode(const ProfileNode& node, ProfileTreeItem* parent)
{
    auto* item =
        new ESCapabilityTreeItem(textFromBytes(node.name), textFromBytes(node.value), parent);
    for (const ProfileNode& child : node.children)
        item->appendChild(itemFromNode(child, item));
    return item;
}

} // namespace

ESCapabilityTree::ESCapabilityTree(QObject* parent,
                                   const std::map<int, std::vector<ProfileNode>>& capabilities)
    : ProfileTree(parent)
{
    for (const auto& [version, nodes] : capabilities) {
        auto* versionItem = new ESCapabilityTreeItem(version, QVariant(), nullptr);
        for (const ProfileNode& node : nodes)
            versionItem->appendChild(itemFromNode(node, versionItem));
        topItems.append(versionItem);
    }
}

int ESCapabilityTree::columnCount(const QModelIndex&) const
{
    return 2;
}

QVariant ESCapabilityTree::data(const QModelIndex& index, int role) const
{
    const ProfileTreeItem* item = itemFromIndex(index);
    return item ? item->data(index.column(), role) : QVariant();
}

bool ESCapabilityTree::setData(const QModelIndex& index, const QVariant& value, int role)
{
    auto* item = static_cast<ESCapabilityTreeItem*>(itemFromIndex(index));
    if (!item || role != Qt::EditRole)
        return false;

    // Delegates commit on Enter and on focus-out even when nothing was edited; re-setting the
    // key a row already has must not wipe the values of its sub-key rows.
    const QVariant oldKey = item->data(0, Qt::EditRole);
    const bool sameKey = index.column() == 0 && oldKey.isValid() &&
                         oldKey.typeId() == value.typeId() && oldKey == value;
    if (!item->setData(index.column(), value))
        return false;

    emit layoutAboutToBeChanged();
    // Version rows are keyed by numbers; no text set on them may replace their limit rows.
    if (index.column() == 0 && !sameKey && !item->isTopLevel())
        replaceChildrenForKey(index, value);
    emit dataChanged(index, index);
    emit layoutChanged();
    return true;
}

void ESCapabilityTree::replaceChildrenForKey(const QModelIndex& index, const QVariant& key)
{
    ESCapabilityKeyNode keyNode;
    if (!findKeyNode(ESCapabilityKey::XMLName(key.toString().toStdString()), &keyNode))
        return;

    auto* item = static_cast<ESCapabilityTreeItem*>(itemFromIndex(index));
    while (item->childCount() > 0)
        removeRows(0, 1, index);
    if (keyNode.children.empty())
        return;

    item->setData(1, QVariant(QString()));
    const int count = int(keyNode.children.size());
    beginInsertRows(index, 0, count - 1);
    for (const ESCapabilityKeyNode& subKey : keyNode.children)
        item->appendChild(new ESCapabilityTreeItem(QString::fromStdString(subKey.xmlName.text),
                                                   QVariant(), item));
    endInsertRows();
}

bool ESCapabilityTree::insertRows(int row, int count, const QModelIndex& parent)
{
    return insertItems(row, count, parent, [](ProfileTreeItem* parentItem) {
        if (!parentItem)
            return new ESCapabilityTreeItem(QStringLiteral(""), QVariant(), nullptr);
        return new ESCapabilityTreeItem(QStringLiteral(""), QStringLiteral(""), parentItem);
    });
}

bool ESCapabilityTree::removeRows(int row, int count, const QModelIndex& parent)
{
    return removeItems(row, count, parent);
}

} // namespace models
