#pragma once

#include <QListWidget>
#include <QStringList>

// The files chosen for import, one path per item. Delete removes the selected items.
class FileListWidget : public QListWidget
{
    Q_OBJECT

public:
    explicit FileListWidget(QWidget* parent = nullptr);

    // Appends the paths, duplicates included.
    void addFiles(const QStringList& paths);
    void clearFiles();

signals:
    // After every change the widget makes to its items.
    void itemsChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
