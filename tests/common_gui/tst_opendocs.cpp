#include "support/TestEnvironment.h"

#include "common_gui/ClickableLabel.h"
#include "common_gui/KitTestHelpers.h"
#include "common_gui/OpenDocumentation.h"
#include "prefs/KolPreferences.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <cerrno>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Arguments the stand-in recorded, NUL-terminated each.
QList<QByteArray> recordedArguments(const QString& record)
{
    QList<QByteArray> args = readAll(record + QStringLiteral(".args")).split('\0');
    if (!args.isEmpty() && args.last().isEmpty())
        args.removeLast();
    return args;
}

// Creates an empty file, with its folder.
bool touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    return QFile(path).open(QIODevice::WriteOnly);
}

bool noChildLeft()
{
    int status = 0;
    return ::waitpid(-1, &status, WNOHANG) == -1 && errno == ECHILD;
}

} // namespace

class TestOpenDocumentation : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void pathsReachTheOpenerUnchangedWithOnlyStandardDescriptors();
    void missingFilesAndMissingOpener();
    void lookupOrderStoredThenPlainThenDirectory();
    void locatedFileIsRememberedAndFailuresAskAgain();
    void clickableLabelReportsLeftButtonOnly();
    void listDirectoryTakesFirstMatchIgnoringCase();

private:
    // Sets up a fresh record name for the stand-in and returns it.
    QString nextRecord();
    bool waitForRecord(const QString& record);

    QTemporaryDir work;
    QByteArray savedPath;
    int records = 0;
};

void TestOpenDocumentation::init()
{
    QVERIFY(work.isValid());
    QVERIFY(QDir().mkpath(work.filePath("bin")));
    QFile::remove(work.filePath("bin/xdg-open"));
    QVERIFY(QFile::copy(QStringLiteral(KOLZ_FAKE_XDG_OPEN), work.filePath("bin/xdg-open")));
    QFile(work.filePath("bin/xdg-open"))
        .setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::WriteOwner);
    savedPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(work.filePath("bin")) + ":" + savedPath);
}

void TestOpenDocumentation::cleanup()
{
    qputenv("PATH", savedPath);
}

QString TestOpenDocumentation::nextRecord()
{
    const QString record = work.filePath(QStringLiteral("record%1").arg(++records));
    qputenv("KOLZ_FAKE_XDG_RECORD", QFile::encodeName(record));
    return record;
}

bool TestOpenDocumentation::waitForRecord(const QString& record)
{
    const QString args = record + QStringLiteral(".args");
    QDeadlineTimer deadline(10000);
    while (!QFile::exists(args) && !deadline.hasExpired())
        QTest::qWait(10);
    return QFile::exists(args);
}

void TestOpenDocumentation::pathsReachTheOpenerUnchangedWithOnlyStandardDescriptors()
{
    // A descriptor without close-on-exec, as a library might leave one open.
    const int leaked = ::open("/dev/null", O_RDONLY);
    QVERIFY(leaked > 2);

    const QStringList names = {
        QStringLiteral("plain.html"),
        QStringLiteral("with \"quotes\" and spaces.html"),
        QStringLiteral("$HOME and $(touch pwned) and `touch pwned2`.html"),
        QStringLiteral("back\\slash\\\".html"),
        QStringLiteral("new\nline; rm -rf x'.html"),
    };
    for (const QString& name : names) {
        const QString path = work.filePath(name);
        QVERIFY(touch(path));

        const QString record = nextRecord();
        QVERIFY(openWithDesktop(path.toStdString()));
        // The intermediate child is reaped before the call returns; nothing is left to wait for.
        QVERIFY(noChildLeft());
        QVERIFY2(waitForRecord(record), qPrintable(name));
        QCOMPARE(recordedArguments(record), QList<QByteArray>{path.toUtf8()});
        QCOMPARE(readAll(record + ".fds"), QByteArray("0\n1\n2\n"));
    }
    ::close(leaked);
    QVERIFY(!QFile::exists(work.filePath("pwned")));
    QVERIFY(!QFile::exists(work.filePath("pwned2")));
}

void TestOpenDocumentation::missingFilesAndMissingOpener()
{
    QVERIFY(!openWithDesktop(work.filePath("absent.html").toStdString()));
    // Without any xdg-open the child still started, which is all the caller learns.
    QVERIFY(touch(work.filePath("present.html")));
    qputenv("PATH", QFile::encodeName(work.filePath("nowhere")));
    QVERIFY(openWithDesktop(work.filePath("present.html").toStdString()));
    QVERIFY(noChildLeft());
}

