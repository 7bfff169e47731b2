#pragma once

#include "monitor/ClientInterface.h"

#include <QFont>
#include <QPalette>
#include <QTextFrameFormat>

#include <cstdint>

// The looks of the console's output: GL error names, the palettes of framed blocks and the
// formats made from them, and the font the console lays its text out in.
namespace console {

const char* glErrorName(std::uint32_t code);
QPalette sectionPalette(const QPalette& p);
QPalette debugPalette(const QPalette& p);
QPalette alertPalette(const QPalette& p, const QColor& background, const QColor& foreground);
ClientInterface::BlockStyle blockStyle(const QPalette& palette,
                                       QTextFrameFormat::BorderStyle borderStyle);
QFont layoutFont(QFont font);

} // namespace console
