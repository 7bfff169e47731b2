#include "widgets/HeaderField.h"

#include <QEvent>
#include <QFocusEvent>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>

namespace widgets {

namespace {

// QLineEdit's own space beside its text: a margin of two pixels on each side, and the cursor.
constexpr int textSideMargins = 2 * 2 + 1;

} // namespace

HeaderField::HeaderField(QWidget* parent) : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this, &QWidget::updateGeometry);
    connect(this, &QLineEdit::textChanged, this, &HeaderField::updateToolTip);
}

QSize HeaderField::sizeForTextWidth(int textWidth) const
{
    const QSize base = QLineEdit::sizeHint();
    const QMargins margins = textMargins() + contentsMargins();
    QStyleOptionFrame option;
    initStyleOption(&option);
    return style()->sizeFromContents(
        QStyle::CT_LineEdit, &option,
        QSize(textWidth + textSideMargins + margins.left() + margins.right(), base.height()), this);
}

QSize HeaderField::sizeHint() const
{
    const QFontMetrics metrics(font());
    const int textWidth =
        std::min(metrics.horizontalAdvance(text()), metrics.averageCharWidth() * maximumTextChars);
    return {std::max(QLineEdit::sizeHint().width(), sizeForTextWidth(textWidth).width()),
            QLineEdit::sizeHint().height()};
}

QSize HeaderField::minimumSizeHint() const
{
    const QFontMetrics metrics(font());
    const int textWidth =
        std::min(metrics.horizontalAdvance(text()), metrics.averageCharWidth() * minimumTextChars);
    return {sizeForTextWidth(textWidth).width(), QLineEdit::minimumSizeHint().height()};
}

bool HeaderField::event(QEvent* event)
{
    // The frame comes and goes with the editor's mode, which changes the room for the text
    // without a resize; the tool tip is decided again when it is asked for.
    if (event->type() == QEvent::ToolTip)
        updateToolTip();
    return QLineEdit::event(event);
}

void HeaderField::focusInEvent(QFocusEvent* event)
{
    // The field shows the start of its text until it is edited; given the focus by the program
    // rather than by a click or Tab, typing goes on from the end of the text, as in any field
    // whose text was just set.
    if (event->reason() == Qt::OtherFocusReason && !hasSelectedText())
        end(false);
    QLineEdit::focusInEvent(event);
}

void HeaderField::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    updateToolTip();
}

void HeaderField::updateToolTip()
{
    QStyleOptionFrame option;
    initStyleOption(&option);
    const int room = style()->subElementRect(QStyle::SE_LineEditContents, &option, this).width() -
                     textMargins().left() - textMargins().right() - textSideMargins;
    const bool cut = fontMetrics().horizontalAdvance(text()) > room;
    setToolTip(cut ? text() : QString());
}

} // namespace widgets
