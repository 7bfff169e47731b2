#pragma once

#include "prefs/KolPreferences.h"
#include "support/ShownWindows.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include <functional>
#include <memory>

namespace kolz::test {

// Answers the next modal widget of type T once it is shown and ready (see ShownWindows.h), so
// that no test blocks on a modal dialog. The timeout is no longer used: nothing is answered on
// a clock.
template <typename T> void answerModal(std::function<void(T*)> answer, int timeoutMs = 10000)
{
    Q_UNUSED(timeoutMs);
    answerNext<T>(std::move(answer));
}

// Answers the next message box with button, noting its title and text in log.
inline void answerBox(QStringList& log, QMessageBox::StandardButton button = QMessageBox::Ok)
{
    answerNext<QMessageBox>([&log, button](QMessageBox* box) {
        log << box->windowTitle() << box->text();
        box->button(button)->click();
    });
}

// Answers the next file dialog with path, past the dialog's own checks as a typed name would
// pass them; an empty path cancels it.
inline void answerFileDialog(const QString& path)
{
    answerNext<QFileDialog>([path](QFileDialog* dialog) { chooseFile(dialog, path); });
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
