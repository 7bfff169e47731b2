#include "widgets/ESCapabilityTreeView.h"

#include "models/ESCapabilityKey.h"
#include "models/ProfileTreeItem.h"
#include "widgets/TreeItemDelegates.h"

#include <QInputDialog>
#include <QMenu>

namespace widgets {

ESCapabilityTreeView::ESCapabilityTreeView(QWidget* parent) : ESTreeView(parent)
{
    menu = new QMenu(this);
    addAPIAction = new QAction(tr("Add API"), menu);
    addCapabilityAction = new QAction(tr("Add Capability"), menu);
    deleteAction = new QAction(tr("Delete"), menu);
    setItemDelegate(new ESCapabilityTreeItemDelegate(this));
    connect(this, &QWidget::customContextMenuRequested, this,
            &ESCapabilityTreeView::onContextMenuRequested);
    connect(addAPIAction, &QAction::triggered, this, &ESTreeView::addAPITriggered);
    connect(addCapabilityAction, &QAction::triggered, this,
            &ESCapabilityTreeView::addCapabilityTriggered);
    connect(deleteAction, &QAction::triggered, this, &ProfileTreeView::deleteItemTriggered);
    menu->addAction(addAPIAction);
    menu->addAction(addCapabilityAction);
    menu->addAction(deleteAction);
}

std::set<std::string> ESCapabilityTreeView::usedCapabilities(const QModelIndex& index)
{
    std::set<std::string> used;
    const QModelIndex top = topLevelIndex(index);
    const auto* api = static_cast<const models::ProfileTreeItem*>(top.internalPointer());
    if (!top.isValid() || !api)
        return used;
    for (const models::ProfileTreeItem* child : api->childItems()) {
        const std::string name = child->data(0, Qt::EditRole).toString().toStdString();
        ESCapabilityKeyNode node;
        if (findKeyNode(ESCapabilityKey::XMLName(name), &node))
            used.insert(name);
    }
    return used;
}

std::set<std::string> ESCapabilityTreeView::unusedCapabilities(const QModelIndex& index)
{
    const std::set<std::string> used = usedCapabilities(index);
    std::set<std::string> unused;
    forEachKeyNode([&](const ESCapabilityKeyNode& node) {
        if (!node.single || !used.count(node.xmlName.text))
            unused.insert(node.xmlName.text);
    });
    return unused;
}

void ESCapabilityTreeView::onContextMenuRequested(const QPoint& pos)
{
    if (!model())
        return;
    clicked = rowAt(pos);
    showMenu(pos, clicked, menu, addAPIAction, addCapabilityAction, deleteAction);
}

void ESCapabilityTreeView::addCapabilityTriggered()
{
    QAbstractItemModel* m = model();
    if (!m || !clicked.isValid() || clicked.model() != m)
        return;
    const QModelIndex top = topLevelIndex(clicked);
    const QStringList names = capabilityDisplayNames(unusedCapabilities(top));
    bool ok = false;
    const QString chosen = QInputDialog::getItem(this, tr("Add Capability"),
                                                 tr("Select a capability"), names, 0, false, &ok);
    ESCapabilityKeyNode node;
    if (!ok || !findKeyNode(ESCapabilityKey::DisplayName(chosen.toStdString()), &node))
        return;
    // The prompt is modal: the model may have changed under it, so the position is taken now.
    const QModelIndex parent = topLevelIndex(clicked);
    if (!parent.isValid())
        return;
    const int row = childInsertPosition(parent, clicked);
    if (m->insertRows(row, 1, parent))
        m->setData(m->index(row, 0, parent), QString::fromStdString(node.xmlName.text),
                   Qt::EditRole);
}

} // namespace widgets
