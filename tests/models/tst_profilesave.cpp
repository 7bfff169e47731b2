#include "support/TestEnvironment.h"

#include "models/ProfileData.h"
#include "models/ProfileDataWrapper.h"
#include "models/ProfileFileDialogs.h"
#include "models/ProfileFiles.h"
#include "support/ShownWindows.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <deque>
#include <functional>

namespace {

// Answers the modal dialogs that the code under test opens, one queued answer per dialog, each
// once the dialog is shown and ready, and records what each dialog showed. A check inside a
// dialog's event loop cannot fail the test, so what goes wrong here is recorded and checked by
// the test once the dialogs are closed (CHECK_DRIVER).
class ModalDriver
{
public:
    struct Shown
    {
        QString kind; // "prompt" or "box"
        QString text;
        QString informative;
        QString input;
        // Every label of a box shows its text as it is, never as rich text.
        bool plain = false;
    };

    ModalDriver()
    {
        m_windows.everyModal([this](QWidget* modal) { take(modal); });
    }

    // Prompt answers: a text to accept, or std::nullopt to cancel.
    void enter(const QString& name) { m_answers.push_back({QString(), name, true}); }
    void cancel() { m_answers.push_back({QString(), QString(), false}); }
    // Box answers: the button to press.
    void press(QMessageBox::StandardButton button)
    {
        m_answers.push_back({QStringLiteral("box"), QString(), true, button});
    }

    const std::vector<Shown>& shown() const { return m_shown; }
    bool allAnswered() const { return m_answers.empty(); }
    // What went wrong while answering; empty when every dialog was the one expected.
    QString problems() const { return m_problems.join(QLatin1Char('\n')); }

private:
    struct Answer
    {
        QString kind;
        QString text;
        bool accept = true;
        QMessageBox::StandardButton button = QMessageBox::Ok;
    };

    void take(QWidget* modal)
    {
        if (m_answers.empty()) {
            m_problems << QStringLiteral("unexpected dialog: %1").arg(modalText(modal));
            QMetaObject::invokeMethod(modal, "reject");
            return;
        }
        const Answer answer = m_answers.front();
        m_answers.pop_front();

        if (auto* prompt = qobject_cast<QInputDialog*>(modal)) {
            m_shown.push_back(
                {QStringLiteral("prompt"), prompt->labelText(), QString(), prompt->textValue()});
            if (!answer.kind.isEmpty())
                m_problems << QStringLiteral("a prompt where a box was expected");
            if (prompt->windowTitle() != QStringLiteral("Choose a file name"))
                m_problems << QStringLiteral("prompt titled '%1'").arg(prompt->windowTitle());
            if (answer.accept) {
                prompt->setTextValue(answer.text);
                prompt->accept();
            } else {
                prompt->reject();
            }
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            bool plain = box->textFormat() == Qt::PlainText;
            for (const QLabel* label : box->findChildren<QLabel*>())
                plain = plain && (label->text().isEmpty() || label->textFormat() == Qt::PlainText);
            m_shown.push_back(
                {QStringLiteral("box"), box->text(), box->informativeText(), {}, plain});
            if (answer.kind != QStringLiteral("box"))
                m_problems
                    << QStringLiteral("a box where a prompt was expected: %1").arg(box->text());
            if (QAbstractButton* button = box->button(answer.button)) {
                button->click();
            } else {
                m_problems
                    << QStringLiteral("no button %1 in '%2'").arg(answer.button).arg(box->text());
                box->reject();
            }
        } else {
            m_problems << QStringLiteral("unknown dialog %1").arg(modal->metaObject()->className());
            QMetaObject::invokeMethod(modal, "reject");
        }
    }

    static QString modalText(QWidget* modal)
    {
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            return box->text() + QLatin1Char(' ') + box->informativeText();
        return modal->windowTitle();
    }

