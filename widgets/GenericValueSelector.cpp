#include "widgets/GenericValueSelector.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStylePainter>

#include <algorithm>

namespace widgets {

GenericValueSelector::GenericValueSelector(QWidget* parent, const QStringList& offered,
                                           const QString& current)
    : QComboBox(parent)
{
    insertItem(0, current);
    insertSeparator(1);
    addItems(offered);
}

QString GenericValueSelector::displayText(const QString& stored) const
{
    return stored;
}

void GenericValueSelector::showPopup()
{
    QAbstractItemView* list = view();
    int width = list->sizeHintForColumn(0) + 2 * list->frameWidth();
    if (count() > maxVisibleItems())
        width += list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
    list->setMinimumWidth(width);
    QComboBox::showPopup();
}

QSize GenericValueSelector::sizeHint() const
{
    const QSize hint = QComboBox::sizeHint();
    const QFontMetrics metrics = fontMetrics();
    int widest = 0;
    for (int i = 0; i < count(); ++i) {
        if (itemData(i, Qt::AccessibleDescriptionRole).toString() != QLatin1String("separator"))
            widest = std::max(widest, metrics.horizontalAdvance(displayText(itemText(i))));
    }
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QSize fitted =
        style()->sizeFromContents(QStyle::CT_ComboBox, &option, QSize(widest, hint.height()), this);
    return {std::max(hint.width(), fitted.width()), hint.height()};
}

void GenericValueSelector::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    style()->drawComplexControl(QStyle::CC_ComboBox, &option, &painter, this);
    option.currentText = displayText(option.currentText);
    style()->drawControl(QStyle::CE_ComboBoxLabel, &option, &painter, this);
}

void GenericValueSelectorItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                             const QModelIndex& index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    if (index.data(Qt::AccessibleDescriptionRole).toString() != QLatin1String("separator"))
        return;
    const QRect& r = option.rect;
    painter->save();
    painter->setPen(option.palette.color(QPalette::Active, QPalette::Dark));
    const int y = (r.top() + r.bottom()) / 2;
    painter->drawLine(r.left(), y, r.right(), y);
    painter->restore();
}

} // namespace widgets
