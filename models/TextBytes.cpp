#include "models/TextBytes.h"

#include <QByteArrayView>

namespace {

constexpr char16_t escapeBase = 0xDC00;

// The length of the well-formed UTF-8 sequence at the start of bytes, 0 when there is none
// (a stray continuation byte, a truncated or overlong sequence, an encoded surrogate or a code
// point beyond U+10FFFF). code receives the code point.
std::size_t sequenceAt(std::string_view bytes, char32_t& code)
{
    const auto byte = [&bytes](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1F, minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0F, minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (bytes.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

bool isEscape(char16_t unit)
{
    return unit >= escapeBase + 0x80 && unit <= escapeBase + 0xFF;
}

// Whether the text holds a surrogate that is not half of a pair: only then is it not plain
// UTF-16 that toUtf8 encodes as it stands.
bool hasLoneSurrogate(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return true;
    }
    return false;
}

} // namespace

QString textFromBytes(std::string_view bytes)
{
    if (QByteArrayView(bytes.data(), qsizetype(bytes.size())).isValidUtf8())
        return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));

    QString text;
    text.reserve(qsizetype(bytes.size()));
    while (!bytes.empty()) {
        char32_t code = 0;
        const auto lead = static_cast<unsigned char>(bytes.front());
        std::size_t length = 1;
        if (lead < 0x80) {
            text.append(QChar(char16_t(lead)));
        } else if ((length = sequenceAt(bytes, code)) != 0) {
            text.append(QString::fromUcs4(&code, 1));
        } else {
            text.append(QChar(char16_t(escapeBase + lead)));
            length = 1;
        }
        bytes.remove_prefix(length);
    }
    return text;
}

std::string bytesFromText(const QString& text)
{
    if (!hasLoneSurrogate(text))
        return text.toUtf8().toStdString();

    std::string bytes;
    for (qsizetype start = 0, i = 0; i <= text.size(); ++i) {
        const bool escape = i < text.size() && isEscape(text.at(i).unicode()) &&
                            !(i > 0 && text.at(i - 1).isHighSurrogate());
        if (!escape && i < text.size())
            continue;
        bytes += QStringView(text).mid(start, i - start).toUtf8().toStdString();
        if (escape)
            bytes += static_cast<char>(text.at(i).unicode() - escapeBase);
        start = i + 1;
    }
    return bytes;
}
