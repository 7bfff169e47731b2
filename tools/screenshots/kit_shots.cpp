// Renders the about box, the feedback dialog, the preferences dialog (collapsed and with
// "Advanced" expanded), Help's box when "xdg-open" cannot be run or fails and the profile editor
// (viewing and editing a built-in profile) as PNGs for a check by eye: run by kit.sh and
// editor.sh under Xvfb, in a private HOME.
// Usage: kolz-kit-shots <output dir> [kit|editor]   (both sets by default)
#include "app/DlgPreferences.h"
#include "app/FileListWidget.h"
#include "common_gui/AboutBoxDialog.h"
#include "common_gui/FeedbackDialog.h"
#include "common_gui/OpenDocumentation.h"
#include "models/BuiltinProfiles.h"
#include "models/ProfileDataWrapper.h"
#include "prefs/KolPreferences.h"
#include "resources/KolZendraResources.h"
#include "widgets/Profile.h"
#include "widgets/ProfileServices.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <cstdio>
#include <memory>

namespace {

QString outputDir;
bool allSaved = true;

void save(QWidget& window, const char* name)
{
    QTest::qWait(200); // lets the window system finish drawing frames and fonts
    const QString path = outputDir + QLatin1Char('/') + QString::fromLatin1(name) + ".png";
    if (window.grab().save(path)) {
        std::printf("%s\n", qPrintable(path));
    } else {
        std::fprintf(stderr, "cannot save %s\n", qPrintable(path));
        allSaved = false;
    }
}

void waitExposed(QWidget& window)
{
    if (!QTest::qWaitForWindowExposed(&window))
        std::fprintf(stderr, "%s never came on screen\n", window.metaObject()->className());
}

void showExposed(QWidget& window)
{
    window.show();
    waitExposed(window);
}

// The editor only needs its services for saving, which the pictures never do.
class NoServices : public widgets::ProfileServices
{
public:
    std::string profilesDirectory() const override { return {}; }
    void selectProfile(const std::string&) override {}
    void reloadUserProfiles() override {}
    std::shared_ptr<ProfileDataWrapper> copyProfile(const ProfileDataWrapper&) override
    {
        return {};
    }
    bool saveReadOnlyProfile(const ProfileDataWrapper&,
                             std::shared_ptr<ProfileDataWrapper>&) override
    {
        return false;
    }
    std::shared_ptr<ProfileDataWrapper> newProfile() override { return {}; }
};

void kitShots(KolPreferences* store)
{
    QMainWindow main;
    main.resize(900, 600);
    showExposed(main);

    initKolZendraResources();
    AboutBoxDialog box(QStringLiteral("KolZendra 10.17.3"),
                       QImage(QStringLiteral(":/KolZendraResources/SplashKolZendra")), store,
                       "<p>This software is provided as is, without warranty of any kind.</p>",
                       &main);
    box.display(true);
    waitExposed(box);
    save(box, "kit-aboutbox");
    box.hide();

    FeedbackDialog feedback("KolZendra 10.17.3", QString(), store, &main);
    showExposed(feedback);
    save(feedback, "kit-feedback");
    feedback.hide();

    DlgPreferences preferences(store, &main);
    showExposed(preferences);
    save(preferences, "kit-preferences-collapsed");
    preferences.findChild<QCheckBox*>("chkExpandProfilesAdvanced")->setChecked(true);
    preferences.importList()->addFiles(
        {"/home/dev/profiles/tablet-es3.xml", "/home/dev/profiles/tablet-es31-extras.xml"});
    save(preferences, "kit-preferences-expanded");
    preferences.hide();

    // Help where "xdg-open" cannot be run, then where it runs but ends with a failing status, as
    // on a desktop without a program for HTML: the manual is found, and the box names it.
    QTemporaryDir docs;
    QFile manual(docs.filePath("KolZendra User Manual.html"));
    if (!manual.open(QIODevice::WriteOnly))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(manual.fileName()));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(docs.filePath("bin")));
    for (const char* shot : {"kit-docs-no-opener", "kit-docs-opener-failed"}) {
        bool saved = false;
        QTimer poll;
        poll.callOnTimeout([&] {
            if (auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                poll.stop();
                save(*shown, shot);
                saved = true;
                shown->done(QMessageBox::Ok);
            }
        });
        poll.start(50);
        openDocumentation(&main, store, "KolZendra User Manual.html", docs.path().toStdString(),
                          "Shots");
        // A failing status is heard after the call.
        if (!QTest::qWaitFor([&saved] { return saved; }, 10000))
            std::fprintf(stderr, "%s: no box came\n", shot);
        QDir().mkpath(docs.filePath("bin"));
        QFile opener(docs.filePath("bin/xdg-open"));
        if (!opener.open(QIODevice::WriteOnly) || opener.write("#!/bin/sh\nexit 3\n") != 17 ||
            !opener.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner))
            std::fprintf(stderr, "cannot write %s\n", qPrintable(opener.fileName()));
    }
    qputenv("PATH", path);
}

void editorShots()
{
    NoServices services;
    widgets::Profile editor(nullptr, &services);
    editor.resize(1042, 437);
    showExposed(editor);
    editor.setProfile(std::make_shared<ProfileDataWrapper>(
        ProfileDataWrapper::fromXml(builtinProfiles.front(), false)));
    for (const char* name : {"capabilitiesView", "extensionsView", "eglConfigsView"}) {
        auto* tree = editor.findChild<QTreeView*>(QString::fromLatin1(name));
        tree->expandToDepth(0);
        tree->setCurrentIndex(tree->model()->index(0, 0, tree->model()->index(0, 0)));
    }
    save(editor, "editor-view");
    editor.findChild<QPushButton*>(QStringLiteral("btnEdit"))->click();
    editor.findChild<QLineEdit*>(QStringLiteral("editDevice"))->setText("Tablet X (edited)");
    save(editor, "editor-edit");
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: kolz-kit-shots <output dir> [kit|editor]\n");
        return 2;
    }
    outputDir = QString::fromLocal8Bit(argv[1]);
    const QString which = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    if (which.isEmpty() || which == "kit") {
        KolPreferences store("KitShots", 0);
        std::string error;
        store.Load(error, false);
        kitShots(&store);
    }
    if (which.isEmpty() || which == "editor")
        editorShots();
    return allSaved ? 0 : 1;
}
