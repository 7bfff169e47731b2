#include "models/ESExtensionTree.h"

#include "models/ESTreeItem.h"
#include "models/TextBytes.h"

namespace models {

ESExtensionTree::ESExtensionTree(QObject* parent,
                                 const std::map<int, std::vector<std::string>>& extensions)
    : ProfileTree(parent)
{
    for (const auto& [version, names] : extensions) {
        auto* versionItem = new ESExtensionTreeItem(version, nullptr);
        for (const std::string& name : names)
            versionItem->appendChild(new ESExtensionTreeItem(textFromBytes(name), versionItem));
        topItems.append(versionItem);
    }
}

int ESExtensionTree::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant ESExtensionTree::data(const QModelIndex& index, int role) const
{
    const ProfileTreeItem* item = itemFromIndex(index);
    return item ? item->data(index.column(), role) : QVariant();
}

bool ESExtensionTree::setData(const QModelIndex& index, const QVariant& value, int role)
{
    auto* item = static_cast<ESExtensionTreeItem*>(itemFromIndex(index));
    if (!item || role != Qt::EditRole || !item->setData(index.column(), value))
        return false;
    emit dataChanged(index, index);
    return true;
}

bool ESExtensionTree::insertRows(int row, int count, const QModelIndex& parent)
{
    return insertItems(row, count, parent, [](ProfileTreeItem* parentItem) {
        return new ESExtensionTreeItem(QStringLiteral(""), parentItem);
    });
}

bool ESExtensionTree::removeRows(int row, int count, const QModelIndex& parent)
{
    return removeItems(row, count, parent);
}

} // namespace models
