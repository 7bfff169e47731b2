#pragma once

#include <QMenu>

// A menu that shows the full path of a recent-file entry as its tool tip; menus show no tool
// tips of their own, and the entries' texts are elided.
class RecentFilesMenu : public QMenu
{
    Q_OBJECT

public:
    RecentFilesMenu(const QString& title, QWidget* parent);

protected:
    bool event(QEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
};
