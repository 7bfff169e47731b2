#pragma once

#include <QList>
#include <QVariant>

namespace models {

// One row of a profile tree. An item owns its child rows; the tree owns its top-level rows.
// Cells have a stored form (Qt::EditRole, what editors and the data rebuild read and write)
// and a shown form (Qt::DisplayRole, readable names).
class ProfileTreeItem
{
public:
    explicit ProfileTreeItem(ProfileTreeItem* parent);
    virtual ~ProfileTreeItem();
    ProfileTreeItem(const ProfileTreeItem&) = delete;
    ProfileTreeItem& operator=(const ProfileTreeItem&) = delete;

    virtual QVariant data(int column, int role) const = 0;
    // One column for a row with children, two for a leaf (key and value).
    virtual int columnCount() const;

    ProfileTreeItem* parentItem() const { return m_parentItem; }
    const QList<ProfileTreeItem*>& childItems() const { return m_childItems; }
    ProfileTreeItem* child(int row) const { return m_childItems.value(row); }
    int childCount() const { return int(m_childItems.size()); }
    bool isTopLevel() const { return m_parentItem == nullptr; }

    // Takes ownership of `item`, whose parent must already be this item.
    void insertChild(int position, ProfileTreeItem* item);
    void appendChild(ProfileTreeItem* item);
    // Destroys the child at `position` with its subtree.
    void removeChild(int position);

protected:
    // Whether a stored cell has a text form at all (an invalid variant has none).
    static bool hasText(const QVariant& v);
    // The stored cell as an integer: a number by its value, a text only when the whole text
    // is a decimal integer. Bit names and other words are no integers.
    static qlonglong integerValue(const QVariant& v, bool* ok);

private:
    ProfileTreeItem* m_parentItem;
    QList<ProfileTreeItem*> m_childItems;
};

} // namespace models
