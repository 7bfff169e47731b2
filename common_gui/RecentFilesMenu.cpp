#include "common_gui/RecentFilesMenu.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QTextDocument>
#include <QToolTip>

RecentFilesMenu::RecentFilesMenu(const QString& title, QWidget* parent) : QMenu(title, parent) {}

bool RecentFilesMenu::event(QEvent* e)
{
    if (e->type() != QEvent::ToolTip)
        return QMenu::event(e);
    const QAction* action = activeAction();
    if (action && !action->toolTip().isEmpty() && action->property("ARecentFile").isValid()) {
        // A tool tip that looks like markup is rendered as markup; a path is only ever text.
        QToolTip::showText(static_cast<QHelpEvent*>(e)->globalPos(),
                           Qt::convertFromPlainText(action->toolTip(), Qt::WhiteSpaceNoWrap), this);
        return true;
    }
    QToolTip::hideText();
    e->ignore();
    return true;
}

void RecentFilesMenu::mouseMoveEvent(QMouseEvent* e)
{
    QMenu::mouseMoveEvent(e);
    // Leaving an entry for another (or for none) takes the old entry's tool tip away with it.
    const QAction* active = activeAction();
    if (active && actionAt(e->position().toPoint()) != active) {
        setActiveAction(nullptr);
        QToolTip::hideText();
    }
}
