#include "widgets/ESExtensionTreeView.h"

#include "glvocab/Extensions.h"
#include "models/ProfileTreeItem.h"
#include "widgets/TreeItemDelegates.h"

#include <QInputDialog>
#include <QMenu>
#include <QSet>

namespace widgets {

namespace {

constexpr ESExtensionID lastExtension = 133;

// Profiles list extensions with or without the "GL_" prefix; either way names one extension.
QString withoutPrefix(const QString& name)
{
    return name.startsWith(QLatin1String("GL_")) ? name.mid(3) : name;
}

} // namespace

ESExtensionTreeView::ESExtensionTreeView(QWidget* parent) : ESTreeView(parent)
{
    menu = new QMenu(this);
    addAPIAction = new QAction(tr("Add API"), menu);
    addExtensionAction = new QAction(tr("Add Extension"), menu);
    deleteAction = new QAction(tr("Delete"), menu);
    setItemDelegate(new ESExtensionTreeItemDelegate(this));
    connect(this, &QWidget::customContextMenuRequested, this,
            &ESExtensionTreeView::onContextMenuRequested);
    connect(addAPIAction, &QAction::triggered, this, &ESTreeView::addAPITriggered);
    connect(addExtensionAction, &QAction::triggered, this,
            &ESExtensionTreeView::addExtensionTriggered);
    connect(deleteAction, &QAction::triggered, this, &ProfileTreeView::deleteItemTriggered);
    menu->addAction(addAPIAction);
    menu->addAction(addExtensionAction);
    menu->addAction(deleteAction);
}

QStringList ESExtensionTreeView::usedExtensions(const models::ProfileTreeItem* api)
{
    QStringList used;
    if (!api)
        return used;
    for (const models::ProfileTreeItem* child : api->childItems())
        used << child->data(0, Qt::EditRole).toString();
    return used;
}

QStringList ESExtensionTreeView::unusedExtensions(const models::ProfileTreeItem* api)
{
    QSet<QString> used;
    for (const QString& name : usedExtensions(api))
        used.insert(withoutPrefix(name));
    QStringList unused;
    for (ESExtensionID id = 1; id <= lastExtension; ++id) {
        const QString name = QString::fromUtf8(esExtensionName(id, true));
        if (!used.contains(withoutPrefix(name)))
            unused << name;
    }
    unused.sort(Qt::CaseSensitive);
    return unused;
}

void ESExtensionTreeView::onContextMenuRequested(const QPoint& pos)
{
    if (!model())
        return;
    clicked = rowAt(pos);
    showMenu(pos, clicked, menu, addAPIAction, addExtensionAction, deleteAction);
}

void ESExtensionTreeView::addExtensionTriggered()
{
    QAbstractItemModel* m = model();
    if (!m || !clicked.isValid() || clicked.model() != m)
        return;
    const QModelIndex top = topLevelIndex(clicked);
    const QStringList names =
        unusedExtensions(static_cast<const models::ProfileTreeItem*>(top.internalPointer()));
    // With every extension listed already there is nothing to choose, and an empty name must
    // not become a row.
    if (names.isEmpty())
        return;
    bool ok = false;
    const QString chosen = QInputDialog::getItem(this, tr("Add Extension"),
                                                 tr("Select an extension"), names, 0, false, &ok);
    if (!ok || chosen.isEmpty() || !clicked.isValid())
        return;
    const QModelIndex parent = topLevelIndex(clicked);
    const int row = childInsertPosition(parent, clicked);
    if (m->insertRows(row, 1, parent))
        m->setData(m->index(row, 0, parent), chosen, Qt::EditRole);
}

} // namespace widgets
