#include "monitor/ClientInterface.h"

#include "monitor/Client.h"
#include "monitor/ConsoleStyle.h"
#include "monitor/ContextInterface.h"
#include "monitor/ErrorListFilterProxyModel.h"
#include "monitor/ErrorListView.h"
#include "ui_ClientInterface.h"

#include <QAbstractTextDocumentLayout>
#include <QDialog>
#include <QEvent>
#include <QHeaderView>
#include <QLocalSocket>
#include <QPalette>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextFrame>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace layout = ui::messages::layout;
using ui::messages::Message;
using ui::messages::MessageType;

ClientInterface::ClientInterface(QWidget* parent, Client* client, const QFont& consoleFont)
    : QWidget(parent), ui(nullptr), m_document(new QTextDocument(this)),
      m_cursor(new QTextCursor(m_document)), m_errorListModel(new ErrorListModel(this)),
      m_errorListProxy(new ErrorListFilterProxyModel(this, m_errorListModel)), m_client(client),
      m_tail(m_cursor)
{
    m_tail.setBlockLimit(defaultConsoleBlockLimit);
    // The console is append-only; an undo history would only hold a second copy of it.
    m_document->setUndoRedoEnabled(false);

    ui = new Ui::ClientInterface;
    ui->setupUi(this);
    m_writer = std::make_unique<ConsoleWriter>(m_cursor, ui->txtConsole);
    m_errorListView = new ErrorListView(ui->tab_errorlist);
    ui->errorListLayout->addWidget(m_errorListView);
    m_cursor->setBlockFormat(QTextBlockFormat());
    m_cursor->setCharFormat(QTextCharFormat());
    ui->txtConsole->setDocument(m_document);
    ui->txtConsole->setFont(console::layoutFont(consoleFont));
    ui->txtConsole->installEventFilter(this);
    m_errorListView->setModel(m_errorListProxy);
    m_errorListView->horizontalHeader()->setStretchLastSection(true);

    // Output still held in an edit block is written out before the console is cleared.
    connect(ui->btnClear, &QPushButton::clicked, this, &ClientInterface::closeEdit);
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
    connect(m_errorListModel, &ErrorListModel::oldRowsRemoved, ui->lblErrorListNotice,
            &QWidget::show);

    // Clearing removes every open section frame along with the text.
    connect(ui->btnClear, &QPushButton::clicked, this, [this] {
        m_sections.clear();
        m_writer->restart(m_sections);
        m_tail.reset();
        m_backlog.start(m_sections);
        m_skipping = false;
        m_fullBatches = 0;
    });
    // The client dispatches every buffered frame from its readyRead handler; this one runs
    // right after it and decides whether the batch ends with the read.
    if (fedByConnection())
        connect(m_client->socket(), &QLocalSocket::readyRead, this, &ClientInterface::readEnded);
    m_batchTimer.setSingleShot(true);
    m_batchTimer.setInterval(batchSpanMs);
    // A batch that lasts its whole span did not keep up either, however few frames a slow
    // machine wrote in it.
    connect(&m_batchTimer, &QTimer::timeout, this, [this] {
        m_batchFull = true;
        endBatch();
    });
    m_idleTimer.setSingleShot(true);
    m_idleTimer.setInterval(batchIdleMs);
    connect(&m_idleTimer, &QTimer::timeout, this, &ClientInterface::endBatch);
    m_trimTimer.setSingleShot(true);
    m_trimTimer.setInterval(0);
    connect(&m_trimTimer, &QTimer::timeout, this, &ClientInterface::trimConsole);
    m_contextTimer.setSingleShot(true);
    connect(&m_contextTimer, &QTimer::timeout, this, &ClientInterface::buildContextPages);
}

ClientInterface::~ClientInterface()
{
    // An edit block still open goes with the document; nothing is left to show.
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
    const std::uint32_t type = message.type();
    if (type == MessageType::ContextInfo) {
        openContextTab(message);
    } else if (type >= MessageType::BeginSection && type <= MessageType::GLError) {
        addErrorListRow(message);
        if (m_skipping)
            m_backlog.push(message);
        else
            writeConsole(message);
        if (type == MessageType::BeginSection)
            m_sections.begin(message);
        else if (type == MessageType::EndSection)
            m_sections.end();
    }
    // Frames from a connection are grouped until the client's read handler returns; frames
    // handed over directly are written out one by one.
    if (!fedByConnection())
        endBatch();
}

