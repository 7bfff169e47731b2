// Drives the real program into the states where long texts are shown and saves each window as a
// PNG, to check by eye that every text reads whole: run by readable.sh under Xvfb with a window
// manager, in a private HOME and TMPDIR. Usage: kolz-readable-shots <output dir>
#include "app/Controller.h"
#include "monitor/ClientInterface.h"
#include "monitor/ClientTabWidget.h"
#include "monitor/Console.h"
#include "monitor/ErrorListModel.h"
#include "tests/peer/TestPeer.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontComboBox>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <cstdio>
#include <string>

using namespace ui::messages;
using kolz::test::TestPeer;

namespace {

QString outputDir;

void settle(int ms = 400)
{
    QTest::qWait(ms);
}

// The window with its frame as the window manager drew it.
void shoot(const QWidget* window, const QString& name)
{
    settle();
    const QRect frame = window->frameGeometry();
    const QString path = outputDir + QLatin1Char('/') + name + ".png";
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(
        0, frame.x(), frame.y(), frame.width(), frame.height());
    if (!shot.save(path))
        std::fprintf(stderr, "cannot save %s\n", qPrintable(path));
    else
        std::printf("%s\n", qPrintable(path));
}

std::vector<Message> titledFrames()
{
    return {Message::makeSetPID(4242),
            Message::makeSetName("typography-demo"),
            Message::makeInfo("Starting up: glyphs below the baseline read g, p, q, y, j and _"),
            Message::makeBeginSection(0x8246, 1, "eglInitialize_display (gpqy)"),
            Message::makeDebugMessage(0x8246, 0x824C, 7, 0x9146, "A debug message"),
            Message::makeEndSection(),
            Message::makeWarning("Texture size rounded up"),
            Message::makeError("Shader failed to compile"),
            Message::makeGLError(0x502, "glDrawArrays", "No program bound"),
            Message::makeGLError(0x506, "glCopyTexImage2D", "Framebuffer incomplete")};
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
    // A user profile whose names are longer than any built-in's.
    if (QFile file(qEnvironmentVariable("ZENDRA_PROFILE_PATH") + "/long.xml");
        file.open(QIODevice::WriteOnly))
        file.write("<profile><vendor>Tollerwaith Technologies Kolvane Division, Reference "
                   "Platforms</vendor><renderer>Kolvane K360 Quad reference renderer, second "
                   "revision build</renderer><device>Quillon Orbit S long-name test device, "
                   "sixty characters</device></profile>");

    Controller app(argc, argv);
    MainWindow& window = app.window();
    window.aboutBoxDialog()->hideShowAtStartup(true);
    window.move(0, 0);
    window.show();
    settle(800);
    auto* tabs = window.findChild<QTabWidget*>("mainTabWidget");
    auto* profiles = window.findChild<QComboBox*>("cmbProfile");
    auto* fonts = window.findChild<QFontComboBox*>("cmbFont");

    // 1. The built-in profile with the longest vendor name, in edit mode.
    std::string vendor, name;
    for (const auto& entry : app.builtIns()) {
        if (entry->data()->vendor().size() > vendor.size()) {
            vendor = entry->data()->vendor();
            name = entry->data()->displayName();
        }
    }
    profiles->setCurrentIndex(profiles->findText(QString::fromStdString(name)));
    tabs->setCurrentIndex(0);
    settle();
    shoot(&window, "01-profile-view-mode");
    window.profileEditorWidget()->findChild<QPushButton*>("btnEdit")->click();
    for (QTreeView* view : window.profileEditorWidget()->findChildren<QTreeView*>())
        view->expandAll();
    settle();
    shoot(&window, "02-profile-edit-mode");
    window.profileEditorWidget()->findChild<QPushButton*>("btnDiscard")->click();

    // 1b. The long names, in both modes, with the window at its narrowest and at 1366 pixels.
    profiles->setCurrentIndex(profiles->findText("Quillon Orbit S", Qt::MatchStartsWith));
    for (const char* mode : {"view", "edit"}) {
        if (QLatin1String(mode) == QLatin1String("edit"))
            window.profileEditorWidget()->findChild<QPushButton*>("btnEdit")->click();
        for (const int width : {1, 1366}) {
            window.resize(width, 480);
            settle();
            std::printf("%s mode, asked for %d: %d wide\n", mode, width, window.width());
            shoot(&window, QStringLiteral("02-long-names-%1-%2").arg(mode).arg(width));
        }
    }
    window.profileEditorWidget()->findChild<QPushButton*>("btnDiscard")->click();
    profiles->setCurrentIndex(profiles->findText(QString::fromStdString(name)));
    window.profileEditorWidget()->findChild<QPushButton*>("btnEdit")->click();
    for (QTreeView* view : window.profileEditorWidget()->findChildren<QTreeView*>())
        view->expandAll();

    // 2. The capability tree's format values with a format's editor open, and the EGL
    // configuration id's editor.
    window.resize(1400, 900);
    settle();
    auto* capabilities = window.profileEditorWidget()->findChild<QTreeView*>("capabilitiesView");
    auto* configs = window.profileEditorWidget()->findChild<QTreeView*>("eglConfigsView");
    auto openEditor = [](QTreeView* view, const QModelIndex& cell, const QString& name) {
        view->scrollTo(cell);
        view->setCurrentIndex(cell);
        view->edit(cell);
        shoot(view->window(), name);
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : view,
                        Qt::Key_Escape);
    };
    if (QAbstractItemModel* model = capabilities ? capabilities->model() : nullptr) {
        QModelIndex format;
        for (int top = 0; !format.isValid() && top < model->rowCount(); ++top) {
            const QModelIndex api = model->index(top, 0);
            for (int row = 0; !format.isValid() && row < model->rowCount(api); ++row) {
                if (model->index(row, 1, api).data().toString().startsWith("GL_PALETTE4"))
                    format = model->index(row, 1, api);
            }
        }
        if (format.isValid())
            openEditor(capabilities, format, "03-capability-formats");
    }
    if (configs && configs->model())
        openEditor(configs, configs->model()->index(0, 0), "03-configuration-id");

