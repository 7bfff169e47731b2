#pragma once

#include <QString>

#include <string>
#include <string_view>

// Profile texts are bytes, usually UTF-8. Shown in a widget, bytes that are not UTF-8 would
// become U+FFFD and be written back as such: a profile would change by being opened and saved.
// These two keep them instead: each such byte becomes one lone surrogate (U+DC80 to U+DCFF),
// which no UTF-8 text decodes to, and turns back into the same byte. Valid UTF-8 is decoded and
// encoded as QString::fromUtf8 and QString::toUtf8 do.
QString textFromBytes(std::string_view bytes);
std::string bytesFromText(const QString& text);
