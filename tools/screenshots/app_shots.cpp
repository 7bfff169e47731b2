// Drives the real program into the states worth looking at and saves each screen as a PNG:
// run by app.sh under Xvfb, in a private HOME and TMPDIR. Usage: kolz-app-shots <output dir>
#include "app/Controller.h"
#include "monitor/ClientInterface.h"
#include "monitor/ClientTabWidget.h"
#include "tests/peer/TestPeer.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QIcon>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <cstdio>

using namespace ui::messages;
using kolz::test::TestPeer;

namespace {

QString outputDir;

void settle(int ms = 400)
{
    QTest::qWait(ms);
}

// The whole screen, so that popups and dialogs are in the picture.
void shoot(const char* name)
{
    settle();
    const QString path = outputDir + QLatin1Char('/') + QString::fromLatin1(name) + ".png";
    if (!QGuiApplication::primaryScreen()->grabWindow(0).save(path))
        std::fprintf(stderr, "cannot save %s\n", qPrintable(path));
    else
        std::printf("%s\n", qPrintable(path));
}

std::vector<Message> demoFrames(const std::string& name, PID_TYPE pid)
{
    return {Message::makeSetPID(pid),
            Message::makeSetName(name),
            Message::makeInfo("Starting up"),
            Message::makeBeginSection(0x8246, 1, "eglInitialize"),
            Message::makeInfo("Choosing a configuration"),
            Message::makeDebugMessage(0x8246, 0x824C, 7, 0x9146, "A debug message"),
            Message::makeEndSection(),
            Message::makeWarning("Texture size rounded up"),
            Message::makeError("Shader failed to compile"),
            Message::makeGLError(0x502, "glDrawArrays", "No program bound"),
            Message::makeContextInfo(1, false, 2, 1, {1, 2, 34}, {5}, {7}, 13, 6, {1, 2, 3}),
            Message::makeReportGLVersion(13),
            Message::makeReportHostExtension(1, true),
            Message::makeReportFeature("compute shaders", false),
            Message::makeReportRequirement("compute shaders", 16, {}),
            Message::makeReportAPIFeature(4, "compute shaders"),
            Message::makeReportComplete()};
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output dir>\n", argv[0]);
        return 2;
    }
    outputDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outputDir);

    Controller app(argc, argv);
    MainWindow& window = app.window();
    window.aboutBoxDialog()->hideShowAtStartup(true);
    window.resize(1180, 640);
    window.move(0, 0);
    window.show();
    settle(800);
    auto* tabs = window.findChild<QTabWidget*>("mainTabWidget");
    auto* profiles = window.findChild<QComboBox*>("cmbProfile");

    // 1. A built-in profile in the editor.
    profiles->setCurrentIndex(profiles->findText(
        QString::fromStdString(app.builtIns()[app.builtIns().size() / 2]->data()->displayName())));
    tabs->setCurrentIndex(0);
    for (QTreeView* view : window.profileEditorWidget()->findChildren<QTreeView*>())
        view->expandToDepth(1);
    shoot("01-profile");

    // 2. Edit mode with a value's editor open.
    window.profileEditorWidget()->findChild<QPushButton*>("btnEdit")->click();
    settle();
    // A value shown by name (a format, an EGL enum) opens a selector rather than a number box.
    bool opened = false;
    for (QTreeView* view : window.profileEditorWidget()->findChildren<QTreeView*>()) {
        QAbstractItemModel* model = view->model();
        for (int top = 0; model && !opened && top < model->rowCount(); ++top) {
            const QModelIndex parent = model->index(top, 0);
            for (int row = 0; !opened && row < model->rowCount(parent); ++row) {
                const QModelIndex cell = model->index(row, 1, parent);
                if (!cell.data().toString().startsWith(QLatin1String("GL_PALETTE4_RGBA")))
                    continue;
                view->scrollTo(cell);
                view->setCurrentIndex(cell);
                view->edit(cell);
                settle();
                if (auto* combo = view->findChild<QComboBox*>()) {
                    combo->showPopup();
                    opened = true;
                }
            }
        }
    }
    shoot("02-edit-mode");
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &window,
                    Qt::Key_Escape);

    // The question in front of a step that would drop the edits.
    window.profileEditorWidget()->findChild<QLineEdit*>("editDevice")->setText("Edited device");
    QTimer::singleShot(800, &app, [] {
        shoot("02b-unsaved-edits-question");
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->button(QMessageBox::Cancel)->click();
    });
    window.newProfile();
    window.profileEditorWidget()->findChild<QPushButton*>("btnDiscard")->click();
    settle();

    // 3. Two applications, the first one finished.
    TestPeer finished;
    TestPeer running;
    if (!finished.connectToPanel() || !running.connectToPanel()) {
        std::fprintf(stderr, "cannot connect the peers\n");
        return 1;
    }
    finished.send(demoFrames("particles-demo", 4242));
    settle();
    finished.disconnectCleanly();
    running.send(demoFrames("shadow-test", 4343));
    tabs->setCurrentIndex(1);
    settle();
    ClientTabWidget* clients = window.clientTabWidget();
    clients->setCurrentIndex(0);
    clients->page(0)->findChild<QTabWidget*>("tabWidget")->setCurrentIndex(0); // console
    shoot("03-programs-first-finished");
    clients->setCurrentIndex(1);
    clients->page(1)->findChild<QTabWidget*>("tabWidget")->setCurrentIndex(1); // error list
    shoot("04-programs-second-running");

    // 4. The system report.
    tabs->setCurrentIndex(2);
    shoot("05-system-report");

    // 5. The preferences dialog.
    QTimer::singleShot(800, &app, [] {
        shoot("06-preferences");
        if (QWidget* dialog = QApplication::activeModalWidget())
            dialog->close();
    });
    window.onPreferences();

    // 6. The application's own images, large enough to judge.
    QPixmap sheet(6 * 80, 80);
    sheet.fill(Qt::white);
    {
        QPainter painter(&sheet);
        int x = 8;
        for (const char* image : {"KolZendra", "Edit", "SaveFile", "Close", "Expand", "Collapse"}) {
            QIcon(QStringLiteral(":/KolZendraResources/") + image).paint(&painter, x, 8, 64, 64);
            x += 80;
        }
    }
    sheet.save(outputDir + QStringLiteral("/07-images.png"));

    window.close();
    settle();
    return 0;
}
