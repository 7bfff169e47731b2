#include "monitor/ClientInterface.h"

#include "monitor/Client.h"
#include "monitor/ConsoleStyle.h"
#include "monitor/ContextInterface.h"
#include "monitor/ErrorListFilterProxyModel.h"
#include "monitor/ErrorListView.h"
#include "ui_ClientInterface.h"

#include <QDialog>
#include <QEvent>
#include <QHeaderView>
#include <QLocalSocket>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <utility>

namespace layout = ui::messages::layout;
using ui::messages::Message;
using ui::messages::MessageType;

ClientInterface::ClientInterface(QWidget* parent, Client* client, const QFont& consoleFont)
    : QWidget(parent), ui(nullptr), m_errorListModel(new ErrorListModel(this)),
      m_errorListProxy(new ErrorListFilterProxyModel(this, m_errorListModel)), m_client(client)
{
    ui = new Ui::ClientInterface;
    ui->setupUi(this);
    m_console = std::make_unique<Console>(ui->txtConsole, ui->chkConsoleAutoScroll, nullptr);
    m_console->setStepped(fedByConnection());
    m_errorListView = new ErrorListView(ui->tab_errorlist);
    ui->errorListLayout->addWidget(m_errorListView);
    ui->txtConsole->setFont(console::layoutFont(consoleFont));
    ui->txtConsole->installEventFilter(this);
    m_errorListView->setModel(m_errorListProxy);
    m_errorListView->horizontalHeader()->setStretchLastSection(true);

    // Output still held in an edit block is written out before the console is cleared, and
    // writing starts afresh after it.
    connect(ui->btnClear, &QPushButton::clicked, m_console.get(), &Console::prepareClear);
    connect(ui->btnClear, SIGNAL(clicked()), ui->txtConsole, SLOT(clear()));
    connect(ui->btnClear, &QPushButton::clicked, m_console.get(), &Console::cleared);
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

    // The client dispatches every buffered frame from its readyRead handler; this one runs
    // right after it and decides whether the batch ends with the read.
    if (fedByConnection())
        connect(m_client->socket(), &QLocalSocket::readyRead, this, &ClientInterface::readEnded);
    m_batchTimer.setSingleShot(true);
    m_batchTimer.setInterval(batchSpanMs);
    connect(&m_batchTimer, &QTimer::timeout, this, &ClientInterface::endBatch);
    m_idleTimer.setSingleShot(true);
    m_idleTimer.setInterval(batchIdleMs);
    connect(&m_idleTimer, &QTimer::timeout, this, &ClientInterface::endBatch);
    m_contextTimer.setSingleShot(true);
    connect(&m_contextTimer, &QTimer::timeout, this, &ClientInterface::buildContextPages);
}

ClientInterface::~ClientInterface()
{
    // The console's documents go while its view is still there.
    m_console.reset();
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
        m_console->append(message);
    }
    // Frames from a connection are grouped until the client's read handler returns; frames
    // handed over directly are written out one by one.
    if (!fedByConnection())
        endBatch();
}

void ClientInterface::beginBatch()
{
    if (m_batchOpen)
        return;
    m_batchOpen = true;
    m_console->beginBatch();
    m_batchFirstBlockCount = document()->blockCount();
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
    if (document()->blockCount() - m_batchFirstBlockCount >= limit)
        endBatch();
    else if (!(m_client && m_client->inputPending()))
        m_idleTimer.start();
    else
        m_idleTimer.stop();
}

void ClientInterface::endBatch()
{
    if (!m_batchOpen)
        return;
    m_batchOpen = false;
    m_firstBatchDone = true;
    m_batchTimer.stop();
    m_idleTimer.stop();
    m_console->endBatch();
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
    // Closing the edit block makes Qt rebuild its frame tree by a pass over the whole document,
    // which grows with the console; while a connection feeds the page it stays open (the tree
    // is kept right as frames go in, and the layout is brought up to date above).
    if (!fedByConnection())
        m_console->closeEdit();
}

void ClientInterface::closeEdit()
{
    endBatch();
    m_console->closeEdit();
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
    m_console->finish(text);
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
