#pragma once

#include <QList>
#include <QPoint>
#include <QSet>
#include <QString>
#include <QTableView>

// The error list's table. Its context menu offers the full text of a cell, which the page shows
// in a popup; the view only reports which cell and where.
class ErrorListView : public QTableView
{
    Q_OBJECT

public:
    explicit ErrorListView(QWidget* parent = nullptr);

    void setModel(QAbstractItemModel* model) override;

signals:
    void contextMenuOpened();
    // Row and column in the view's own model; pos is global.
    void itemContentsRequested(int row, int column, QPoint pos);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Widens the columns before the last one to the texts of new rows; the last one takes what
    // the others leave.
    void fitColumns(const QModelIndex& parent, int first, int last);

    struct Measured
    {
        QSet<QString> texts;
        qsizetype longest = 0;
    };
    QList<Measured> m_measured;
};
