#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

class QFileDialog;

namespace kolz::test {

// Answers the windows that code under test opens and waits on: modal dialogs and popups.
// Nothing is answered on a clock. An answer runs once its window has been shown, has become
// the active modal widget (and the active window) or the active popup, and runs its own event
// loop; so a dialog's start-up (focus moving into a field, a file dialog listing its folder)
// is over before the answer acts, however slow or loaded the machine is.
//
// Answers are taken in the order they were given, each by the first shown window it accepts.
// Those given through an object live no longer than it; free answers last until used.
class ShownWindows : public QObject
{
    Q_OBJECT

public:
    using Accepts = std::function<bool(QWidget*)>;
    using Answer = std::function<void(QWidget*)>;

    explicit ShownWindows(QObject* parent = nullptr);
    ~ShownWindows() override;

    // Answers the next window of type T that is shown modal or as a popup.
    template <typename T> void next(std::function<void(T*)> answer)
    {
        add([](QWidget* w) { return qobject_cast<T*>(w) != nullptr; },
            [answer](QWidget* w) { answer(static_cast<T*>(w)); }, false);
    }
    // Answers every modal window shown while this object lives.
    void everyModal(Answer answer);

    int pending() const;

private:
    void add(Accepts accepts, Answer answer, bool everyWindow);
};

// Answers the next window of type T shown modal or as a popup; the answer lasts until used.
template <typename T> void answerNext(std::function<void(T*)> answer);

// Puts path into a file dialog's name field as a typed name and accepts the dialog past its
// own checks, once the dialog reports path as its choice; an empty path rejects the dialog.
// Gives false (with a warning) when the dialog did not take the name.
bool chooseFile(QFileDialog* dialog, const QString& path);

// The shared answers without an owner.
ShownWindows& freeAnswers();

template <typename T> void answerNext(std::function<void(T*)> answer)
{
    freeAnswers().next<T>(std::move(answer));
}

} // namespace kolz::test
