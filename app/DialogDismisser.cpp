#include "app/DialogDismisser.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>

DialogDismisser::DialogDismisser(QObject* parent) : QObject(parent)
{
    qApp->installEventFilter(this);
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible())
            dismiss(window);
    }
}

DialogDismisser::~DialogDismisser()
{
    qApp->removeEventFilter(this);
}

bool DialogDismisser::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && watched->isWidgetType())
        dismiss(static_cast<QWidget*>(watched));
    return false;
}

void DialogDismisser::dismiss(QWidget* window)
{
    // Queued: a dialog being shown has not started its own event loop yet.
    auto* dialog = qobject_cast<QDialog*>(window);
    if (dialog && dialog->isWindow() && dialog->isModal())
        QMetaObject::invokeMethod(dialog, &QDialog::reject, Qt::QueuedConnection);
}
