#include "monitor/ClientInterface.h"

#include "glvocab/GLVocabulary.h"
#include "monitor/Client.h"
#include "monitor/ContextInterface.h"
#include "monitor/ErrorListFilterProxyModel.h"
#include "monitor/ErrorListView.h"
#include "ui_ClientInterface.h"

#include <QDialog>
#include <QHeaderView>
#include <QLocalSocket>
#include <QPalette>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdlib>

namespace layout = ui::messages::layout;
using ui::messages::Message;
using ui::messages::MessageType;

namespace {

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

QPalette warningPalette(const QPalette& p)
{
    return alertPalette(p, QColor(255, 255, 0), Qt::black);
}

QPalette errorPalette(const QPalette& p)
{
    return alertPalette(p, QColor(255, 0, 0), Qt::white);
}

} // namespace

ClientInterface::ClientInterface(QWidget* parent, Client* client, const QFont& consoleFont)
    : QWidget(parent), ui(nullptr), m_document(new QTextDocument(this)),
      m_cursor(new QTextCursor(m_document)), m_errorListModel(new ErrorListModel(this)),
      m_errorListProxy(new ErrorListFilterProxyModel(this, m_errorListModel)), m_client(client)
{
    // The console is append-only; an undo history would only hold a second copy of it.
    m_document->setUndoRedoEnabled(false);

    ui = new Ui::ClientInterface;
    ui->setupUi(this);
    m_errorListView = new ErrorListView(ui->tab_errorlist);
    ui->errorListLayout->addWidget(m_errorListView);
    m_cursor->setBlockFormat(QTextBlockFormat());
    m_cursor->setCharFormat(QTextCharFormat());
    ui->txtConsole->setDocument(m_document);
    ui->txtConsole->setFont(consoleFont);
    m_errorListView->setModel(m_errorListProxy);
    m_errorListView->horizontalHeader()->setStretchLastSection(true);

    connect(ui->btnClear, SIGNAL(clicked()), ui->txtConsole, SLOT(clear()));
    connect(ui->chkWireframe, SIGNAL(stateChanged(int)), this, SLOT(wireframeStateChanged(int)));
    connect(ui->txtConsole->verticalScrollBar(), SIGNAL(sliderMoved(int)), this,
            SLOT(uncheckConsoleAutoScroll()));
    connect(m_errorListView->verticalScrollBar(), SIGNAL(sliderMoved(int)), this,
            SLOT(uncheckErrorListAutoScroll()));
    connect(m_errorListView, SIGNAL(contextMenuOpened()), this, SLOT(uncheckErrorListAutoScroll()));
    connect(m_errorListView, SIGNAL(itemContentsRequested(int, int, QPoint)), this,
            SLOT(showErrorListItemContents(int, int, QPoint)));
    connect(ui->chkWarnings, SIGNAL(stateChanged(int)), this,
            SLOT(errorListWarningsStateChanged(int)));
    connect(ui->chkErrors, SIGNAL(stateChanged(int)), this, SLOT(errorListErrorsStateChanged(int)));

    // Clearing removes every open section frame along with the text.
    connect(ui->btnClear, &QPushButton::clicked, this, [this] {
        m_sectionDepth = 0;
        m_flatSections = 0;
    });
    // The client dispatches all buffered frames in one go from its readyRead handler; this
    // handler runs right after it, so the burst's batch closes before control returns to the
    // event loop even when the client stopped early.
    if (m_client && m_client->socket())
        connect(m_client->socket(), &QLocalSocket::readyRead, this, &ClientInterface::endBatch);
}

ClientInterface::~ClientInterface()
{
    endBatch();
    delete m_cursor;
    delete ui;
}

void ClientInterface::setConnected()
{
    m_state = Connected;
}

void ClientInterface::receive(const Message& message)
{
    beginBatch();
    switch (message.type()) {
    case MessageType::BeginSection:
        writeSection(message);
        break;
    case MessageType::EndSection:
        endSection();
        break;
    case MessageType::DebugMessage:
        writeDebugMessage(message);
        break;
    case MessageType::Info:
        writeInfo(message.qtext(layout::text));
        break;
    case MessageType::Warning:
        writeWarning(message);
        break;
    case MessageType::Error:
        writeError(message);
        break;
    case MessageType::GLError:
        writeGLError(message);
        break;
    case MessageType::ContextInfo:
        openContextTab(message);
        break;
    default:
        break;
    }
    if (!m_client || !m_client->hasBufferedFrame())
        endBatch();
}