    std::deque<Answer> m_answers;
    std::vector<Shown> m_shown;
    QStringList m_problems;
    kolz::test::ShownWindows m_windows;
};

#define CHECK_DRIVER(driver)                                                                       \
    QVERIFY2((driver).problems().isEmpty(), qPrintable((driver).problems()))

QString profilesDir()
{
    return kolz::test::environment().profiles();
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

ProfileData sample(const std::string& device)
{
    ProfileData data;
    data.setDevice(device);
    data.extensions[2] = {"GL_OES_depth24"};
    return data;
}

// The old profile in slate.xml, which a save that fails must leave as it is.
const QByteArray oldSlate = "<profile><device>Old</device></profile>\n";

// Slate, to be saved over slate.xml, which holds oldSlate.
ProfileData slateOverOldFile(const QString& path)
{
    writeBytes(path, oldSlate);
    ProfileData data = sample("Slate");
    data.setFileName("slate.xml");
    return data;
}

} // namespace

class TestProfileSave : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void proposesFileName();
    void savesUnderItsOwnNameWithoutAsking();
    void promptsForMissingName();
    void cancelledPromptWritesNothing();
    void refusesNamesOutsideTheDirectory();
    void refusesHiddenNames();
    void asksBeforeReplacingAnotherFile();
    void reportsFileThatCannotBeOpened_data();
    void reportsFileThatCannotBeOpened();
    void failedWriteKeepsOldFile();
    void refusesWhatWouldNotReadBack();
    void refusesSetFileNameOutsideTheDirectory();
    void refusesRowsThatCannotBeWritten();
    void showsNamesAsPlainText_data();
    void showsNamesAsPlainText();
    void neverWritesThroughDanglingLinks_data();
    void neverWritesThroughDanglingLinks();
    void savesLongestFileNames_data();
    void savesLongestFileNames();
};

void TestProfileSave::init()
{
    QDir dir(profilesDir());
    dir.removeRecursively();
    QVERIFY(QDir().mkpath(profilesDir()));
}

void TestProfileSave::proposesFileName()
{
    ProfileData data = sample("Slate 7.xml");
    QCOMPARE(defaultFileName(data), std::string("Slate 7.xml"));
    data.setDevice("Slate 7.XML");
    QCOMPARE(defaultFileName(data), std::string("Slate 7.XML.xml"));
    data.setDevice("Slate");
    QCOMPARE(defaultFileName(data), std::string("Slate.xml"));
    data.setDevice("");
    data.setRenderer("K2.1");
    QCOMPARE(defaultFileName(data), std::string("Generic K2.1.xml"));
    data.setFileName("own");
    QCOMPARE(defaultFileName(data), std::string("own"));
}

void TestProfileSave::savesUnderItsOwnNameWithoutAsking()
{
    ModalDriver driver;
    ProfileData data = sample("Slate");
    data.setFileName("slate.xml");
    writeBytes(profilesDir() + "/slate.xml", "old");

    QVERIFY(data.save(profilesDir().toStdString()));
    QVERIFY(driver.shown().empty());
    const QByteArray written = fileBytes(profilesDir() + "/slate.xml");
    QVERIFY(written.startsWith("<profile>\n    <device>Slate</device>"));
    QCOMPARE(ProfileData::fromFile((profilesDir() + "/slate.xml").toStdString()), data);

    // Save As with the profile's own name replaces its file without a question.
    driver.enter(QStringLiteral("slate.xml"));
    data.setDevice("Slate 2");
    QVERIFY(data.saveAs(profilesDir().toStdString()));
    QCOMPARE(driver.shown().size(), std::size_t(1));
    QCOMPARE(driver.shown()[0].input, QStringLiteral("slate.xml"));
    QVERIFY(fileBytes(profilesDir() + "/slate.xml").contains("Slate 2"));
    CHECK_DRIVER(driver);
}

