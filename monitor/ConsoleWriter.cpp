#include "monitor/ConsoleWriter.h"

#include "glvocab/GLVocabulary.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextFrame>
#include <QWidget>

using ui::messages::MessageType;

ConsoleWriter::ConsoleWriter(QTextCursor* cursor, const QWidget* view)
    : m_cursor(cursor), m_view(view), m_frames(cursor)
{}

void ConsoleWriter::write(const ConsoleEntry& entry)
{
    switch (entry.type) {
    case MessageType::BeginSection:
        writeSection(entry);
        break;
    case MessageType::EndSection:
        endSection();
        break;
    case MessageType::DebugMessage:
        writeFramed(QString::fromUtf8(glEnumName(entry.a)) + QStringLiteral(" (ID: ") +
                        QString::number(entry.b) + QStringLiteral(")\n") + tr("Severity: ") +
                        QString::fromUtf8(glEnumName(entry.c)),
                    BlockKind::Debug, entry.qtext());
        break;
    case MessageType::Info:
        writeInfo(entry.qtext());
        break;
    case MessageType::Warning:
        writeFramed(tr("Warning"), BlockKind::Warning, entry.qtext());
        break;
    case MessageType::Error:
        writeFramed(tr("Error"), BlockKind::Error, entry.qtext());
        break;
    case MessageType::GLError:
        writeFramed(tr("Error - ") + QString::fromUtf8(console::glErrorName(entry.a)) + tr(" in ") +
                        QString::fromUtf8(entry.function),
                    BlockKind::Error, entry.qtext());
        break;
    case ConsoleEntry::Closing:
        // The end of the document: behind every section frame still open.
        leaveAllSections();
        writeInfo(entry.qtext());
        break;
    default:
        break;
    }
}

void ConsoleWriter::leaveAllSections()
{
    m_frames.leaveAllSections();
    m_flatSections = 0;
}

void ConsoleWriter::restart()
{
    m_frames.reset();
    m_flatSections = 0;
    m_lastOutputFramed = false;
}

void ConsoleWriter::openSections(const SectionStack& sections)
{
    for (const ConsoleEntry& section : sections.open())
        writeSection(section);
    m_flatSections += sections.deeper();
}

void ConsoleWriter::writeSection(const ConsoleEntry& entry)
{
    const QString title =
        entry.qtext() + QStringLiteral(" (ID: ") + QString::number(entry.a) + QLatin1Char(')');
    if (m_frames.openSections() >= maxSectionDepth) {
        // Too deep to nest: the title goes in as plain text in the innermost frame.
        ++m_flatSections;
        writeInfo(title);
        return;
    }
    m_frames.enterSection(beginBlock(title, blockStyle(BlockKind::Section)));
}

void ConsoleWriter::endSection()
{
    if (m_flatSections > 0) {
        --m_flatSections;
        return;
    }
    endBlock(true);
}

const console::BlockStyle& ConsoleWriter::blockStyle(BlockKind kind)
{
    // A block's formats follow the console's palette and font; working them out takes longer
    // than writing a short message, so they are kept until either changes.
    const QPalette& p = m_view->palette();
    const QFont font = m_cursor->document()->defaultFont();
    if (p.cacheKey() != m_stylesKey || p.currentColorGroup() != m_stylesGroup ||
        font != m_stylesFont) {
        m_stylesKey = p.cacheKey();
        m_stylesGroup = p.currentColorGroup();
        m_stylesFont = font;
        const auto solid = QTextFrameFormat::BorderStyle_Solid;
        m_styles[int(BlockKind::Section)] = console::blockStyle(
            console::sectionPalette(p), QTextFrameFormat::BorderStyle_Dotted, font);
        m_styles[int(BlockKind::Debug)] =
            console::blockStyle(console::debugPalette(p), solid, font);
        m_styles[int(BlockKind::Warning)] = console::blockStyle(
            console::alertPalette(p, QColor(255, 255, 0), Qt::black), solid, font);
        m_styles[int(BlockKind::Error)] = console::blockStyle(
            console::alertPalette(p, QColor(255, 0, 0), Qt::white), solid, font);
    }
    return m_styles[int(kind)];
}

void ConsoleWriter::writeFramed(const QString& title, BlockKind kind, const QString& text)
{
    beginBlock(title, blockStyle(kind));
    m_cursor->insertText(text);
    moveToEndOfBlock();
    endBlock();
}

QTextFrame* ConsoleWriter::beginBlock(const QString& title, const console::BlockStyle& style)
{
    if (!m_lastOutputFramed)
        m_cursor->insertText(QStringLiteral("\n\n"));
    m_frames.prepareItem();

    m_cursor->setBlockFormat(style.title);
    m_cursor->insertText(title, style.titleText);
    moveToEndOfBlock();
    // Qt gives the blocks inside and behind a new frame the default block format, so only the
    // body's character format needs setting.
    QTextFrame* frame = m_cursor->insertFrame(style.frame);
    m_cursor->setCharFormat(style.body);
    m_lastOutputFramed = true;
    return frame;
}

void ConsoleWriter::endBlock(bool leaveSection)
{
    // A section's contents may sit in containers of their own, so the way out of it is known
    // to the frame tree; with no section open the writing position already is the end.
    if (!leaveSection)
        moveToNextBlock();
    else if (m_frames.openSections() > 0)
        m_frames.leaveSection();
    m_cursor->setCharFormat(QTextCharFormat());
    m_cursor->insertText(QStringLiteral("\n"));
}

void ConsoleWriter::writeInfo(const QString& text)
{
    if (!m_cursor->block().text().isEmpty())
        m_cursor->insertText(QStringLiteral("\n"));
    m_cursor->insertText(text);
    moveToEndOfBlock();
    m_lastOutputFramed = false;
}

// QTextCursor::movePosition lays the block out first, to support visual moves; these logical
// moves need no layout, which is done once per batch instead.
void ConsoleWriter::moveToEndOfBlock()
{
    const QTextBlock block = m_cursor->block();
    m_cursor->setPosition(block.position() + block.length() - 1);
}

void ConsoleWriter::moveToNextBlock()
{
    const QTextBlock next = m_cursor->block().next();
    if (next.isValid())
        m_cursor->setPosition(next.position());
}
