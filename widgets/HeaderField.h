#pragma once

#include <QLineEdit>

namespace widgets {

// A text field of the editor's header (device, vendor, renderer): as wide as its text when the
// window has room, up to a limit past which the window's width decides. Its minimum follows the
// text for a few characters only, so a long name never makes the window wider; a field too
// narrow for its text shows the text's start and offers the whole text as its tool tip. It takes
// no more than maxHeaderTextLength, the longest text a profile may hold.
class HeaderField : public QLineEdit
{
    Q_OBJECT

public:
    explicit HeaderField(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The widest text a field grows for, and the width it may shrink to, in average character
    // widths.
    static constexpr int maximumTextChars = 48;
    static constexpr int minimumTextChars = 8;

protected:
    bool event(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QSize sizeForTextWidth(int textWidth) const;
    void updateToolTip();
};

} // namespace widgets
