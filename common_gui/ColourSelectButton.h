#pragma once

#include <QColor>
#include <QPushButton>

// A push button that shows a colour swatch and lets the user pick a new colour with the
// standard colour dialog.
class ColourSelectButton : public QPushButton
{
    Q_OBJECT

public:
    explicit ColourSelectButton(QWidget* parent = nullptr);
    ColourSelectButton(const QColor& colour, QWidget* parent = nullptr);

    const QColor& colour() const { return m_colour; }

signals:
    // Every change of the colour.
    void ColourChanged();
    // A change the user made through the dialog, after ColourChanged.
    void UserColourChanged();

public slots:
    void SetColour(QColor newColor);
    void OnClicked(bool checked);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_colour;
};
