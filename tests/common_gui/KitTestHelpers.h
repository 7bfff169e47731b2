#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace kolz::test {

// Answers the next modal widget of type T from the event loop, so that no test blocks on a
// modal dialog. Whatever modal widget is still up after the timeout is closed, and the test
// then fails on what it finds.
template <typename T> void answerModal(std::function<void(T*)> answer, int timeoutMs = 10000)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    const QDeadlineTimer deadline(timeoutMs);
    QObject::connect(timer, &QTimer::timeout, [timer, deadline, answer] {
        if (auto* widget = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            answer(widget);
            return;
        }
        if (deadline.hasExpired()) {
            timer->stop();
            timer->deleteLater();
            if (QWidget* stuck = QApplication::activeModalWidget())
                stuck->close();
        }
    });
    timer->start();
}

} // namespace kolz::test
