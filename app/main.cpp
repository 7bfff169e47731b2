#include "app/Controller.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>

int main(int argc, char** argv)
{
    // A write would otherwise end the program, losing every unsaved edit: past a file-size limit
    // (ulimit -f) by SIGXFSZ, to a pipe whose reader ended (2>&1 | head) by SIGPIPE. Ignored, the
    // write fails (EFBIG, EPIPE) as on a full disk: each save says so and keeps the old file, and
    // what standard error cannot take is lost. Set before anything is written.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    try {
        Controller controller(argc, argv);
        return controller.run();
    } catch (const std::runtime_error& error) {
        // By now the controller, which was the application object, is gone: the box gets one
        // of its own. Standard error says the same for a start without a desktop.
        const QString text = QString::fromUtf8(error.what());
        std::fprintf(stderr, "%s\n", error.what());
        std::fflush(stderr);
        // Asked to end while it started: ending now answers that, a box would wait for nobody.
        if (terminationRequestedDuringStart())
            return EXIT_FAILURE;
        QApplication app(argc, argv);
        // Headless platforms have nobody to press the button; the box would never close.
        const QString platform = QGuiApplication::platformName();
        if (platform != QLatin1String("offscreen") && platform != QLatin1String("minimal")) {
            // The text may name a path: shown as it is, never read as rich text.
            QMessageBox box(QMessageBox::Critical, QString(), QString());
            box.setTextFormat(Qt::PlainText);
            box.setText(text);
            box.exec();
        }
        // The program did not start: whoever started it learns so from the status too.
        return EXIT_FAILURE;
    }
}