void ClientInterface::writeConsole(const Message& message)
{
    m_writer->write(message);
    consoleAutoScroll();
}

void ClientInterface::beginBatch()
{
    if (m_batchOpen)
        return;
    // A removal, or the end of an edit block, before the batch: the layout is up to date, and
    // each of them takes a turn of its own.
    if (m_trimPending) {
        trimConsole();
    } else if (m_editRenewalPending) {
        m_editRenewalPending = false;
        closeEdit();
    }
    m_batchOpen = true;
    m_batchFirstBlockCount = m_document->blockCount();
    if (!m_editOpen) {
        m_editOpen = true;
        m_cursor->beginEditBlock();
    }
    // However the input goes on, what arrived is shown within the span.
    if (m_client)
        m_batchTimer.start();
}

void ClientInterface::readEnded()
{
    // While a flood lasts the batch stays open across reads, up to its span or its size, so
    // that layout and scrolling are done once for many frames; it ends when the input pauses.
    if (!m_batchOpen)
        return;
    const int limit = m_firstBatchDone ? batchBlockLimit : firstBatchBlockLimit;
    if (m_document->blockCount() - m_batchFirstBlockCount >= limit) {
        m_batchFull = true;
        endBatch();
    } else if (!(m_client && m_client->inputPending()))
        m_idleTimer.start();
    else
        m_idleTimer.stop();
}

void ClientInterface::endBatch()
{
    if (!m_batchOpen)
        return;
    if (m_skipping)
        writeBacklog();
    const bool full = std::exchange(m_batchFull, false);
    m_batchOpen = false;
    m_firstBatchDone = true;
    m_batchTimer.stop();
    m_idleTimer.stop();
    const bool wrote = std::exchange(m_outputPending, false);
    if (wrote) {
        // Lays out what the batch wrote. Qt has gathered the changed range itself; this widens
        // it to the end of the document, which is where the output goes.
        const int from = m_cursor->position();
        m_document->markContentsDirty(from, m_document->characterCount() - from);
        // While a connection feeds the page, old output goes in a turn of its own, before the
        // next batch or once the input pauses: the batch's layout and the removal together
        // would stall the window twice as long.
        if (m_tail.overBudget() || renewalDue()) {
            m_trimPending = true;
            if (fedByConnection())
                m_trimTimer.start();
            else
                trimConsole();
        }
    }
    if (!m_pendingRows.isEmpty()) {
        m_errorListModel->append(m_pendingRows);
        m_pendingRows.clear();
        if (ui->chkErrorListAutoScroll->isChecked())
            m_errorListView->scrollToBottom();
    }
    if (!m_pendingContexts.isEmpty() && !m_contextTimer.isActive()) {
        if (fedByConnection())
            scheduleContextPages();
        else
            buildContextPages();
    }
    if (wrote && ui->chkConsoleAutoScroll->isChecked()) {
        ui->txtConsole->setTextCursor(*m_cursor);
        ui->txtConsole->ensureCursorVisible();
    }
    updateSkipping(full);
    // Closing the edit block makes Qt rebuild its frame tree by a pass over the whole document,
    // which grows with the console; while a connection feeds the page it stays open (the tree
    // is kept right as frames go in, and the layout is brought up to date above).
    if (!fedByConnection())
        closeEdit();
}

void ClientInterface::updateSkipping(bool batchFull)
{
    const bool connected = fedByConnection();
    const bool waiting = connected && m_client->inputPending();
    // Someone reading older output keeps it: only a console that follows its newest output
    // skips. Below its budget a console keeps everything, however fast it comes.
    const bool following = ui->chkConsoleAutoScroll->isChecked();
    if (m_skipping) {
        if (!waiting || !following)
            stopSkipping();
        return;
    }
    if (!(batchFull && waiting && following && m_tail.noticeShown())) {
        m_fullBatches = 0;
        return;
    }
    if (++m_fullBatches >= floodEntryBatches)
        skipAhead();
}

