#include "common_gui/NativeFunctionsImpl_Linux.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

QStringList NativeFunctionsImpl_Linux::getOpenFileNames(QWidget* parent, const QString& caption,
                                                        const QString& dir, const QString& filter,
                                                        bool multiple, QString* selectedFilter,
                                                        QFileDialog::Options options)
{
    if (multiple)
        return QFileDialog::getOpenFileNames(parent, caption, dir, filter, selectedFilter, options);
    const QString file =
        QFileDialog::getOpenFileName(parent, caption, dir, filter, selectedFilter, options);
    if (file.isEmpty())
        return {};
    return {file};
}

QString NativeFunctionsImpl_Linux::getSaveFileName(QWidget* parent, const QString& caption,
                                                   const QString& dir, const QString& filter,
                                                   QString* selectedFilter,
                                                   QFileDialog::Options options)
{
    return QFileDialog::getSaveFileName(parent, caption, dir, filter, selectedFilter, options);
}

void NativeFunctionsImpl_Linux::showInFolder(const QString& path)
{
    // A bare file name has "." as its folder, which as a URL would mean nothing to the desktop.
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absolutePath()));
}
