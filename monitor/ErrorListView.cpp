#include "monitor/ErrorListView.h"

#include <QContextMenuEvent>
#include <QItemSelectionModel>
#include <QMenu>
#include <QPersistentModelIndex>

#include <algorithm>

namespace {

// Texts measured once per column: functions and codes repeat, so a flood measures a few
// hundred names rather than every row. Past this many, only a text longer than any before is
// measured; frame numbers (column 0) are all different, and only a longer one can be wider.
constexpr qsizetype measuredTextLimit = 4096;

} // namespace

ErrorListView::ErrorListView(QWidget* parent) : QTableView(parent) {}

void ErrorListView::setModel(QAbstractItemModel* newModel)
{
    if (model())
        disconnect(model(), &QAbstractItemModel::rowsInserted, this, &ErrorListView::fitColumns);
    QTableView::setModel(newModel);
    m_measured.clear();
    if (!newModel)
        return;
    connect(newModel, &QAbstractItemModel::rowsInserted, this, &ErrorListView::fitColumns);
    fitColumns(QModelIndex(), 0, newModel->rowCount() - 1);
}

void ErrorListView::fitColumns(const QModelIndex& parent, int first, int last)
{
    const int columns = model()->columnCount(parent) - 1;
    if (m_measured.size() < columns)
        m_measured.resize(columns);
    for (int column = 0; column < columns; ++column) {
        Measured& measured = m_measured[column];
        const qsizetype cacheLimit = column == 0 ? 0 : measuredTextLimit;
        const int width = columnWidth(column) - (showGrid() ? 1 : 0);
        int wanted = width;
        for (int row = first; row <= last; ++row) {
            const QModelIndex index = model()->index(row, column, parent);
            const QString text = index.data().toString();
            if (text.isEmpty() || measured.texts.contains(text))
                continue;
            if (measured.texts.size() >= cacheLimit && text.size() <= measured.longest)
                continue;
            if (measured.texts.size() < cacheLimit)
                measured.texts.insert(text);
            measured.longest = std::max(measured.longest, text.size());
            wanted = std::max(wanted, sizeHintForIndex(index).width());
        }
        // The grid line is drawn inside the cell.
        if (wanted > width)
            setColumnWidth(column, wanted + (showGrid() ? 1 : 0));
    }
}

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