void TestProfileSave::promptsForMissingName()
{
    ModalDriver driver;
    driver.enter(QString());
    driver.enter(QStringLiteral(" spaced name "));
    ProfileData data = sample("Slate");

    QVERIFY(data.save(profilesDir().toStdString()));
    QVERIFY(driver.allAnswered());
    QCOMPARE(driver.shown().size(), std::size_t(2));
    QCOMPARE(driver.shown()[0].text, QStringLiteral("File name:"));
    QCOMPARE(driver.shown()[0].input, QStringLiteral("Slate.xml"));
    QCOMPARE(data.fileName(), std::string(" spaced name "));
    QVERIFY(QFile::exists(profilesDir() + "/ spaced name "));
    CHECK_DRIVER(driver);
}

void TestProfileSave::cancelledPromptWritesNothing()
{
    ModalDriver driver;
    driver.cancel();
    ProfileData data = sample("Slate");
    QVERIFY(!data.save(profilesDir().toStdString()));
    QVERIFY(data.fileName().empty());

    driver.cancel();
    data.setFileName("kept.xml");
    QVERIFY(!data.saveAs(profilesDir().toStdString()));
    QVERIFY(data.fileName().empty());
    QVERIFY(driver.allAnswered());
    QCOMPARE(QDir(profilesDir()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), 0);
    CHECK_DRIVER(driver);
}

void TestProfileSave::refusesNamesOutsideTheDirectory()
{
    QVERIFY(QDir().mkpath(profilesDir() + "/sub"));
    ModalDriver driver;
    for (const char* bad : {"../escape.xml", "sub/inner.xml", ".", ".."}) {
        driver.enter(QString::fromLatin1(bad));
        driver.press(QMessageBox::Ok);
    }
    driver.enter(QStringLiteral("fine.xml"));

    ProfileData data = sample("Slate");
    QVERIFY(data.saveAs(profilesDir().toStdString()));
    QVERIFY(driver.allAnswered());
    QCOMPARE(data.fileName(), std::string("fine.xml"));
    QCOMPARE(driver.shown().size(), std::size_t(9));
    QCOMPARE(driver.shown()[1].kind, QStringLiteral("box"));
    QVERIFY(driver.shown()[1].text.contains("../escape.xml"));
    // The refused text is offered again for correction.
    QCOMPARE(driver.shown()[2].input, QStringLiteral("../escape.xml"));
    QVERIFY(!QFile::exists(profilesDir() + "/../escape.xml"));
    QVERIFY(!QFile::exists(profilesDir() + "/sub/inner.xml"));
    QVERIFY(QFile::exists(profilesDir() + "/fine.xml"));
    CHECK_DRIVER(driver);
}

// A hidden file is never listed among the profiles: written, the profile would seem lost.
void TestProfileSave::refusesHiddenNames()
{
    ModalDriver driver;
    driver.enter(QStringLiteral(".slate.xml"));
    driver.press(QMessageBox::Ok);
    driver.enter(QStringLiteral("slate.xml"));

    ProfileData data = sample("Slate");
    QVERIFY(data.saveAs(profilesDir().toStdString()));
    QVERIFY(driver.allAnswered());
    QCOMPARE(data.fileName(), std::string("slate.xml"));
    QCOMPARE(driver.shown().size(), std::size_t(3));
    QCOMPARE(driver.shown()[1].kind, QStringLiteral("box"));
    QVERIFY(driver.shown()[1].text.contains("'.slate.xml'"));
    QVERIFY(driver.shown()[1].text.contains("hidden"));
    QCOMPARE(driver.shown()[2].input, QStringLiteral(".slate.xml"));
    QCOMPARE(QDir(profilesDir()).entryList(QDir::Files | QDir::Hidden), QStringList{"slate.xml"});
    CHECK_DRIVER(driver);
}

