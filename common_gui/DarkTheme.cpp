#include "common_gui/DarkTheme.h"

#include "common_gui/CommonGUIExtraResources.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QStyleFactory>

namespace {

void adjustApplicationFont(int points)
{
    QFont font = QApplication::font();
    // A font sized in pixels has no point size to change.
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() + points);
    else if (font.pixelSize() > 0)
        font.setPixelSize(font.pixelSize() + points);
    QApplication::setFont(font);
}

} // namespace

DarkTheme::DarkTheme() : DarkTheme(QStyleFactory::create(QStringLiteral("Fusion"))) {}

DarkTheme::DarkTheme(QStyle* base) : QProxyStyle(base)
{
    initCommonGUIExtraResources();
}

void DarkTheme::polish(QPalette& palette)
{
    const QColor white(255, 255, 255);
    const QColor grey(127, 127, 127);
    const QColor window(53, 53, 53);
    const QColor blue(42, 130, 218);

    // Order matters: each disabled colour overrides the one set for every group just before it.
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, white);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, grey);
    palette.setColor(QPalette::Base, QColor(42, 42, 42));
    palette.setColor(QPalette::AlternateBase, QColor(66, 66, 66));
    palette.setColor(QPalette::ToolTipBase, white);
    palette.setColor(QPalette::ToolTipText, window);
    palette.setColor(QPalette::Text, white);
    palette.setColor(QPalette::Disabled, QPalette::Text, grey);
    palette.setColor(QPalette::Dark, QColor(35, 35, 35));
    palette.setColor(QPalette::Shadow, QColor(20, 20, 20));
    palette.setColor(QPalette::Button, window);
    palette.setColor(QPalette::ButtonText, white);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, grey);
    palette.setColor(QPalette::BrightText, QColor(255, 0, 0));
    palette.setColor(QPalette::Link, blue);
    palette.setColor(QPalette::Highlight, blue);
    palette.setColor(QPalette::Disabled, QPalette::Highlight, QColor(80, 80, 80));
    palette.setColor(QPalette::HighlightedText, white);
    palette.setColor(QPalette::Disabled, QPalette::HighlightedText, grey);
    palette.setColor(QPalette::PlaceholderText, grey);
}

void DarkTheme::polish(QApplication* app)
{
    if (!app)
        return;
    adjustApplicationFont(1);
    QFile sheet(QStringLiteral(":/CommonGUIElements/darkTheme_style"));
    if (sheet.open(QIODevice::ReadOnly | QIODevice::Text)) {
        app->setStyleSheet(QString::fromLatin1(sheet.readAll()));
        sheet.close();
    }
}

void DarkTheme::unpolish(QApplication* app)
{
    if (!app)
        return;
    adjustApplicationFont(-1);
}

QPixmap DarkTheme::generatedIconPixmap(QIcon::Mode iconMode, const QPixmap& pixmap,
                                       const QStyleOption* option) const
{
    if (iconMode != QIcon::Disabled)
        return QProxyStyle::generatedIconPixmap(iconMode, pixmap, option);
    QPixmap grey = pixmap;
    QPainter painter(&grey);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(grey.rect(), QColor(100, 100, 100));
    painter.end();
    return grey;
}
