#pragma once

#include "widgets/ProfileTreeView.h"

#include <set>

class QAction;
class QMenu;

namespace models {
class ProfileTreeItem;
}

namespace widgets {

// The EGL configurations with their attributes, with the menu that adds configurations and
// attributes and deletes rows.
class EGLConfigTreeView : public ProfileTreeView
{
    Q_OBJECT

public:
    explicit EGLConfigTreeView(QWidget* parent = nullptr);

    // The attribute values listed under a configuration row, and the attributes that may still
    // be added (bit-mask attributes repeat, so they are always offered).
    static std::set<int> usedAttribs(const models::ProfileTreeItem* config);
    static std::set<int> unusedAttribs(const models::ProfileTreeItem* config);

public slots:
    void onContextMenuRequested(const QPoint& pos);
    void addConfigTriggered();
    void addAttribTriggered();

private:
    QMenu* menu;
    QAction* addConfigAction;
    QAction* addAttribAction;
    QAction* deleteAction;
    QPersistentModelIndex clicked;
};

} // namespace widgets