void TestProfileSave::asksBeforeReplacingAnotherFile()
{
    writeBytes(profilesDir() + "/taken.xml", "other profile");
    ModalDriver driver;
    driver.enter(QStringLiteral("taken.xml"));
    driver.press(QMessageBox::No);
    driver.cancel();
    ProfileData data = sample("Slate");
    QVERIFY(!data.save(profilesDir().toStdString()));
    QCOMPARE(fileBytes(profilesDir() + "/taken.xml"), QByteArray("other profile"));
    QCOMPARE(driver.shown()[1].kind, QStringLiteral("box"));
    QVERIFY(driver.shown()[1].text.contains("taken.xml"));

    driver.enter(QStringLiteral("taken.xml"));
    driver.press(QMessageBox::No);
    driver.enter(QStringLiteral("taken.xml"));
    driver.press(QMessageBox::Yes);
    QVERIFY(data.save(profilesDir().toStdString()));
    QVERIFY(driver.allAnswered());
    QCOMPARE(ProfileData::fromFile((profilesDir() + "/taken.xml").toStdString()).device(),
             std::string("Slate"));
    CHECK_DRIVER(driver);
}

// Saved by an ordinary user (root may write any file), a file that user may not write is left
// as it is, also when listed through a link, though its folder takes new files. The box names
// the file and the system's reason.
void TestProfileSave::reportsFileThatCannotBeOpened_data()
{
    // Where the file would go: "" (in a missing folder), "read-only", "link" or "folder"; then
    // the step that failed and the system's reason.
    QTest::addColumn<QString>("existing");
    QTest::addColumn<QString>("failed");
    QTest::addColumn<int>("error");
    QTest::newRow("missing folder") << QString() << QString("open") << ENOENT;
    QTest::newRow("read-only file") << QString("read-only") << QString("open") << EACCES;
    QTest::newRow("listed link to a read-only file")
        << QString("link") << QString("open") << EACCES;
    // Written beside it, the new file cannot take the name.
    QTest::newRow("folder in its place") << QString("folder") << QString("write") << EISDIR;
}

void TestProfileSave::reportsFileThatCannotBeOpened()
{
    QFETCH(QString, existing);
    QFETCH(QString, failed);
    QFETCH(int, error);
    const QString dir = existing.isEmpty() ? profilesDir() + "/not/there" : profilesDir();
    const QString folder =
        existing == "link" ? kolz::test::environment().root() + "/elsewhere" : dir;
    const QString file = folder + "/slate.xml";
    const QByteArray old = "<profile><device>Old</device></profile>";
    if (existing == "folder") {
        QVERIFY(QDir(dir).mkdir("slate.xml"));
    } else if (!existing.isEmpty()) {
        QVERIFY(QDir().mkpath(folder));
        writeBytes(file, old);
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner));
        QVERIFY(file == dir + "/slate.xml" || QFile::link(file, dir + "/slate.xml"));
    }

    ModalDriver driver;
    driver.press(QMessageBox::Ok);
    ProfileData data = sample("Slate");
    data.setFileName("slate.xml");
    {
        kolz::test::OrdinaryUser user(existing.isEmpty() ? QStringList()
                                                         : QStringList{folder, file});
        QVERIFY(!data.save(dir.toStdString()));
    }
    QVERIFY(driver.allAnswered());
    QCOMPARE(driver.shown().size(), std::size_t(1));
    QCOMPARE(driver.shown()[0].text, QStringLiteral("Failed to save file"));
    QCOMPARE(driver.shown()[0].informative,
             QString("Could not %1 file '%2/slate.xml': %3").arg(failed, dir, strerror(error)));
    QCOMPARE(data.fileName(), std::string("slate.xml"));
    CHECK_DRIVER(driver);
    if (existing == "folder")
        QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList());
    else if (!existing.isEmpty())
        QCOMPARE(fileBytes(file), old);
}

