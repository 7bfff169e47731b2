#pragma once

#include <QObject>

class QWidget;

// Rejects every modal dialog open when it is made and every one that opens while it lives:
// ending anyway, nobody is left to answer them, and whatever asked goes on without an answer.
class DialogDismisser : public QObject
{
public:
    explicit DialogDismisser(QObject* parent);
    ~DialogDismisser() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static void dismiss(QWidget* window);
};
