#pragma once

#include "prefs/KolPreferences.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

#include <functional>
#include <memory>

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
        auto* widget = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!widget && !deadline.hasExpired())
            return;
        timer->stop();
        timer->deleteLater();
        if (widget)
            answer(widget);
        else if (QWidget* stuck = QApplication::activeModalWidget())
            stuck->close();
    });
    timer->start();
}

// Answers the next message box with button, noting its title and text in log.
inline void answerBox(QStringList& log, QMessageBox::StandardButton button = QMessageBox::Ok)
{
    answerModal<QMessageBox>([&log, button](QMessageBox* box) {
        log << box->windowTitle() << box->text();
        box->button(button)->click();
    });
}

// Answers the next file dialog with path, past the dialog's own checks as a typed name would
// pass them; an empty path cancels it.
inline void answerFileDialog(const QString& path)
{
    answerModal<QFileDialog>([path](QFileDialog* dialog) {
        if (!path.isEmpty())
            dialog->selectFile(path);
        static_cast<QDialog*>(dialog)->done(path.isEmpty() ? QDialog::Rejected : QDialog::Accepted);
    });
}

// Writes a file (its folder made as needed); gives its path, or the empty text on failure.
inline QString writeFile(const QString& path, const QByteArray& bytes = {})
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? path : QString();
}

// The named preference store, read from its file.
inline std::unique_ptr<KolPreferences> loadedStore(const std::string& name)
{
    auto store = std::make_unique<KolPreferences>(name, 0);
    std::string error;
    return store->Load(error, false) ? std::move(store) : nullptr;
}

} // namespace kolz::test
