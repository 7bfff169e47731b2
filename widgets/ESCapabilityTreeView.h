#pragma once

#include "widgets/ESTreeView.h"

#include <set>
#include <string>

class QAction;
class QMenu;

namespace widgets {

// The OpenGL ES limits and formats of each API level, with the menu that adds levels and
// limits and deletes rows.
class ESCapabilityTreeView : public ESTreeView
{
    Q_OBJECT

public:
    explicit ESCapabilityTreeView(QWidget* parent = nullptr);

    // The known limit names listed under the API row that holds `index`, and the limits that
    // may still be added there (format lists may repeat, so they are always offered).
    static std::set<std::string> usedCapabilities(const QModelIndex& index);
    static std::set<std::string> unusedCapabilities(const QModelIndex& index);

public slots:
    void onContextMenuRequested(const QPoint& pos);
    void addCapabilityTriggered();

private:
    QMenu* menu;
    QAction* addAPIAction;
    QAction* addCapabilityAction;
    QAction* deleteAction;
    QPersistentModelIndex clicked;
};

} // namespace widgets
