#pragma once

#include "models/ProfileTreeItem.h"

#include <QAbstractItemModel>
#include <QList>

#include <limits>

namespace models {

// Item model base of the three profile trees. The tree owns its top-level items; each item owns
// its children. An index exists only for the columns its item has: a row with children has one
// column, a leaf two (key and value), so column 1 of a row with children is never valid.
class ProfileTree : public QAbstractItemModel
{
    Q_OBJECT

public:
    explicit ProfileTree(QObject* parent);
    ~ProfileTree() override;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    using QObject::parent;
    QModelIndex parent(const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    bool isEditable() const { return editable; }
    void setEditable(bool isEditable) { editable = isEditable; }

    // The item of a valid index, null for an invalid one.
    ProfileTreeItem* itemFromIndex(const QModelIndex& index) const;

protected:
    // The rows under `parent`: the top-level list or the children of the parent's item.
    const QList<ProfileTreeItem*>& rowsOf(const QModelIndex& parent) const;

    // The shared shape of insertRows and removeRows; `make` builds one new item for the parent
    // item (null at the top level). Positions outside the rows of `parent` are refused.
    template <typename MakeItem>
    bool insertItems(int row, int count, const QModelIndex& parent, MakeItem make);
    bool removeItems(int row, int count, const QModelIndex& parent);

    bool editable = false;
    QList<ProfileTreeItem*> topItems;
};

template <typename MakeItem>
bool ProfileTree::insertItems(int row, int count, const QModelIndex& parent, MakeItem make)
{
    if (parent.isValid() && (parent.model() != this || parent.column() != 0))
        return false;
    const int rows = rowCount(parent);
    if (count < 1 || row < 0 || row > rows || count > std::numeric_limits<int>::max() - rows)
        return false;

    ProfileTreeItem* parentItem = itemFromIndex(parent);
    emit layoutAboutToBeChanged();
    beginInsertRows(parent, row, row + count - 1);
    for (int k = 0; k < count; ++k) {
        ProfileTreeItem* item = make(parentItem);
        if (parentItem)
            parentItem->insertChild(row + k, item);
        else
            topItems.insert(row + k, item);
    }
    endInsertRows();
    emit layoutChanged();
    return true;
}

} // namespace models
