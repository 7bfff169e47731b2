#pragma once

#include "monitor/Client.h"
#include "monitor/Console.h"
#include "monitor/ErrorListModel.h"
#include "monitor/Message.h"

#include <QFont>
#include <QList>
#include <QPalette>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QTextFormat>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>

class ErrorListFilterProxyModel;
class ErrorListView;
class QTextDocument;
namespace Ui {
class ClientInterface;
}

// One application's tab: its console, its error list, a page per OpenGL ES context and the
// wireframe switch. Without a client it is the "Disconnected" placeholder.
class ClientInterface : public QWidget
{
    Q_OBJECT

public:
    enum State
    {
        Disconnected = 0,
        Connected = 1,
        Finished = 2
    };

    // Longest time that output arriving in a flood waits before it is shown.
    static constexpr int batchSpanMs = 100;
    // About 30 ms of writing and layout, whatever the size of the console.
    static constexpr int batchBlockLimit = 2000;
    // The first batch also pays for the console's first paint, so it is kept small.
    static constexpr int firstBatchBlockLimit = 600;
    // A pause in the input shorter than this does not end a batch: a writer that refills the
    // socket in bursts would otherwise get a layout pass per burst.
    static constexpr int batchIdleMs = 2;
    // Context pages per application; a further context replaces the oldest page.
    static constexpr int maxContextPages = 64;

    ClientInterface(QWidget* parent, Client* client, const QFont& consoleFont);
    ~ClientInterface() override;

    void setConnected();

    Client* client() const { return m_client; }
    const QString& name() const { return m_name; }
    void setName(const QString& name) { m_name = name; }
    PID_TYPE pid() const { return m_pid; }
    void setPID(PID_TYPE pid) { m_pid = pid; }
    State state() const { return m_state; }

    QTextDocument* document() const { return m_console->document(); }
    ErrorListModel* errorListModel() const { return m_errorListModel; }
    ErrorListFilterProxyModel* errorListProxy() const { return m_errorListProxy; }
    ErrorListView* errorListView() const { return m_errorListView; }

    Console* console() const { return m_console.get(); }

public slots:
    void receive(const ui::messages::Message& message);
    void fontChanged(const QFont& font);
    void finish(const QString& text);
    void wireframeStateChanged(int state);
    void uncheckConsoleAutoScroll();
    void uncheckErrorListAutoScroll();
    void errorListWarningsStateChanged(int state);
    void errorListErrorsStateChanged(int state);
    void showErrorListItemContents(int row, int column, QPoint pos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyFont();
    // Frames come from a live connection rather than being handed over directly.
    bool fedByConnection() const { return m_client && m_client->socket(); }
    void openContextTab(const ui::messages::Message& message);
    void addErrorListRow(const ui::messages::Message& message);

    // Output is grouped per burst of input: one layout pass, one batch of error list rows and
    // one scroll for all the frames that arrived together. The console's edit block spans every
    // burst of a connection and is closed (closeEdit) only when the page finishes, the console
    // is cleared or its font changes.
    void beginBatch();
    void endBatch();
    void readEnded();
    void closeEdit();
    void scheduleContextPages();
    void buildContextPages();

    Ui::ClientInterface* ui;
    ErrorListModel* m_errorListModel;
    ErrorListFilterProxyModel* m_errorListProxy;
    ErrorListView* m_errorListView = nullptr;
    QPointer<Client> m_client;
    QString m_name;
    PID_TYPE m_pid = 0;
    State m_state = Disconnected;

    std::unique_ptr<Console> m_console; // made with the console view
    bool m_batchOpen = false;
    int m_batchFirstBlockCount = 0;
    QTimer m_batchTimer;
    QTimer m_idleTimer;
    bool m_firstBatchDone = false;
    QList<ErrorListEntry> m_pendingRows;
    // ContextInfo frames whose pages are still to be built, newest last (at most maxContextPages)
    QList<ui::messages::Message> m_pendingContexts;
    QTimer m_contextTimer;
    // A font chosen while the console was out of sight, taken when it is shown.
    std::optional<QFont> m_pendingFont;
};