void ClientInterface::beginBatch()
{
    if (m_batchOpen)
        return;
    m_batchOpen = true;
    m_cursor->beginEditBlock();
    // Should the burst end without passing through endBatch (a caller driving the client
    // directly, say), the event loop closes the batch on its next turn.
    if (!m_batchFlushQueued) {
        m_batchFlushQueued = true;
        QTimer::singleShot(0, this, [this] {
            m_batchFlushQueued = false;
            endBatch();
        });
    }
}

void ClientInterface::endBatch()
{
    if (!m_batchOpen)
        return;
    m_batchOpen = false;
    m_cursor->endEditBlock();
    if (!m_pendingRows.isEmpty()) {
        m_errorListModel->append(m_pendingRows);
        m_pendingRows.clear();
        if (ui->chkErrorListAutoScroll->isChecked())
            m_errorListView->scrollToBottom();
    }
    if (m_consoleScrollPending) {
        m_consoleScrollPending = false;
        if (ui->chkConsoleAutoScroll->isChecked()) {
            ui->txtConsole->setTextCursor(*m_cursor);
            ui->txtConsole->ensureCursorVisible();
        }
    }
}

void ClientInterface::consoleAutoScroll()
{
    // Done once when the batch closes: the view only needs to show where the burst ended.
    m_consoleScrollPending = true;
}

void ClientInterface::fontChanged(const QFont& font)
{
    ui->txtConsole->setFont(font);
}

void ClientInterface::finish(const QString& text)
{
    beginBatch();
    m_cursor->movePosition(QTextCursor::End);
    writeInfo(text);
    endBatch();
    m_state = Finished;
}

void ClientInterface::wireframeStateChanged(int state)
{
    // A finished page's client may already be gone or talking to nobody.
    if (!m_client || m_state != Connected)
        return;
    if (state == Qt::Checked)
        m_client->wireframeOn();
    else if (state == Qt::Unchecked)
        m_client->wireframeOff();
}

void ClientInterface::uncheckConsoleAutoScroll()
{
    ui->chkConsoleAutoScroll->setChecked(false);
}

void ClientInterface::uncheckErrorListAutoScroll()
{
    ui->chkErrorListAutoScroll->setChecked(false);
}

void ClientInterface::errorListWarningsStateChanged(int state)
{
    m_errorListProxy->setShowWarnings(state == Qt::Checked);
}

void ClientInterface::errorListErrorsStateChanged(int state)
{
    m_errorListProxy->setShowErrors(state == Qt::Checked);
}

void ClientInterface::showErrorListItemContents(int row, int column, QPoint pos)
{
    const QModelIndex index = m_errorListProxy->index(row, column);
    if (!index.isValid())
        return;
    QPointer<QDialog> popup = new QDialog(nullptr, Qt::Popup);
    popup->setAttribute(Qt::WA_DeleteOnClose, false);
    auto* layout = new QVBoxLayout(popup);
    auto* text = new QTextEdit(popup);
    text->setReadOnly(true);
    text->setPlainText(index.data(Qt::DisplayRole).toString());
    layout->addWidget(text);
    popup->move(pos);
    popup->exec();
    delete popup.data();
}

void ClientInterface::writeSection(const Message& message)
{
    const QString title = message.qtext(layout::sectionTitle) + QStringLiteral(" (ID: ") +
                          QString::number(message.u32(layout::sectionId)) + QLatin1Char(')');
    if (m_sectionDepth >= maxSectionDepth) {
        // Too deep to nest: the title goes in as plain text in the innermost frame.
        ++m_flatSections;
        writeInfo(title);
        return;
    }
    beginBlock(title, sectionPalette(ui->txtConsole->palette()),
               QTextFrameFormat::BorderStyle_Dotted);
    ++m_sectionDepth;
    consoleAutoScroll();
}

void ClientInterface::endSection()
{
    if (m_flatSections > 0) {
        --m_flatSections;
        return;
    }
    if (m_sectionDepth > 0)
        --m_sectionDepth;
    endBlock();
}

void ClientInterface::writeDebugMessage(const Message& message)
{
    const QString title = QString::fromUtf8(glEnumName(message.u32(layout::debugType))) +
                          QStringLiteral(" (ID: ") + QString::number(message.u32(layout::debugId)) +
                          QStringLiteral(")\n") + tr("Severity: ") +
                          QString::fromUtf8(glEnumName(message.u32(layout::debugSeverity)));
    writeFramed(title, debugPalette(ui->txtConsole->palette()), message.qtext(layout::debugText));
    consoleAutoScroll();
}

