#include "widgets/HeaderField.h"

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
}

QSize HeaderField::sizeHint() const
{
    const QSize base = QLineEdit::sizeHint();
    const QFontMetrics metrics(font());
    const int textWidth =
        std::min(metrics.horizontalAdvance(text()), metrics.averageCharWidth() * maximumTextChars);
    const QMargins margins = textMargins() + contentsMargins();
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QSize fitted = style()->sizeFromContents(
        QStyle::CT_LineEdit, &option,
        QSize(textWidth + textSideMargins + margins.left() + margins.right(), base.height()), this);
    return {std::max(base.width(), fitted.width()), base.height()};
}

} // namespace widgets