    // 3. The file-name prompt of Save As.
    QTimer::singleShot(800, &app, [] {
        if (QWidget* prompt = QApplication::activeModalWidget()) {
            shoot(prompt, "04-file-name-prompt");
            prompt->close();
        }
    });
    window.profileEditorWidget()->findChild<QPushButton*>("btnSaveAs")->click();
    settle();
    window.profileEditorWidget()->findChild<QPushButton*>("btnDiscard")->click();
    window.resize(1180, 640);

    // 4. Framed titles in three fonts.
    TestPeer peer;
    if (!peer.connectToPanel()) {
        std::fprintf(stderr, "cannot connect the peer\n");
        return 1;
    }
    tabs->setCurrentIndex(1);
    settle();
    ClientTabWidget* clients = window.clientTabWidget();
    clients->page(0)->findChild<QTabWidget*>("tabWidget")->setCurrentIndex(0);
    peer.send(titledFrames());
    for (const char* family : {"DejaVu Sans Mono", "Nimbus Sans", "URW Bookman"}) {
        fonts->setCurrentFont(QFont(QString::fromLatin1(family)));
        shoot(&window, QStringLiteral("05-console-") +
                           QString::fromLatin1(family).replace(QLatin1Char(' '), QString()));
    }

    // 4b. A console renewed under short sections (its window lowered, so that a few hundred
    // messages renew it several times): the notice on top, then sections and framed messages.
    clients->page(0)->console()->setWindow(60);
    std::vector<Message> sections;
    for (int i = 0; i < 400; ++i) {
        const std::string n = std::to_string(i);
        if (i % 5 == 0)
            sections.push_back(Message::makeBeginSection(0x8246, std::uint32_t(i), "Frame " + n));
        else if (i % 5 == 4)
            sections.push_back(Message::makeEndSection());
        else
            sections.push_back(Message::makeWarning("Slow path taken in draw " + n));
    }
    peer.send(sections);
    settle(2000);
    shoot(&window, "05-console-renewed");
    clients->page(0)->console()->setWindow(Console::defaultWindow);

    // 5. The error list after a flood that passed its bound (lowered here, so that the flood
    // takes seconds rather than minutes).
    ClientInterface* page = clients->page(0);
    page->errorListModel()->setRowLimit(3200);
    std::vector<Message> flood;
    for (int i = 0; i < 4000; ++i)
        flood.push_back(Message::makeWarning("Flood warning " + std::to_string(i)));
    peer.send(flood);
    settle(3000);
    page->findChild<QTabWidget*>("tabWidget")->setCurrentIndex(1);
    shoot(&window, "06-error-list-after-flood");

    // 6. Context pages past their bound, one with every kind of extension support.
    std::vector<Message> contexts;
    for (int id = 1; id <= ClientInterface::maxContextPages + 2; ++id)
        contexts.push_back(
            Message::makeContextInfo(id, id % 2, 2, 1, {1, 2, 34}, {5}, {7, 9}, 13, 6, {1, 2, 3}));
    peer.send(contexts);
    settle(3000);
    page->findChild<QTabWidget*>("tabWidget")->setCurrentIndex(2);
    shoot(&window, "07-context-pages");

    window.close();
    settle();
    return 0;
}
