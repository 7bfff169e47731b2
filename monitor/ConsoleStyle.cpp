#include "monitor/ConsoleStyle.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace console {

const char* glErrorName(std::uint32_t code)
{
    switch (code) {
    case 0:
        return "GL_NO_ERROR";
    case 0x500:
        return "GL_INVALID_ENUM";
    case 0x501:
        return "GL_INVALID_VALUE";
    case 0x502:
        return "GL_INVALID_OPERATION";
    case 0x503:
        return "GL_STACK_OVERFLOW";
    case 0x504:
        return "GL_STACK_UNDERFLOW";
    case 0x505:
        return "GL_OUT_OF_MEMORY";
    case 0x506:
        return "GL_INVALID_FRAMEBUFFER_OPERATION";
    default:
        return "";
    }
}

namespace {

// Block palettes: Base = title background, Text = title foreground, Window = frame background,
// WindowText = body text.
QPalette blockPalette(const QBrush& titleBackground, const QBrush& titleForeground,
                      const QBrush& frameBackground, const QBrush& body, const QPalette& base)
{
    QPalette palette = base;
    palette.setBrush(QPalette::Base, titleBackground);
    palette.setBrush(QPalette::Text, titleForeground);
    palette.setBrush(QPalette::Window, frameBackground);
    palette.setBrush(QPalette::WindowText, body);
    return palette;
}

// A title's band is its line, and the frame's border, in the title's colour, follows right below
// it. Many fonts draw underscores and descenders on the line's last pixel row, where they read
// as a faint line on the band's edge or not at all, while the line keeps room above its tallest
// glyphs. The glyphs are raised into that room by up to a tenth of the font's size, so that the
// band goes on below them; a font with no room above keeps its glyphs where they are. The result is
// in percent of the font's pixel size, as a character format's baseline offset is given.
qreal titleRaise(const QFont& font)
{
    const QFontMetricsF metrics(font);
    const qreal pixelSize =
        font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * metrics.fontDpi() / 72.0;
    const QRectF tallest = metrics.tightBoundingRect(QStringLiteral("BEGHKLTbdfhklt()[]{}|"));
    const qreal room = metrics.ascent() + tallest.top() - 0.25;
    const qreal raise = std::clamp(pixelSize / 10.0, qreal(0), std::max(room, qreal(0)));
    return pixelSize > 0 ? 100.0 * raise / pixelSize : 0.0;
}

} // namespace

QPalette sectionPalette(const QPalette& p)
{
    const QColor base = p.color(QPalette::Base);
    const QColor text = p.color(QPalette::Text);
    const QColor hatch(std::abs(base.red() - text.red()), std::abs(base.green() - text.green()),
                       std::abs(base.blue() - text.blue()));
    return blockPalette(p.brush(QPalette::Text), p.brush(QPalette::Base),
                        QBrush(hatch, Qt::Dense5Pattern), p.brush(QPalette::Text), p);
}

QPalette debugPalette(const QPalette& p)
{
    return blockPalette(p.brush(QPalette::Text), p.brush(QPalette::Base), p.brush(QPalette::Base),
                        p.brush(QPalette::Text), p);
}

QPalette alertPalette(const QPalette& p, const QColor& background, const QColor& foreground)
{
    return blockPalette(background, foreground, p.brush(QPalette::Base), p.brush(QPalette::Text),
                        p);
}

BlockStyle blockStyle(const QPalette& palette, QTextFrameFormat::BorderStyle borderStyle,
                      const QFont& font)
{
    BlockStyle style;
    style.title.setBackground(palette.brush(QPalette::Base));
    style.titleText.setForeground(palette.brush(QPalette::Text));
    style.titleText.setBaselineOffset(titleRaise(font));
    // The frame starts right below the title line and its border, in the title's colour, joins
    // the title band. Reaching a pixel up into the title, it would paint over the line's bottom
    // row, where underscores and descenders end (an underscore reads as a blank).
    style.frame.setTopMargin(0.0);
    style.frame.setBorderBrush(palette.brush(QPalette::Base));
    style.frame.setBorderStyle(borderStyle);
    style.frame.setBorder(1.0);
    style.frame.setPadding(5.0);
    style.frame.setBackground(palette.brush(QPalette::Window));
    style.body.setForeground(palette.brush(QPalette::WindowText));
    return style;
}

// A console lays out its text by the hundred thousand lines. Text in scripts that need no
// shaping (Latin among them) is then laid out without it, which takes about a sixth off the
// layout and costs only kerning and ligatures, rare in console fonts; scripts that need shaping
// are still shaped.
QFont layoutFont(QFont font)
{
    font.setStyleStrategy(QFont::StyleStrategy(font.styleStrategy() | QFont::PreferNoShaping));
    return font;
}

} // namespace console