void TestProfileSave::failedWriteKeepsOldFile()
{
    const QString path = profilesDir() + "/slate.xml";
    ProfileData data = slateOverOldFile(path);
    for (int i = 0; i < 200; ++i)
        data.extensions[2].push_back("GL_extension_" + std::to_string(i));

    // A file size limit makes the write fail part-way, as a full disk would.
    rlimit previous{};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &previous) == 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = previous;
    small.rlim_cur = 512;
    QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);

    ModalDriver driver;
    driver.press(QMessageBox::Ok);
    const bool saved = data.save(profilesDir().toStdString());

    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(!saved);
    QVERIFY(driver.allAnswered());
    QCOMPARE(driver.shown()[0].text, QStringLiteral("Failed to save file"));
    QCOMPARE(driver.shown()[0].informative,
             QString("Could not write file '%1': %2").arg(path, strerror(EFBIG)));
    QCOMPARE(fileBytes(path), oldSlate);
    QCOMPARE(QDir(profilesDir()).entryList(QDir::Files | QDir::Hidden), QStringList{"slate.xml"});
    CHECK_DRIVER(driver);
}

// A file larger than a profile file may be would vanish from the selector at the next start:
// neither Save nor Save As writes it, and the box says why.
void TestProfileSave::refusesWhatWouldNotReadBack()
{
    const QString path = profilesDir() + "/slate.xml";
    ProfileData data = slateOverOldFile(path);
    data.extensions[2].push_back(std::string(maxProfileFileSize, 'x'));

    ModalDriver driver;
    driver.press(QMessageBox::Ok);
    driver.enter(QStringLiteral("new.xml"));
    driver.press(QMessageBox::Ok);
    QVERIFY(!data.save(profilesDir().toStdString()));
    QVERIFY(!data.saveAs(profilesDir().toStdString()));
    QVERIFY(driver.allAnswered());
    CHECK_DRIVER(driver);
    const QString why = driver.shown()[0].informative;
    QVERIFY2(why.contains(QLocale().toString(maxProfileFileSize) + " bytes"), qPrintable(why));
    QVERIFY2(why.startsWith("Could not write file '" + path + "': "), qPrintable(why));
    QCOMPARE(driver.shown()[2].informative, QString(why).replace(path, profilesDir() + "/new.xml"));
    QCOMPARE(fileBytes(path), oldSlate);
    QCOMPARE(QDir(profilesDir()).entryList(QDir::Files | QDir::Hidden), QStringList{"slate.xml"});
}

void TestProfileSave::refusesSetFileNameOutsideTheDirectory()
{
    QVERIFY(QDir().mkpath(profilesDir() + "/sub"));
    ModalDriver driver;
    ProfileData data = sample("Slate");
    for (const char* bad : {"../escape.xml", "sub/inner.xml", ".", ".."}) {
        driver.press(QMessageBox::Ok);
        data.setFileName(bad);
        QVERIFY2(!data.save(profilesDir().toStdString()), bad);
        QCOMPARE(data.fileName(), std::string(bad));
    }
    QVERIFY(driver.allAnswered());
    CHECK_DRIVER(driver);
    QCOMPARE(driver.shown().size(), std::size_t(4));
    QCOMPARE(driver.shown()[0].text, QStringLiteral("Failed to save file"));
    QVERIFY(driver.shown()[0].informative.contains("'../escape.xml' is not a valid file name"));
    QVERIFY(!QFile::exists(profilesDir() + "/../escape.xml"));
    QVERIFY(!QFile::exists(profilesDir() + "/sub/inner.xml"));
}

