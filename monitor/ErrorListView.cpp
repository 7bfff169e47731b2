#include "monitor/ErrorListView.h"

#include <QContextMenuEvent>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPersistentModelIndex>

ErrorListView::ErrorListView(QWidget* parent) : QTableView(parent) {}

void ErrorListView::contextMenuEvent(QContextMenuEvent* event)
{
    emit contextMenuOpened();

    QModelIndex index;
    if (selectionModel()) {
        const QModelIndexList selected = selectionModel()->selection().indexes();
        if (!selected.isEmpty())
            index = selected.first();
    }
    // Nothing selected: the cell under the cursor is the one the user means; beside the cells
    // there is nothing whose contents could be shown.
    if (!index.isValid())
        index = indexAt(event->pos());
    if (!index.isValid())
        return;

    // The menu runs without a nested event loop and belongs to the view, so a page that is
    // closed while its menu is open takes the menu with it. The request is queued: the page
    // answers it with a modal popup, which must not run inside the menu's own activation code,
    // since the page (and the menu with it) may go while the popup is open. Rows may be
    // filtered away meanwhile, hence the persistent index.
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* viewContents = menu->addAction(tr("View contents"));
    const QPersistentModelIndex target(index);
    connect(
        viewContents, &QAction::triggered, this,
        [this, target] {
            if (!target.isValid())
                return;
            const QPoint pos = viewport()->mapToGlobal(visualRect(target).topLeft());
            emit itemContentsRequested(target.row(), target.column(), pos);
        },
        Qt::QueuedConnection);
    menu->popup(viewport()->mapToGlobal(event->pos()));
}
