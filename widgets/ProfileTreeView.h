#pragma once

#include <QModelIndex>
#include <QTreeView>

namespace widgets {

// Common base of the three profile tree views: the look of the cell editors, column 0 kept
// fitted to its contents while the last column takes what is left (but never less than its
// contents: a view too narrow for a value scrolls), and the delete action that the concrete
// views put in their menus.
class ProfileTreeView : public QTreeView
{
    Q_OBJECT

public:
    explicit ProfileTreeView(QWidget* parent = nullptr);

    // Context menus only in edit mode; in view mode a right click does nothing.
    void setEditable(bool editable);
    // A null model only clears the view.
    void setModel(QAbstractItemModel* model) override;

    // The top-level row that holds `index` (the index itself for a top-level row).
    static QModelIndex topLevelIndex(const QModelIndex& index);

public slots:
    void deleteItemTriggered();
    void resizeToFit();

protected:
    // The column-0 index of the row under `pos`, wherever in the row the click landed; invalid
    // on empty space. Selects that row so that "Delete" removes the row the menu was opened on.
    QModelIndex rowAt(const QPoint& pos);
    // Where a new child of `top` goes when the menu was opened on `clicked`: first under a
    // clicked top-level row, otherwise right after the clicked row's ancestor among top's
    // children (a click on a sub-key row adds after its capability).
    static int childInsertPosition(const QModelIndex& top, const QModelIndex& clicked);
};

} // namespace widgets
