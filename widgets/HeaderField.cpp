#include "widgets/HeaderField.h"

#include "models/ProfileData.h"

#include <QEvent>
#include <QFocusEvent>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QValidator>

#include <algorithm>

namespace widgets {

namespace {

// QLineEdit's own space beside its text: a margin of two pixels on each side, and the cursor.
constexpr int textSideMargins = 2 * 2 + 1;

// A character beyond U+FFFF is two UTF-16 units, and the line edit cuts a text at its maximum
// length between them. The first half alone is no character (saved, it would become U+FFFD):
// it is dropped. Texts read from a profile never hold one.
class WholeCharacters : public QValidator
{
public:
    using QValidator::QValidator;

    State validate(QString& input, int& position) const override
    {
        for (qsizetype i = 0; i < input.size(); ++i) {
            if (!input.at(i).isHighSurrogate())
                continue;
            if (i + 1 < input.size() && input.at(i + 1).isLowSurrogate()) {
                ++i;
                continue;
            }
            input.remove(i--, 1);
            if (position > i + 1)
                --position;
        }
        return Acceptable;
    }
};

} // namespace

HeaderField::HeaderField(QWidget* parent) : QLineEdit(parent)
{
    // Typed, pasted, dropped or set, no text grows past what a profile may hold and still be
    // read (the line edit's own limit is far higher).
    setMaxLength(maxHeaderTextLength);
    setValidator(new WholeCharacters(this));
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