void ClientInterface::skipAhead()
{
    if (m_skipping || m_tail.blockLimit() <= 0)
        return;
    m_skipping = true;
    m_backlog.setCapacity(std::min(floodWindowFrames, m_tail.blockLimit() / 8));
    m_backlog.start(m_sections);
}

void ClientInterface::stopSkipping()
{
    if (!m_skipping)
        return;
    writeBacklog();
    m_skipping = false;
    m_fullBatches = 0;
}

void ClientInterface::writeBacklog()
{
    if (m_backlog.empty())
        return;
    // With frames gone from the window, what the console shows is not followed by what is
    // left: it starts again from the window, and the old document is freed on the reaper's
    // thread.
    QTextDocument* old =
        m_backlog.dropped() > 0 ? beginNewDocument(m_backlog.sectionsBefore()) : nullptr;
    for (const Message& message : m_backlog.frames())
        writeConsole(message);
    m_skippedFrames += m_backlog.dropped();
    m_backlog.start(m_sections);
    if (old) {
        m_editOpen = false;
        m_cursor->endEditBlock();
        ui->txtConsole->setDocument(m_document);
        m_reaper.discard(old);
    }
}

QTextDocument* ClientInterface::beginNewDocument(const SectionStack& openSections)
{
    // The old document's edit block goes with it.
    m_tail.reset();
    QTextDocument* old = m_tail.restart(removalNotice(), this);
    m_document = m_cursor->document();
    m_editOpen = true;
    m_cursor->beginEditBlock();
    m_trimsInEdit = 0;
    m_editRenewalPending = false;
    m_writer->restart(openSections);
    return old;
}

void ClientInterface::closeEdit()
{
    endBatch();
    if (!m_editOpen)
        return;
    m_editOpen = false;
    m_cursor->endEditBlock();
}

void ClientInterface::setConsoleBlockLimit(int blocks)
{
    m_tail.setBlockLimit(blocks);
}

QString ClientInterface::removalNotice()
{
    return tr("Older messages were removed from this console.");
}

void ClientInterface::trimConsole()
{
    // Within a batch the layout has yet to take in the batch's output: a change at the top now
    // would have it lay out the whole console. The next batch starts here.
    if (m_batchOpen || !m_trimPending)
        return;
    m_trimPending = false;
    // Before a renewal the console sheds its old output step by step, each step in a turn of
    // its own; once it is small (or nothing more can go) it is renewed.
    const bool renewing = renewalDue();
    const int limit = m_tail.blockLimit();
    const int renewalBlocks =
        std::min(limit, std::max(limit / renewalKeepFraction, renewalMinimumBlocks));
    int keepBlocks = 0;
    if (renewing) {
        keepBlocks =
            std::max(renewalBlocks, m_document->blockCount() - limit / renewalStepFraction);
    }
    QAbstractTextDocumentLayout* layout = m_document->documentLayout();
    const qreal heightBefore = layout->documentSize().height();
    if ((renewing && m_document->blockCount() <= renewalBlocks) ||
        !m_tail.trim(removalNotice(), keepBlocks)) {
        if (renewing)
            renewConsole();
        return;
    }
    // Lays out the top of the document, where the removal was; everything behind it only moves
    // up, and the frames there move as a whole.
    m_document->markContentsDirty(0, m_document->begin().length());
    if (!ui->chkConsoleAutoScroll->isChecked()) {
        // The user is reading older output: it stays in place on screen while it is kept.
        QScrollBar* bar = ui->txtConsole->verticalScrollBar();
        bar->setValue(bar->value() - qRound(heightBefore - layout->documentSize().height()));
    }
    // Qt keeps the text of removed output in the document's buffer until an edit block ends,
    // so a connection's edit block would hold all the output ever received. Ending it now and
    // then (at the start of a later batch: it takes a pass over the console) lets Qt compact
    // the buffer.
    if (++m_trimsInEdit >= trimsPerEdit) {
        m_trimsInEdit = 0;
        m_editRenewalPending = true;
    }
    if (renewing && m_document->blockCount() <= renewalBlocks) {
        renewConsole();
    } else if (renewing) {
        m_trimPending = true;
        if (fedByConnection())
            m_trimTimer.start();
        else
            trimConsole();
    }
}

