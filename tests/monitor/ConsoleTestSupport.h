#pragma once

#include "monitor/ClientInterface.h"

#include <QAbstractTextDocumentLayout>
#include <QList>
#include <QRectF>
#include <QString>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>

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
