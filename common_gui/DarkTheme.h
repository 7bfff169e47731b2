#pragma once

#include <QProxyStyle>

// An application style that turns any Qt application dark: a dark palette over "Fusion" (or a
// given base style), the application font one point larger while the style is installed, the
// kit's dark style sheet, and disabled icons drawn in flat grey.
class DarkTheme : public QProxyStyle
{
    Q_OBJECT

public:
    DarkTheme();
    explicit DarkTheme(QStyle* base);

    void polish(QApplication* app) override;
    void unpolish(QApplication* app) override;
    void polish(QPalette& palette) override;
    QPixmap generatedIconPixmap(QIcon::Mode iconMode, const QPixmap& pixmap,
                                const QStyleOption* option) const override;

    // Keeps the other polish and unpolish overloads visible beside the overrides above.
    using QProxyStyle::polish;
    using QProxyStyle::unpolish;
};
