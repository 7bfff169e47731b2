#pragma once

#include <QFileDialog>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class NativeFunctionsImpl;

// Platform services behind one front: file open and save dialogs, and showing a file's folder
// in the desktop's file manager.
class NativeFunctions : public QObject
{
    Q_OBJECT

public:
    NativeFunctions();
    ~NativeFunctions() override;

    // With multiple false the list holds the one chosen file, or nothing when cancelled.
    QStringList getOpenFileNames(QWidget* parent, const QString& caption = QString(),
                                 const QString& dir = QString(), const QString& filter = QString(),
                                 bool multiple = false, QString* selectedFilter = nullptr,
                                 QFileDialog::Options options = QFileDialog::Options());
    // The empty text when cancelled; multiple is ignored.
    QString getSaveFileName(QWidget* parent, const QString& caption = QString(),
                            const QString& dir = QString(), const QString& filter = QString(),
                            bool multiple = false, QString* selectedFilter = nullptr,
                            QFileDialog::Options options = QFileDialog::Options());
    // Opens the folder that holds path; a relative path is taken from the current directory.
    void showInFolder(const QString& path);

private:
    std::unique_ptr<NativeFunctionsImpl> m_impl;
};