void ClientInterface::writeWarning(const Message& message)
{
    const QString text = message.qtext(layout::text);
    writeFramed(tr("Warning"), warningPalette(ui->txtConsole->palette()), text);
    addErrorListRow({ErrorListEntry::Warning, message.frame(), QString(), text, QString()});
}

void ClientInterface::writeError(const Message& message)
{
    const QString text = message.qtext(layout::text);
    writeFramed(tr("Error"), errorPalette(ui->txtConsole->palette()), text);
    addErrorListRow({ErrorListEntry::Error, message.frame(), QString(), text, QString()});
}

void ClientInterface::writeGLError(const Message& message)
{
    const QString code = QString::fromUtf8(glErrorName(message.u32(layout::glErrorCode)));
    const QString function = message.qtext(layout::glErrorFunction, layout::functionCapacity);
    const QString text = message.qtext(layout::glErrorText);
    writeFramed(tr("Error - ") + code + tr(" in ") + function,
                errorPalette(ui->txtConsole->palette()), text);
    addErrorListRow({ErrorListEntry::Error, message.frame(), code, text, function});
}

void ClientInterface::openContextTab(const Message& message)
{
    auto* page = new ContextInterface(ui->tabWidget_contexts, message);
    const auto id = static_cast<qint64>(message.u64(layout::contextId));
    ui->tabWidget_contexts->addTab(page, tr("Context ") + QString::number(id));
}

void ClientInterface::writeFramed(const QString& title, const QPalette& palette,
                                  const QString& text)
{
    beginBlock(title, palette, QTextFrameFormat::BorderStyle_Solid);
    m_cursor->insertText(text);
    m_cursor->movePosition(QTextCursor::EndOfBlock);
    endBlock();
}

void ClientInterface::beginBlock(const QString& title, const QPalette& palette,
                                 QTextFrameFormat::BorderStyle borderStyle)
{
    if (!m_lastOutputFramed)
        m_cursor->insertText(QStringLiteral("\n\n"));

    QTextBlockFormat titleFormat;
    titleFormat.setBackground(palette.brush(QPalette::Base));
    QTextCharFormat charFormat;
    charFormat.setForeground(palette.brush(QPalette::Text));
    m_cursor->setBlockFormat(titleFormat);
    m_cursor->setBlockCharFormat(charFormat);
    m_cursor->insertText(title, charFormat);
    m_cursor->movePosition(QTextCursor::EndOfBlock);

    QTextFrameFormat frameFormat;
    frameFormat.setTopMargin(-1.0);
    frameFormat.setBorderBrush(palette.brush(QPalette::Base));
    frameFormat.setBorderStyle(borderStyle);
    frameFormat.setBorder(1.0);
    frameFormat.setPadding(5.0);
    frameFormat.setBackground(palette.brush(QPalette::Window));
    charFormat.setForeground(palette.brush(QPalette::WindowText));

    m_cursor->movePosition(QTextCursor::EndOfBlock);
    m_cursor->insertFrame(frameFormat);
    // The frame's blocks would otherwise inherit the title's background.
    m_cursor->setBlockFormat(QTextBlockFormat());
    m_cursor->setBlockCharFormat(charFormat);
    m_cursor->setCharFormat(charFormat);
    m_lastOutputFramed = true;
}

void ClientInterface::endBlock()
{
    m_cursor->movePosition(QTextCursor::NextBlock);
    // Leaving the frame lands in the block after it, which still carries the title's format.
    m_cursor->setBlockFormat(QTextBlockFormat());
    m_cursor->setBlockCharFormat(QTextCharFormat());
    m_cursor->setCharFormat(QTextCharFormat());
    m_cursor->insertText(QStringLiteral("\n"));
    consoleAutoScroll();
}

void ClientInterface::writeInfo(const QString& text)
{
    if (!m_cursor->block().text().isEmpty())
        m_cursor->insertText(QStringLiteral("\n"));
    m_cursor->insertText(text);
    m_cursor->movePosition(QTextCursor::EndOfBlock);
    m_lastOutputFramed = false;
    consoleAutoScroll();
}

void ClientInterface::addErrorListRow(const ErrorListEntry& entry)
{
    m_pendingRows.append(entry);
}
