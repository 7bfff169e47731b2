#include "widgets/ProfileTreeView.h"

#include <QEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPointer>

#include <utility>

namespace widgets {

namespace {

// Fits the columns again when the view's width changes, since what the last column may take
// changes with it.
class WidthWatch : public QObject
{
public:
    explicit WidthWatch(ProfileTreeView* view) : QObject(view), m_view(view)
    {
        view->viewport()->installEventFilter(this);
    }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Resize && m_view->model())
            m_view->resizeToFit();
        return false;
    }

private:
    ProfileTreeView* m_view;
};

} // namespace

ProfileTreeView::ProfileTreeView(QWidget* parent) : QTreeView(parent)
{
    setStyleSheet(QStringLiteral("QLineEdit, QSpinBox { background-color: white; }"));
    new WidthWatch(this);
}

void ProfileTreeView::setEditable(bool editable)
{
    setContextMenuPolicy(editable ? Qt::CustomContextMenu : Qt::NoContextMenu);
}

void ProfileTreeView::setModel(QAbstractItemModel* newModel)
{
    // The editor gives its views a new model for every profile it shows: the old model's
    // connection and the selection model that QAbstractItemView made for it must not pile up.
    if (QAbstractItemModel* old = model())
        disconnect(old, &QAbstractItemModel::dataChanged, this, &ProfileTreeView::resizeToFit);
    QPointer<QItemSelectionModel> oldSelection = selectionModel();

    QTreeView::setModel(newModel);

    if (oldSelection && oldSelection != selectionModel() && oldSelection->parent() == this)
        delete oldSelection;
    if (!newModel)
        return;
    resizeToFit();
    connect(newModel, &QAbstractItemModel::dataChanged, this, &ProfileTreeView::resizeToFit,
            Qt::UniqueConnection);
    // Queued: QTreeView emits expanded() from inside its own layout pass when it expands a row
    // with its children (expandAll(), the '*' key), and fitting the column there lays the rows
    // out anew under the running pass, which then reads freed memory.
    connect(this, &QTreeView::expanded, this, &ProfileTreeView::resizeToFit,
            Qt::ConnectionType(Qt::QueuedConnection | Qt::UniqueConnection));
}

void ProfileTreeView::resizeToFit()
{
    resizeColumnToContents(0);
    QHeaderView* columns = header();
    const int last = columns->count() - 1;
    if (last < 1)
        return;
    const int needed = sizeHintForColumn(last);
    const bool fits =
        needed <= viewport()->width() - (columns->length() - columns->sectionSize(last));
    if (columns->stretchLastSection() != fits)
        columns->setStretchLastSection(fits);
    if (!fits)
        columns->resizeSection(last, needed);
}

QModelIndex ProfileTreeView::topLevelIndex(const QModelIndex& index)
{
    const QAbstractItemModel* m = index.model();
    if (!m)
        return index;
    QModelIndex current = index;
    for (QModelIndex up = m->parent(current); up.isValid(); up = m->parent(current))
        current = up;
    return current;
}

void ProfileTreeView::deleteItemTriggered()
{
    QAbstractItemModel* m = model();
    if (!m || !selectionModel())
        return;
    // Both columns of a row are selected; each row goes once. Persistent indexes follow the
    // rows that earlier removals move, and drop out when an ancestor has gone already.
    QList<QPersistentModelIndex> rows;
    for (const QModelIndex& index : selectedIndexes()) {
        const QPersistentModelIndex row(index.sibling(index.row(), 0));
        if (row.isValid() && !rows.contains(row))
            rows.append(row);
    }
    for (const QPersistentModelIndex& row : std::as_const(rows)) {
        if (row.isValid())
            m->removeRows(row.row(), 1, m->parent(row));
    }
}

QModelIndex ProfileTreeView::rowAt(const QPoint& pos)
{
    QModelIndex index = indexAt(pos);
    // Column 1 of a row with children has no index of its own; the click still means the row.
    if (!index.isValid() && columnAt(pos.x()) >= 0)
        index = indexAt(QPoint(columnViewportPosition(0), pos.y()));
    if (!index.isValid())
        return {};
    index = index.sibling(index.row(), 0);
    if (QItemSelectionModel* selection = selectionModel()) {
        // A row with children has no column 1, so a whole-row selection of it would be empty.
        QModelIndex last = index;
        for (QModelIndex next = index.siblingAtColumn(1); next.isValid();
             next = next.siblingAtColumn(next.column() + 1))
            last = next;
        selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
        selection->select(QItemSelection(index, last), QItemSelectionModel::ClearAndSelect);
    }
    return index;
}

int ProfileTreeView::childInsertPosition(const QModelIndex& top, const QModelIndex& clicked)
{
    if (!clicked.isValid() || clicked == top)
        return 0;
    QModelIndex child = clicked;
    while (child.isValid() && child.parent() != top)
        child = child.parent();
    return child.isValid() ? child.row() + 1 : 0;
}

} // namespace widgets
