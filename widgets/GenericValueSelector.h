#pragma once

#include <QComboBox>
#include <QStyledItemDelegate>

namespace widgets {

// A combo box that keeps machine values (decimal numbers, XML names, extension names) as its
// item texts and shows readable names for them. Item 0 is the cell's current value, item 1 a
// separator, the offered alternatives follow.
class GenericValueSelector : public QComboBox
{
public:
    GenericValueSelector(QWidget* parent, const QStringList& offered, const QString& current);

    // The text shown for a stored item text.
    virtual QString displayText(const QString& stored) const;

    // The popup is at least as wide as its longest name, which is usually wider than the cell.
    void showPopup() override;
    // Wide enough for the longest name shown, rather than for the longest stored text.
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The popup's item delegate: readable names for the items and a drawn line for the separator.
class GenericValueSelectorItemDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QString displayText(const QVariant& value, const QLocale& locale) const override = 0;
};

} // namespace widgets
