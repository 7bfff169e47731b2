#include "common_gui/ColourSelectButton.h"

#include <QColorDialog>
#include <QPainter>

ColourSelectButton::ColourSelectButton(QWidget* parent)
    : ColourSelectButton(QColor(Qt::transparent), parent)
{}

ColourSelectButton::ColourSelectButton(const QColor& colour, QWidget* parent)
    : QPushButton(parent), m_colour(colour)
{
    update();
    emit ColourChanged();
    connect(this, &QPushButton::clicked, this, &ColourSelectButton::OnClicked);
}

void ColourSelectButton::SetColour(QColor newColor)
{
    m_colour = newColor;
    update();
    emit ColourChanged();
}

void ColourSelectButton::OnClicked(bool)
{
    const QColor chosen = QColorDialog::getColor(m_colour, this, QString());
    // An invalid colour is the dialog's word for "cancelled".
    if (!chosen.isValid())
        return;
    m_colour = chosen;
    update();
    emit ColourChanged();
    emit UserColourChanged();
}

void ColourSelectButton::paintEvent(QPaintEvent* event)
{
    QPushButton::paintEvent(event);
    // The swatch covers (5, 5) to (width - 7, height - 7), its outline included.
    const int swatchWidth = width() - 12;
    const int swatchHeight = height() - 12;
    if (swatchWidth <= 0 || swatchHeight <= 0)
        return;
    QPainter painter(this);
    painter.setBrush(QBrush(m_colour, Qt::SolidPattern));
    painter.drawRect(5, 5, swatchWidth, swatchHeight);
}
