#pragma once

#include <QString>
#include <QTextBlock>
#include <QTextDocument>

// The first block of the console document whose text is exactly the given one.
inline QTextBlock blockWithText(const QTextDocument* document, const QString& text)
{
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (block.text() == text)
            return block;
    }
    return {};
}
