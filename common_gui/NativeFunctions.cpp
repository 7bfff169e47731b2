#include "common_gui/NativeFunctions.h"

#include "common_gui/NativeFunctionsImpl_Linux.h"

NativeFunctions::NativeFunctions() : m_impl(std::make_unique<NativeFunctionsImpl_Linux>()) {}

NativeFunctions::~NativeFunctions() = default;

QStringList NativeFunctions::getOpenFileNames(QWidget* parent, const QString& caption,
                                              const QString& dir, const QString& filter,
                                              bool multiple, QString* selectedFilter,
                                              QFileDialog::Options options)
{
    return m_impl->getOpenFileNames(parent, caption, dir, filter, multiple, selectedFilter,
                                    options);
}

QString NativeFunctions::getSaveFileName(QWidget* parent, const QString& caption,
                                         const QString& dir, const QString& filter, bool,
                                         QString* selectedFilter, QFileDialog::Options options)
{
    return m_impl->getSaveFileName(parent, caption, dir, filter, selectedFilter, options);
}

void NativeFunctions::showInFolder(const QString& path)
{
    m_impl->showInFolder(path);
}
