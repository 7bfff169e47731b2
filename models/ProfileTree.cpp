#include "models/ProfileTree.h"

namespace models {

ProfileTree::ProfileTree(QObject* parent) : QAbstractItemModel(parent) {}

ProfileTree::~ProfileTree()
{
    qDeleteAll(topItems);
}

ProfileTreeItem* ProfileTree::itemFromIndex(const QModelIndex& index) const
{
    if (!index.isValid())
        return nullptr;
    return static_cast<ProfileTreeItem*>(index.internalPointer());
}

const QList<ProfileTreeItem*>& ProfileTree::rowsOf(const QModelIndex& parent) const
{
    if (const ProfileTreeItem* item = itemFromIndex(parent))
        return item->childItems();
    return topItems;
}

QModelIndex ProfileTree::index(int row, int column, const QModelIndex& parent) const
{
    if (!hasIndex(row, column, parent))
        return {};
    ProfileTreeItem* item = rowsOf(parent).at(row);
    if (column >= item->columnCount())
        return {};
    return createIndex(row, column, item);
}

QModelIndex ProfileTree::parent(const QModelIndex& index) const
{
    const ProfileTreeItem* item = itemFromIndex(index);
    if (!item)
        return {};
    ProfileTreeItem* parentItem = item->parentItem();
    if (!parentItem)
        return {};
    const ProfileTreeItem* grandParent = parentItem->parentItem();
    const QList<ProfileTreeItem*>& siblings = grandParent ? grandParent->childItems() : topItems;
    return createIndex(int(siblings.indexOf(parentItem)), 0, parentItem);
}

int ProfileTree::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    return int(rowsOf(parent).size());
}

QVariant ProfileTree::headerData(int, Qt::Orientation, int) const
{
    return {};
}

Qt::ItemFlags ProfileTree::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (editable)
        f |= Qt::ItemIsEditable;
    return f;
}

bool ProfileTree::removeItems(int row, int count, const QModelIndex& parent)
{
    if (parent.isValid() && (parent.model() != this || parent.column() != 0))
        return false;
    const int rows = rowCount(parent);
    if (count < 1 || row < 0 || row > rows || count > rows - row)
        return false;

    ProfileTreeItem* parentItem = itemFromIndex(parent);
    beginRemoveRows(parent, row, row + count - 1);
    for (int i = row + count - 1; i >= row; --i) {
        if (parentItem)
            parentItem->removeChild(i);
        else
            delete topItems.takeAt(i);
    }
    endRemoveRows();
    return true;
}

} // namespace models
