#pragma once

#include <QFont>
#include <QPalette>
#include <QTextFormat>

#include <cstdint>

// The looks of the console's output: GL error names, the palettes of framed blocks and the
// formats made from them, and the font the console lays its text out in.
namespace console {

// The formats of one kind of framed block: its title line, its frame and its body text.
struct BlockStyle
{
    QTextBlockFormat title;
    QTextCharFormat titleText;
    QTextFrameFormat frame;
    QTextCharFormat body;
};

const char* glErrorName(std::uint32_t code);
QPalette sectionPalette(const QPalette& p);
QPalette debugPalette(const QPalette& p);
QPalette alertPalette(const QPalette& p, const QColor& background, const QColor& foreground);
// The font is the one the console lays its titles out in.
BlockStyle blockStyle(const QPalette& palette, QTextFrameFormat::BorderStyle borderStyle,
                      const QFont& font);
QFont layoutFont(QFont font);

} // namespace console
