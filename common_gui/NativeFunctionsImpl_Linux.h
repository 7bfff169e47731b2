#pragma once

#include "common_gui/NativeFunctionsImpl.h"

// Qt's own file dialogs and the desktop's URL opener.
class NativeFunctionsImpl_Linux : public NativeFunctionsImpl
{
public:
    QStringList getOpenFileNames(QWidget* parent, const QString& caption, const QString& dir,
                                 const QString& filter, bool multiple, QString* selectedFilter,
                                 QFileDialog::Options options) override;
    QString getSaveFileName(QWidget* parent, const QString& caption, const QString& dir,
                            const QString& filter, QString* selectedFilter,
                            QFileDialog::Options options) override;
    void showInFolder(const QString& path) override;
};
