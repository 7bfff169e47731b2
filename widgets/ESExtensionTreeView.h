#pragma once

#include "widgets/ESTreeView.h"

#include <QStringList>

class QAction;
class QMenu;

namespace models {
class ProfileTreeItem;
}

namespace widgets {

// The OpenGL ES extensions of each API level, with the menu that adds levels and extensions
// and deletes rows.
class ESExtensionTreeView : public ESTreeView
{
    Q_OBJECT

public:
    explicit ESExtensionTreeView(QWidget* parent = nullptr);

    // The names listed under an API row, in row order, and the known extensions not among them
    // ("GL_"-prefixed, sorted case-sensitively). A listed name counts with or without its prefix.
    static QStringList usedExtensions(const models::ProfileTreeItem* api);
    static QStringList unusedExtensions(const models::ProfileTreeItem* api);

public slots:
    void onContextMenuRequested(const QPoint& pos);
    void addExtensionTriggered();

private:
    QMenu* menu;
    QAction* addAPIAction;
    QAction* addExtensionAction;
    QAction* deleteAction;
    QPersistentModelIndex clicked;
};

} // namespace widgets
