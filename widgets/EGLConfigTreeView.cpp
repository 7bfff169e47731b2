#include "widgets/EGLConfigTreeView.h"

#include "models/EGLAttribKey.h"
#include "models/ProfileTreeItem.h"
#include "widgets/TreeItemDelegates.h"

#include <QInputDialog>
#include <QMenu>

#include <limits>

namespace widgets {

EGLConfigTreeView::EGLConfigTreeView(QWidget* parent) : ProfileTreeView(parent)
{
    menu = new QMenu(this);
    addConfigAction = new QAction(tr("Add Config"), menu);
    addAttribAction = new QAction(tr("Add Attribute"), menu);
    deleteAction = new QAction(tr("Delete"), menu);
    setItemDelegate(new EGLConfigTreeItemDelegate(this));
    connect(this, &QWidget::customContextMenuRequested, this,
            &EGLConfigTreeView::onContextMenuRequested);
    connect(addConfigAction, &QAction::triggered, this, &EGLConfigTreeView::addConfigTriggered);
    connect(addAttribAction, &QAction::triggered, this, &EGLConfigTreeView::addAttribTriggered);
    connect(deleteAction, &QAction::triggered, this, &ProfileTreeView::deleteItemTriggered);
    menu->addAction(addConfigAction);
    menu->addAction(addAttribAction);
    menu->addAction(deleteAction);
}

std::set<int> EGLConfigTreeView::usedAttribs(const models::ProfileTreeItem* config)
{
    std::set<int> used;
    if (!config)
        return used;
    for (const models::ProfileTreeItem* child : config->childItems())
        used.insert(child->data(0, Qt::EditRole).toInt());
    return used;
}

std::set<int> EGLConfigTreeView::unusedAttribs(const models::ProfileTreeItem* config)
{
    const std::set<int> used = usedAttribs(config);
    std::set<int> unused;
    forEachEGLAttribKey([&](const EGLAttribKey& key) {
        if (!key.single || !used.count(key.value))
            unused.insert(key.value);
    });
    return unused;
}

void EGLConfigTreeView::onContextMenuRequested(const QPoint& pos)
{
    if (!model())
        return;
    clicked = rowAt(pos);
    const bool onRow = clicked.isValid();
    const bool onTop = onRow && !clicked.parent().isValid();
    addConfigAction->setVisible(!onRow || onTop);
    addAttribAction->setVisible(onRow);
    deleteAction->setVisible(onRow);
    if (addConfigAction->isVisible() || addAttribAction->isVisible() || deleteAction->isVisible())
        menu->exec(viewport()->mapToGlobal(pos));
}

void EGLConfigTreeView::addConfigTriggered()
{
    QAbstractItemModel* m = model();
    if (!m)
        return;
    // Configurations are saved by id: a new one takes an id no other has, or the two would
    // merge into one when the profile is written.
    std::set<int> ids;
    for (int r = 0; r < m->rowCount(); ++r) {
        bool ok = false;
        const int id = m->index(r, 0).data(Qt::EditRole).toInt(&ok);
        if (ok)
            ids.insert(id);
    }
    int id = 0;
    if (!ids.empty() && *ids.rbegin() < std::numeric_limits<int>::max())
        id = std::max(0, *ids.rbegin() + 1);
    while (ids.count(id))
        ++id;
    const int row = m->rowCount();
    if (m->insertRows(row, 1))
        m->setData(m->index(row, 0), id, Qt::EditRole);
}

void EGLConfigTreeView::addAttribTriggered()
{
    QAbstractItemModel* m = model();
    if (!m || !clicked.isValid() || clicked.model() != m)
        return;
    const QModelIndex top = topLevelIndex(clicked);
    const QStringList names = eglAttribDisplayNames(
        unusedAttribs(static_cast<const models::ProfileTreeItem*>(top.internalPointer())));
    bool ok = false;
    const QString chosen = QInputDialog::getItem(this, tr("Add Attribute"),
                                                 tr("Select an attribute"), names, 0, false, &ok);
    EGLAttribKey key;
    if (!ok || !findEGLAttribKey(EGLAttribKey::DisplayName(chosen.toStdString()), &key) ||
        !clicked.isValid())
        return;
    const QModelIndex parent = topLevelIndex(clicked);
    const int row = childInsertPosition(parent, clicked);
    if (m->insertRows(row, 1, parent))
        m->setData(m->index(row, 0, parent), key.value, Qt::EditRole);
}

} // namespace widgets
