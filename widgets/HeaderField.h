#pragma once

#include <QLineEdit>

namespace widgets {

// A text field of the editor's header (device, vendor, renderer): at least as wide as its
// text, so that a long name is not cut, up to a limit past which the window's width decides.
class HeaderField : public QLineEdit
{
    Q_OBJECT

public:
    explicit HeaderField(QWidget* parent = nullptr);

    QSize sizeHint() const override;

    // The widest text a field grows for, in average character widths.
    static constexpr int maximumTextChars = 48;
};

} // namespace widgets
