#pragma once

#include <QPoint>
#include <QTableView>

// The error list's table. Its context menu offers the full text of a cell, which the page shows
// in a popup; the view only reports which cell and where.
class ErrorListView : public QTableView
{
    Q_OBJECT

public:
    explicit ErrorListView(QWidget* parent = nullptr);

signals:
    void contextMenuOpened();
    // Row and column in the view's own model; pos is global.
    void itemContentsRequested(int row, int column, QPoint pos);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
};