bool ClientInterface::renewalDue() const
{
    // A console without a bound removes nothing, and Qt keeps nothing behind.
    return m_tail.blockLimit() > 0 && m_writer->framesMade() >= m_renewalFrames;
}

void ClientInterface::renewConsole()
{
    closeEdit();
    QTextDocument* old = m_tail.renew(m_writer->frames(), this);
    m_document = m_cursor->document();
    ui->txtConsole->setDocument(m_document);
    m_reaper.discard(old);
    m_writer->resetFramesMade();
    m_trimsInEdit = 0;
    m_editRenewalPending = false;
    if (ui->chkConsoleAutoScroll->isChecked()) {
        ui->txtConsole->setTextCursor(*m_cursor);
        ui->txtConsole->ensureCursorVisible();
    }
}

void ClientInterface::consoleAutoScroll()
{
    // Every console write ends here, so this also marks the batch's text for layout. Both are
    // done once when the batch closes: the view only needs to show where the burst ended.
    m_outputPending = true;
}

void ClientInterface::fontChanged(const QFont& font)
{
    // A console at its bound takes a few hundred milliseconds to lay out again. A console out
    // of sight takes the font when it is shown, so that a change across many pages lays out
    // one console at a time.
    m_pendingFont = font;
    if (ui->txtConsole->isVisible())
        applyFont();
}

void ClientInterface::applyFont()
{
    if (!m_pendingFont)
        return;
    const QFont font = *std::exchange(m_pendingFont, std::nullopt);
    closeEdit();
    ui->txtConsole->setFont(console::layoutFont(font));
}

bool ClientInterface::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui->txtConsole && event->type() == QEvent::Show)
        applyFont();
    return QWidget::eventFilter(watched, event);
}

void ClientInterface::finish(const QString& text)
{
    beginBatch();
    stopSkipping();
    // The end of the document: behind every section frame still open.
    m_writer->leaveAllSections();
    m_sections.clear();
    m_writer->writeInfo(text);
    consoleAutoScroll();
    closeEdit();
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

void ClientInterface::openContextTab(const Message& message)
{
    // Pages are built when the batch ends; of a flood of contexts only the newest would stay.
    if (m_pendingContexts.size() >= maxContextPages) {
        m_pendingContexts.removeFirst();
        ContextInterface::showRemovalNotice(ui->tabWidget_contexts);
    }
    m_pendingContexts.append(message);
}

void ClientInterface::scheduleContextPages()
{
    // A page with full extension lists takes ten milliseconds and more to build. While more
    // input waits, one is built per batch span, so that a flood of contexts builds a few pages
    // rather than one per frame; once the input is quiet, one per turn of the event loop.
    m_contextTimer.start(m_client && m_client->inputPending() ? batchSpanMs : 0);
}

void ClientInterface::buildContextPages()
{
    const bool connected = fedByConnection();
    int budget = connected ? 1 : int(m_pendingContexts.size());
    QTabWidget* tabs = ui->tabWidget_contexts;
    while (!m_pendingContexts.isEmpty() && budget-- > 0) {
        ContextInterface::addPage(tabs, m_pendingContexts.takeFirst(), maxContextPages);
    }
    if (!m_pendingContexts.isEmpty())
        scheduleContextPages();
}

void ClientInterface::addErrorListRow(const Message& message)
{
    switch (message.type()) {
    case MessageType::Warning:
        m_pendingRows.append({ErrorListEntry::Warning, message.frame(), QString(),
                              message.qtext(layout::text), QString()});
        break;
    case MessageType::Error:
        m_pendingRows.append({ErrorListEntry::Error, message.frame(), QString(),
                              message.qtext(layout::text), QString()});
        break;
    case MessageType::GLError:
        m_pendingRows.append(
            {ErrorListEntry::Error, message.frame(),
             QString::fromUtf8(console::glErrorName(message.u32(layout::glErrorCode))),
             message.qtext(layout::glErrorText),
             message.qtext(layout::glErrorFunction, layout::functionCapacity)});
        break;
    default:
        break;
    }
}
