#pragma once

#include "monitor/Message.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// One message that a console keeps, in the few bytes it needs rather than a whole frame: the
// console writes it again when its document is renewed.
struct ConsoleEntry
{
    // The frame types from BeginSection to GLError, and the page's own closing line.
    static constexpr std::uint32_t Closing = 0x10000;

    std::uint32_t type = 0;
    // Section id; debug message type, id and severity; GL error code.
    std::uint32_t a = 0;
    std::uint32_t b = 0;
    std::uint32_t c = 0;
    QByteArray text; // UTF-8, as it came
    QByteArray function;
    // Where the entry starts in the console's document, and in the one being built to replace
    // it: a reader's place is found again by it.
    int position = 0;
    int nextPosition = 0;

    static ConsoleEntry fromMessage(const ui::messages::Message& message);
    static ConsoleEntry closing(const QString& text);
    QString qtext() const { return QString::fromUtf8(text); }
};

// The BeginSection entries of the sections open at some point of a console's output, outermost
// first. Sections nested deeper than the console shows are only counted.
class SectionStack
{
public:
    explicit SectionStack(int depth) : m_depth(depth) {}

    // Follows one more entry: a section opens or closes, or the closing line leaves them all.
    void follow(const ConsoleEntry& entry);
    void clear();

    const std::vector<ConsoleEntry>& open() const { return m_open; }
    int deeper() const { return m_deeper; }

private:
    int m_depth;
    std::vector<ConsoleEntry> m_open;
    int m_deeper = 0;
};