void TestProfileSave::refusesRowsThatCannotBeWritten()
{
    const QString path = profilesDir() + "/slate.xml";
    writeBytes(path, "old");
    ModalDriver driver;
    ProfileData data = sample("Slate");
    data.setFileName("slate.xml");
    data.capabilities[2] = {
        {"max_lights", "8", {}},
        {"aliased_point_size_range", "", {{"min", "1", {}}, {"max value", "64", {}}}}};
    driver.press(QMessageBox::Ok);
    QVERIFY(!data.save(profilesDir().toStdString()));

    data.capabilities.clear();
    data.eglConfigs[3] = {{"2d", "1", {}}};
    driver.press(QMessageBox::Ok);
    QVERIFY(!data.save(profilesDir().toStdString()));

    // A row added and never named.
    data.eglConfigs.clear();
    data.capabilities[1] = {{"", "", {}}};
    driver.press(QMessageBox::Ok);
    QVERIFY(!data.save(profilesDir().toStdString()));

    QVERIFY(driver.allAnswered());
    CHECK_DRIVER(driver);
    QCOMPARE(driver.shown().size(), std::size_t(3));
    QCOMPARE(driver.shown()[0].text, QStringLiteral("Failed to save file"));
    QVERIFY(driver.shown()[0].informative.startsWith("Could not write file '" + path + "': "));
    QVERIFY2(driver.shown()[2].informative.contains("'(no name)' of OpenGL ES version 1"),
             qPrintable(driver.shown()[2].informative));
    QVERIFY2(driver.shown()[0].informative.contains(
                 "'aliased_point_size_range/max value' of OpenGL ES version 2"),
             qPrintable(driver.shown()[0].informative));
    QVERIFY2(driver.shown()[1].informative.contains("'2d' of EGL configuration 3"),
             qPrintable(driver.shown()[1].informative));
    QCOMPARE(fileBytes(path), QByteArray("old"));
}

// Names come from files and from the user: a box that read one as rich text would load what an
// <img> in it points to.
void TestProfileSave::showsNamesAsPlainText_data()
{
    QTest::addColumn<QString>("fileName");  // set before saving; empty: asked for
    QTest::addColumn<QString>("typed");     // the prompt's answer, then a cancel
    QTest::addColumn<QString>("directory"); // below the profiles directory
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("expected");
    const QString img = QStringLiteral("<img src=/nonexistent/x.png>");
    QTest::newRow("not a file name") << QString() << img << QString() << int(QMessageBox::Ok)
                                     << img + "' is not a valid file name";
    QTest::newRow("hidden") << QString() << ".<b>x.xml" << QString() << int(QMessageBox::Ok)
                            << "'.<b>x.xml' is not a valid file name";
    QTest::newRow("too long") << QString() << QString(256, 'x') << QString() << int(QMessageBox::Ok)
                              << "longer than 255 bytes";
    QTest::newRow("replace question")
        << QString() << "<b>taken.xml" << QString() << int(QMessageBox::No)
        << "A file named '<b>taken.xml' already exists";
    QTest::newRow("set name not a file name")
        << "<b>a/b.xml" << QString() << QString() << int(QMessageBox::Ok)
        << "'<b>a/b.xml' is not a valid file name";
    QTest::newRow("could not open") << "<i>s.xml" << QString() << "<b>gone/dir"
                                    << int(QMessageBox::Ok) << "/<b>gone/dir/<i>s.xml'";
}

void TestProfileSave::showsNamesAsPlainText()
{
    QFETCH(QString, fileName);
    QFETCH(QString, typed);
    QFETCH(QString, directory);
    QFETCH(int, button);
    QFETCH(QString, expected);
    writeBytes(profilesDir() + "/<b>taken.xml", "other");

    ModalDriver driver;
    ProfileData data = sample("Slate");
    data.setFileName(fileName.toStdString());
    if (!typed.isEmpty())
        driver.enter(typed);
    driver.press(QMessageBox::StandardButton(button));
    if (!typed.isEmpty())
        driver.cancel();
    QVERIFY(!data.save((profilesDir() + "/" + directory).toStdString()));
    QVERIFY(driver.allAnswered());
    CHECK_DRIVER(driver);

    const auto box = driver.shown()[typed.isEmpty() ? 0 : 1];
    QCOMPARE(box.kind, QStringLiteral("box"));
    QVERIFY2((box.text + box.informative).contains(expected),
             qPrintable(box.text + " / " + box.informative));
    QVERIFY(box.plain);
    QCOMPARE(fileBytes(profilesDir() + "/<b>taken.xml"), QByteArray("other"));
}

