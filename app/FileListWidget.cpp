#include "app/FileListWidget.h"

#include <QKeyEvent>

FileListWidget::FileListWidget(QWidget* parent) : QListWidget(parent) {}

void FileListWidget::addFiles(const QStringList& paths)
{
    addItems(paths);
    emit itemsChanged();
}

void FileListWidget::clearFiles()
{
    clear();
    emit itemsChanged();
}

void FileListWidget::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Delete) {
        const QList<QListWidgetItem*> selected = selectedItems();
        if (!selected.isEmpty()) {
            qDeleteAll(selected);
            emit itemsChanged();
        }
        event->accept();
        return;
    }
    // Other keys neither move nor change the selection here; they go on to the dialog, so
    // Escape and Enter still close it.
    event->ignore();
}
