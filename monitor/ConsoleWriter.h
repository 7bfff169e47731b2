#pragma once

#include "monitor/ConsoleBacklog.h"
#include "monitor/ConsoleFrames.h"
#include "monitor/ConsoleStyle.h"
#include "monitor/Message.h"

#include <QCoreApplication>
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

    // Writes a BeginSection, EndSection, DebugMessage, Info, Warning, Error or GLError frame.
    void write(const ui::messages::Message& message);
    void writeInfo(const QString& text);
    // Leaves every open section, ending at the writing position of the top level.
    void leaveAllSections();
    // The cursor is in a new, empty document (or the old one was cleared): writing starts at its
    // top level, in the given sections, which are opened again.
    void restart(const SectionStack& openSections);

    ConsoleFrames& frames() { return m_frames; }
    // Framed blocks written since the count was last reset.
    int framesMade() const { return m_framesMade; }
    void resetFramesMade() { m_framesMade = 0; }

private:
    enum class BlockKind
    {
        Section,
        Debug,
        Warning,
        Error
    };
    const console::BlockStyle& blockStyle(BlockKind kind);
    void writeSection(const ui::messages::Message& message);
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
    int m_framesMade = 0;
    std::array<console::BlockStyle, 4> m_styles;
    qint64 m_stylesKey = -1;
    QPalette::ColorGroup m_stylesGroup = QPalette::NColorGroups;
};
