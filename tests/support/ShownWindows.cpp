#include "support/ShownWindows.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace kolz::test {

namespace {
// Only a window that never gets ready (a modal window shown without an event loop of its own,
// a platform that never activates it) waits this long; it is then answered anyway.
constexpr int readyWithinMs = 20000;
constexpr int retryMs = 5;

bool isPopup(const QWidget* w)
{
    return w->windowType() == Qt::Popup;
}
} // namespace

// Watches every Show event of the application and hands the shown modal windows and popups to
// the answers waiting for them.
class ShownWindowWatcher : public QObject
{
public:
    struct Pending
    {
        ShownWindows::Accepts accepts;
        ShownWindows::Answer answer;
        QPointer<const ShownWindows> owner;
        bool everyWindow = false;
    };

    // The watcher, made on first use.
    static ShownWindowWatcher& instance()
    {
        if (!current()) {
            current() = new ShownWindowWatcher;
            current()->setParent(qApp);
            qApp->installEventFilter(current());
        }
        return *current();
    }
    // The watcher if there is one: nullptr before the first answer and once the application
    // has gone with it.
    static QPointer<ShownWindowWatcher>& current()
    {
        static QPointer<ShownWindowWatcher> watcher;
        return watcher;
    }

    void add(Pending pending) { m_pending.push_back(std::move(pending)); }

    void dropOwnedBy(const ShownWindows* owner)
    {
        std::erase_if(m_pending, [owner](const Pending& p) { return p.owner == owner; });
    }

    int countOwnedBy(const ShownWindows* owner) const
    {
        return int(std::count_if(m_pending.begin(), m_pending.end(),
                                 [owner](const Pending& p) { return p.owner == owner; }));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            if (w->isWindow() && (w->isModal() || isPopup(w)))
                shown(w);
        }
        return false;
    }

private:
    void shown(QWidget* w)
    {
        std::erase_if(m_pending, [](const Pending& p) { return !p.owner; });
        const auto taker = std::find_if(m_pending.begin(), m_pending.end(),
                                        [w](const Pending& p) { return p.accepts(w); });
        if (taker == m_pending.end())
            return;
        const Pending pending = *taker;
        if (!pending.everyWindow)
            m_pending.erase(taker);
        // The window's own event loop is not running yet: it starts after the Show event.
        const int loopLevel = QThread::currentThread()->loopLevel();
        const QDeadlineTimer deadline(readyWithinMs);
        QTimer::singleShot(0, this,
                           [this, window = QPointer<QWidget>(w), pending, loopLevel, deadline] {
                               answerWhenReady(window, pending, loopLevel, deadline);
                           });
    }

    void answerWhenReady(QPointer<QWidget> window, const Pending& pending, int loopLevel,
                         QDeadlineTimer deadline)
    {
        if (!window || !window->isVisible() || !pending.owner)
            return; // closed by the code under test, or its answers are gone
        const bool active = isPopup(window) ? QApplication::activePopupWidget() == window
                                            : QApplication::activeModalWidget() == window &&
                                                  window->isActiveWindow();
        if (!active || QThread::currentThread()->loopLevel() <= loopLevel) {
            if (!deadline.hasExpired()) {
                QTimer::singleShot(retryMs, this, [=, this] {
                    answerWhenReady(window, pending, loopLevel, deadline);
                });
                return;
            }
            qWarning("%s \"%s\" never got ready; answered anyway",
                     window->metaObject()->className(), qPrintable(window->windowTitle()));
        }
        pending.answer(window);
    }

    std::vector<Pending> m_pending;
};

ShownWindows::ShownWindows(QObject* parent) : QObject(parent) {}

ShownWindows::~ShownWindows()
{
    if (ShownWindowWatcher* watcher = ShownWindowWatcher::current())
        watcher->dropOwnedBy(this);
}

void ShownWindows::everyModal(Answer answer)
{
    add([](QWidget* w) { return w->isModal(); }, std::move(answer), true);
}

int ShownWindows::pending() const
{
    ShownWindowWatcher* watcher = ShownWindowWatcher::current();
    return watcher ? watcher->countOwnedBy(this) : 0;
}

void ShownWindows::add(Accepts accepts, Answer answer, bool everyWindow)
{
    ShownWindowWatcher::instance().add({std::move(accepts), std::move(answer), this, everyWindow});
}

ShownWindows& freeAnswers()
{
    static QPointer<ShownWindows> answers;
    if (!answers)
        answers = new ShownWindows(qApp);
    return *answers;
}

bool chooseFile(QFileDialog* dialog, const QString& path)
{
    if (path.isEmpty()) {
        dialog->reject();
        return true;
    }
    // The name field as a user fills it: selectFile() leaves a field that has the focus alone.
    if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        name->setText(path);
    else
        dialog->selectFile(path);
    const QStringList wanted{QFileInfo(path).absoluteFilePath()};
    const bool taken = dialog->selectedFiles() == wanted;
    if (!taken)
        qWarning("the file dialog chose %s instead of %s",
                 qPrintable(dialog->selectedFiles().join(", ")), qPrintable(wanted.front()));
    // done() rather than accept(): a name that does not exist passes as a typed one would.
    static_cast<QDialog*>(dialog)->done(QDialog::Accepted);
    return taken;
}

} // namespace kolz::test
