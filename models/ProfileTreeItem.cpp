#include "models/ProfileTreeItem.h"

namespace models {

ProfileTreeItem::ProfileTreeItem(ProfileTreeItem* parent) : m_parentItem(parent) {}

ProfileTreeItem::~ProfileTreeItem()
{
    qDeleteAll(m_childItems);
}

int ProfileTreeItem::columnCount() const
{
    return m_childItems.isEmpty() ? 2 : 1;
}

void ProfileTreeItem::insertChild(int position, ProfileTreeItem* item)
{
    Q_ASSERT(item && item->parentItem() == this);
    m_childItems.insert(position, item);
}

void ProfileTreeItem::appendChild(ProfileTreeItem* item)
{
    insertChild(int(m_childItems.size()), item);
}

void ProfileTreeItem::removeChild(int position)
{
    delete m_childItems.takeAt(position);
}

bool ProfileTreeItem::hasText(const QVariant& v)
{
    return v.isValid() && v.canConvert<QString>();
}

qlonglong ProfileTreeItem::integerValue(const QVariant& v, bool* ok)
{
    *ok = false;
    if (!v.isValid())
        return 0;
    if (v.typeId() == QMetaType::QString)
        return v.toString().toLongLong(ok, 10);
    return v.toLongLong(ok);
}

} // namespace models