// A name held by a link that leads nowhere is taken: replacing it replaces the link, and no
// save creates a file where such a link points. A profile listed through a link to a file is
// its file, and saving it writes that file.
void TestProfileSave::neverWritesThroughDanglingLinks_data()
{
    QTest::addColumn<QString>("target"); // what the link leads to: "", "file" or "folder"
    QTest::addColumn<bool>("prompted");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("saved");
    QTest::newRow("dangling, replacing refused") << "" << true << int(QMessageBox::No) << false;
    QTest::newRow("dangling, replaced") << "" << true << int(QMessageBox::Yes) << true;
    QTest::newRow("dangling, its own name") << "" << false << 0 << true;
    QTest::newRow("to a folder, replaced") << "folder" << true << int(QMessageBox::Yes) << true;
    QTest::newRow("listed link to a file") << "file" << false << 0 << true;
}

void TestProfileSave::neverWritesThroughDanglingLinks()
{
    QFETCH(QString, target);
    QFETCH(bool, prompted);
    QFETCH(int, answer);
    QFETCH(bool, saved);
    const QString elsewhere = kolz::test::environment().root() + "/elsewhere";
    QDir(elsewhere).removeRecursively();
    QVERIFY(QDir().mkpath(elsewhere));
    const QString planted = elsewhere + "/planted.xml";
    if (target == "file")
        writeBytes(planted, "<profile><device>Old</device></profile>");
    const QString trap = profilesDir() + "/trap.xml";
    QVERIFY(QFile::link(target == "folder" ? elsewhere : planted, trap));

    ModalDriver driver;
    ProfileData data = sample("Slate");
    if (prompted) {
        driver.enter(QStringLiteral("trap.xml"));
        driver.press(QMessageBox::StandardButton(answer));
        if (!saved)
            driver.cancel();
    } else {
        data.setFileName("trap.xml");
    }
    QCOMPARE(data.save(profilesDir().toStdString()), saved);
    QVERIFY(driver.allAnswered());
    CHECK_DRIVER(driver);
    if (prompted)
        QVERIFY(driver.shown()[1].text.contains("'trap.xml' already exists"));

    const QFileInfo link(trap);
    if (target == "file") {
        QVERIFY(link.isSymLink());
        QCOMPARE(ProfileData::fromFile(planted.toStdString()).device(), std::string("Slate"));
        return;
    }
    QVERIFY(QDir(elsewhere).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    QCOMPARE(link.isSymLink(), !saved);
    if (saved)
        QCOMPARE(ProfileData::fromFile(trap.toStdString()).device(), std::string("Slate"));
}

// Replacing a profile's file goes through a temporary file with a short name of its own, so a
// profile whose name uses all the file system allows saves (a longer name is refused at the
// prompt, see above).
void TestProfileSave::savesLongestFileNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("249 bytes") << QString(245, 'p') + ".xml";
    QTest::newRow("255 bytes, two-byte letters") << QString(125, QChar(0xE9)) + "p.xml";
}

void TestProfileSave::savesLongestFileNames()
{
    QFETCH(QString, name);
    writeBytes(profilesDir() + "/" + name, "<profile><device>Old</device></profile>");
    ProfileData data = sample("Slate");
    data.setFileName(name.toStdString());
    ModalDriver driver;
    QVERIFY(data.save(profilesDir().toStdString()));
    CHECK_DRIVER(driver);
    QCOMPARE(QDir(profilesDir()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
    QCOMPARE(ProfileData::fromFile((profilesDir() + "/" + name).toStdString()), data);
}

KOLZ_TEST_MAIN_WIDGETS(TestProfileSave)
#include "tst_profilesave.moc"
