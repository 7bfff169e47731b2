#pragma once

#include <QFileDialog>
#include <QString>
#include <QStringList>

// What each platform supplies behind NativeFunctions.
class NativeFunctionsImpl
{
public:
    virtual ~NativeFunctionsImpl() = default;

    virtual QStringList getOpenFileNames(QWidget* parent, const QString& caption,
                                         const QString& dir, const QString& filter, bool multiple,
                                         QString* selectedFilter, QFileDialog::Options options) = 0;
    virtual QString getSaveFileName(QWidget* parent, const QString& caption, const QString& dir,
                                    const QString& filter, QString* selectedFilter,
                                    QFileDialog::Options options) = 0;
    virtual void showInFolder(const QString& path) = 0;
};
