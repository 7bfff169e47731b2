#pragma once

#include "monitor/Client.h"
#include "monitor/ClientInterface.h"
#include "tests/peer/TestPeer.h"

#include <QAbstractTextDocumentLayout>
#include <QList>
#include <QLocalServer>
#include <QRectF>
#include <QString>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>

#include <memory>

// The first block of the console document whose text is exactly the given one.
inline QTextBlock blockWithText(const QTextDocument* document, const QString& text)
{
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (block.text() == text)
            return block;
    }
    return {};
}

// How many frames enclose the block holding the text (0 = the document's root, -1 = no such
// block). With borderedOnly, only sections and framed messages count, not the console's
// borderless containers.
inline int frameDepth(const QTextDocument* document, const QString& text, bool borderedOnly = false)
{
    const QTextBlock block = blockWithText(document, text);
    if (!block.isValid())
        return -1;
    int depth = 0;
    for (QTextFrame* frame = QTextCursor(block).currentFrame(); frame != document->rootFrame();
         frame = frame->parentFrame())
        depth += !borderedOnly || frame->frameFormat().border() > 0 ? 1 : 0;
    return depth;
}

// Where the layout has put every block, and the size of the whole.
inline QList<QRectF> blockGeometry(QTextDocument* document)
{
    QAbstractTextDocumentLayout* layout = document->documentLayout();
    QList<QRectF> rects{QRectF(QPointF(), layout->documentSize())};
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        rects.append(layout->blockBoundingRect(block));
    return rects;
}

inline void showConsole(ClientInterface& page)
{
    page.resize(600, 400);
    page.findChild<QTabWidget*>(QStringLiteral("tabWidget"))->setCurrentIndex(0);
    page.show();
}

// The numbers of the lines "<prefix><n>" in document order.
inline QList<int> numbered(const QTextDocument* document, const QString& prefix)
{
    QList<int> numbers;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (block.text().startsWith(prefix))
            numbers.append(block.text().mid(prefix.size()).toInt());
    }
    return numbers;
}

// Every number from the first one kept to the last one sent, in order: the tail is whole.
inline bool isTailUpTo(const QList<int>& numbers, int last)
{
    for (int i = 0; i < numbers.size(); ++i) {
        if (numbers.at(i) != last - int(numbers.size()) + 1 + i)
            return false;
    }
    return !numbers.isEmpty();
}

// A page for the connection the server has waiting, wired as the main window wires it.
inline std::unique_ptr<ClientInterface> acceptPage(QLocalServer& server, Client*& client)
{
    client = new Client(&server, server.nextPendingConnection());
    auto page = std::make_unique<ClientInterface>(nullptr, client, QFont());
    QObject::connect(client, &Client::clientMessage, page.get(), &ClientInterface::receive);
    page->setConnected();
    return page;
}

// A page wired to a real connection.
struct ConnectedPage
{
    QLocalServer server;
    kolz::test::TestPeer peer;
    Client* client = nullptr;
    std::unique_ptr<ClientInterface> page;

    bool open()
    {
        if (!server.listen(QStringLiteral("KolZendra")) || !peer.connectToPanel() ||
            !server.waitForNewConnection(5000))
            return false;
        page = acceptPage(server, client);
        return true;
    }
};