void TestOpenDocumentation::lookupOrderStoredThenPlainThenDirectory()
{
    KolPreferences store("KitDocsOrder", 0);
    std::string error;
    QVERIFY(store.Load(error, false));

    for (const char* file : {"docs/manual.html", "cwd/manual.html", "stored.html"})
        QVERIFY(touch(work.filePath(file)));
    const QString docs = work.filePath("docs");
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(work.filePath("cwd")));

    // 1: the remembered path wins; nothing is written back.
    QVERIFY(store.SetString("OpenDocs/Document", work.filePath("stored.html").toStdString()) ==
            KolPreferences::SUCCESS);
    QString record = nextRecord();
    openDocumentation(nullptr, &store, "manual.html", docs.toStdString(), "Document");
    QVERIFY(waitForRecord(record));
    QCOMPARE(recordedArguments(record), QList<QByteArray>{work.filePath("stored.html").toUtf8()});

    // 2: the remembered file has gone; the plain name opens, relative as given.
    QVERIFY(QFile::remove(work.filePath("stored.html")));
    record = nextRecord();
    openDocumentation(nullptr, &store, "manual.html", docs.toStdString(), "Document");
    QVERIFY(waitForRecord(record));
    QCOMPARE(recordedArguments(record), QList<QByteArray>{"manual.html"});

    // 3: only inside the directory, as an absolute path; no box was needed and nothing stored.
    QVERIFY(QFile::remove(work.filePath("cwd/manual.html")));
    record = nextRecord();
    openDocumentation(nullptr, &store, "manual.html", docs.toStdString(), "Document");
    QVERIFY(waitForRecord(record));
    QCOMPARE(recordedArguments(record),
             QList<QByteArray>{QDir(docs).absoluteFilePath("manual.html").toUtf8()});
    std::string stored;
    store.GetString("OpenDocs/Document", stored);
    QCOMPARE(stored, work.filePath("stored.html").toStdString());

    QVERIFY(QDir::setCurrent(previous));
}

void TestOpenDocumentation::locatedFileIsRememberedAndFailuresAskAgain()
{
    KolPreferences store("KitDocsLocate", 0);
    std::string error;
    QVERIFY(store.Load(error, false));
    const QString chosen = work.filePath("elsewhere/guide.html");
    QVERIFY(touch(chosen));

    // Not found anywhere: the first box, then the file dialog, where the user picks the file.
    QStringList titles;
    QString boxText;
    kolz::test::answerModal<QMessageBox>([&](QMessageBox* box) {
        titles << box->windowTitle();
        boxText = box->text();
        kolz::test::answerModal<QFileDialog>([&](QFileDialog* dialog) {
            dialog->selectFile(chosen);
            static_cast<QDialog*>(dialog)->accept();
        });
        box->button(QMessageBox::Ok)->click();
    });
    QString record = nextRecord();
    openDocumentation(nullptr, &store, "guide.html", work.filePath("nodocs").toStdString(), "");
    QCOMPARE(titles, QStringList{"Documentation File Not Found"});
    QCOMPARE(boxText, QStringLiteral("Please locate the file: guide.html\n"));
    QVERIFY(waitForRecord(record));
    QCOMPARE(recordedArguments(record), QList<QByteArray>{chosen.toUtf8()});

    // Remembered under "OpenDocs/" (the empty key) and saved to the file.
    KolPreferences reread("KitDocsLocate", 0);
    QVERIFY(reread.Load(error, false));
    std::string stored;
    reread.GetString("OpenDocs/", stored);
    QCOMPARE(stored, chosen.toStdString());

    // A chosen file that cannot be opened brings the second box; Cancel ends without storing.
    titles.clear();
    kolz::test::answerModal<QMessageBox>([&](QMessageBox* box) {
        titles << box->windowTitle();
        kolz::test::answerModal<QFileDialog>([&](QFileDialog* dialog) {
            dialog->selectFile(work.filePath("elsewhere/gone.html"));
            static_cast<QDialog*>(dialog)->done(QDialog::Accepted);
            kolz::test::answerModal<QMessageBox>([&](QMessageBox* second) {
                titles << second->windowTitle();
                second->button(QMessageBox::Cancel)->click();
            });
        });
        box->button(QMessageBox::Ok)->click();
    });
    record = nextRecord();
    openDocumentation(nullptr, &store, "guide.html", work.filePath("nodocs").toStdString(),
                      "Other");
    QCOMPARE(titles, (QStringList{"Documentation File Not Found", "File Open Failed"}));
    QVERIFY(!store.Exists("OpenDocs/Other"));
}

void TestOpenDocumentation::clickableLabelReportsLeftButtonOnly()
{
    ClickableLabel label(QStringLiteral("What's this?"));
    label.resize(100, 20);
    label.show();
    QVERIFY(QTest::qWaitForWindowExposed(&label));
    QSignalSpy clicked(&label, &ClickableLabel::clicked);
    QSignalSpy doubleClicked(&label, &ClickableLabel::doubleClicked);

    QTest::mouseClick(&label, Qt::RightButton);
    QCOMPARE(clicked.count(), 0);
    QTest::mouseClick(&label, Qt::LeftButton);
    QCOMPARE(clicked.count(), 1);
    QTest::mouseDClick(&label, Qt::LeftButton);
    QCOMPARE(doubleClicked.count(), 1);
}

void TestOpenDocumentation::listDirectoryTakesFirstMatchIgnoringCase()
{
    for (const char* name : {"B-manual.html", "a-notes.pdf", "c.txt"})
        QVERIFY(touch(work.filePath(QStringLiteral("list/") + name)));
    const std::string list = work.filePath("list").toStdString();
    std::string out = "unchanged";
    QVERIFY(!listDirectory(out, list, "*.xml"));
    QCOMPARE(out, std::string("unchanged"));
    QVERIFY(listDirectory(out, list, "*"));
    QCOMPARE(out, std::string("a-notes.pdf"));
    QVERIFY(listDirectory(out, list, "*.html"));
    QCOMPARE(out, std::string("B-manual.html"));
}

KOLZ_TEST_MAIN_WIDGETS(TestOpenDocumentation)
#include "tst_opendocs.moc"
