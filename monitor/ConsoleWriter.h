#pragma once

#include "monitor/ConsoleEntry.h"
#include "monitor/ConsoleFrames.h"
#include "monitor/ConsoleStyle.h"

#include <QCoreApplication>
#include <QFont>
#include <QPalette>
#include <QString>

#include <array>

class QTextCursor;
class QTextFrame;
class QWidget;

// Writes console frames at the writing position of the console's document: sections and
// framed messages as frames with a title line, infos as lines of text. Layout is left to the
// caller, which does it once per batch.
class ConsoleWriter
{
    Q_DECLARE_TR_FUNCTIONS(ConsoleWriter)

public:
    // Sections nested deeper than this are shown flat: the document layout recurses per level.
    static constexpr int maxSectionDepth = 32;

    // The writing position is the cursor's; the block colours follow the view's palette.
    ConsoleWriter(QTextCursor* cursor, const QWidget* view);

    // Writes a BeginSection, EndSection, DebugMessage, Info, Warning, Error or GLError entry, or
    // the page's closing line behind every open section.
    void write(const ConsoleEntry& entry);
    void writeInfo(const QString& text);
    // The cursor is in a new, empty document (or the old one was cleared): writing starts at its
    // top level.
    void restart();
    // Opens the given sections again, as when their BeginSection entries came.
    void openSections(const SectionStack& sections);

private:
    enum class BlockKind
    {
        Section,
        Debug,
        Warning,
        Error
    };
    const console::BlockStyle& blockStyle(BlockKind kind);
    void writeSection(const ConsoleEntry& entry);
    void leaveAllSections();
    void endSection();
    void writeFramed(const QString& title, BlockKind kind, const QString& text);
    QTextFrame* beginBlock(const QString& title, const console::BlockStyle& style);
    void endBlock(bool leaveSection = false);
    void moveToEndOfBlock();
    void moveToNextBlock();

    QTextCursor* m_cursor;
    const QWidget* m_view;
    ConsoleFrames m_frames;
    int m_flatSections = 0; // sections opened beyond maxSectionDepth, shown flat
    bool m_lastOutputFramed = false;
    std::array<console::BlockStyle, 4> m_styles;
    qint64 m_stylesKey = -1;
    QPalette::ColorGroup m_stylesGroup = QPalette::NColorGroups;
    QFont m_stylesFont;
};
