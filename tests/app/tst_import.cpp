#include "support/TestEnvironment.h"

#include "app/Controller.h"
#include "app/DlgPreferences.h"
#include "app/FileListWidget.h"
#include "app/ProfileImport.h"
#include "common_gui/KitTestHelpers.h"
#include "models/ProfileData.h"
#include "models/ProfileFiles.h"

#include <QPushButton>
#include <QTemporaryDir>

#include <tinyxml2.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

using kolz::test::answerFileDialog;
using kolz::test::writeFile;

namespace {

// A profile file whose sections carry their file's number, "-" standing for a section without
// a version; "!" makes a file that is no XML. Each begins as exported files may: a byte order
// mark, a declaration and a comment.
QByteArray sectionsFile(const QString& versions, int file)
{
    QByteArray xml = "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- exported -->\n<profile><device>F" +
                     QByteArray::number(file) + "</device>";
    if (versions == "!")
        return xml;
    for (const QString& version : versions.split(' ', Qt::SkipEmptyParts)) {
        xml += version == "-" ? QByteArray("<es>") : "<es version=\"" + version.toLatin1() + "\">";
        xml += "<from>" + QByteArray::number(file) + "</from></es>";
    }
    return xml + "<egl/></profile>";
}

QByteArray printed(const tinyxml2::XMLDocument& document)
{
    tinyxml2::XMLPrinter printer;
    document.Print(&printer);
    return printer.CStr();
}

QString mergedSections(const tinyxml2::XMLDocument& output)
{
    QStringList sections;
    for (auto* es = output.FirstChildElement("profile")->FirstChildElement("es"); es;
         es = es->NextSiblingElement("es")) {
        const char* version = es->Attribute("version");
        sections << QStringLiteral("%1:%2").arg(version ? version : "-",
                                                es->FirstChildElement("from")->GetText());
    }
    return sections.join(' ');
}

} // namespace

class TestImport : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void skipsWhatCannotBeAProfile_data();
    void skipsWhatCannotBeAProfile();
    void mergeKeepsFirstOfEachVersion_data();
    void mergeKeepsFirstOfEachVersion();
    void savesAsTheEditorSaves_data();
    void savesAsTheEditorSaves();

private:
    QTemporaryDir work;
};

void TestImport::init()
{
    QDir(kolz::test::environment().profiles()).removeRecursively();
    QVERIFY(QDir().mkpath(kolz::test::environment().profiles()) && work.isValid());
}

// Neither the profile list nor the import waits on a FIFO, reads a file far larger than any
// profile (sparse, costing no disk) or takes a name longer than the editor's fields; both go on
// with the files that are profiles.
void TestImport::skipsWhatCannotBeAProfile_data()
{
    QTest::addColumn<qint64>("size"); // -1: a FIFO, 0: a device name one past its bound
    QTest::newRow("FIFO") << qint64(-1);
    QTest::newRow("a byte past the bound") << qint64(maxProfileFileSize + 1);
    QTest::newRow("64 GiB") << (qint64(64) << 30);
    QTest::newRow("a device name past the bound") << qint64(0);
}

void TestImport::skipsWhatCannotBeAProfile()
{
    QFETCH(qint64, size);
    const QString dir = kolz::test::environment().profiles();
    const QString good = writeFile(dir + "/good.xml", sectionsFile("2", 0));
    const QString odd = dir + "/odd.xml";
    if (size < 0)
        QVERIFY(::mkfifo(QFile::encodeName(odd).constData(), 0600) == 0);
    else if (size == 0)
        writeFile(odd,
                  sectionsFile("3", 1).replace("F1", QByteArray(maxHeaderTextLength + 1, 'n')));
    else
        QVERIFY(QFile(writeFile(odd, sectionsFile("3", 1))).resize(size));

    auto store = kolz::test::loadedStore("KolZendraImport");
    const ProfileList listed = loadUserProfiles(store.get());
    QCOMPARE(listed.size(), std::size_t(1));
    QCOMPARE(listed.front()->data()->fileName(), std::string("good.xml"));

    // Should the import still wait on the FIFO after a long while, a writer releases it and
    // the test fails on that.
    std::atomic<bool> imported{false};
    std::atomic<bool> released{false};
    std::thread watchdog([&] {
        for (int i = 0; i < 1000 && !imported; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!imported && size < 0) {
            released = true;
            ::close(::open(QFile::encodeName(odd).constData(), O_WRONLY | O_NONBLOCK));
        }
    });
    DlgPreferences dialog(store.get());
    dialog.importList()->addFiles({odd, good});
    answerFileDialog(work.filePath("out.xml"));
    dialog.findChild<QPushButton*>("btnImport")->click();
    imported = true;
    watchdog.join();
    QVERIFY(!released);
    const std::string out = work.filePath("out.xml").toStdString();
    QCOMPARE(ProfileData::fromFile(out).device(), std::string("F0"));
}

// Each version comes from the first file that has it; the first file is taken whole.
void TestImport::mergeKeepsFirstOfEachVersion_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("merged");
    QTest::newRow("overlapping") << QStringList{"2 3", "3 31"} << "2:0 3:0 31:1";
    QTest::newRow("repeated in a later file") << QStringList{"1", "5 5 1"} << "1:0 5:1";
    QTest::newRow("repeated in the first file") << QStringList{"5 5", "5"} << "5:0 5:0";
    QTest::newRow("without a version meets 0") << QStringList{"0", "- 1"} << "0:0 1:1";
    QTest::newRow("three files") << QStringList{"1", "2 1", "3 2 1"} << "1:0 2:1 3:2";
    QTest::newRow("the first not XML") << QStringList{"!", "2 3", "3"} << "2:1 3:1";
}

void TestImport::mergeKeepsFirstOfEachVersion()
{
    QFETCH(QStringList, files);
    QFETCH(QString, merged);
    // As documents already parsed, and as the import reads them from their files.
    tinyxml2::XMLDocument fromDocuments;
    tinyxml2::XMLDocument fromFiles;
    for (int i = 0; i < files.size(); ++i) {
        const QByteArray xml = sectionsFile(files[i], i);
        tinyxml2::XMLDocument input;
        if (input.Parse(xml.constData()) == tinyxml2::XML_SUCCESS)
            mergeProfileDocument(fromDocuments, input);
        mergeProfileFile(fromFiles,
                         writeFile(work.filePath(QString::number(i)), xml).toStdString());
    }
    QCOMPARE(mergedSections(fromDocuments), merged);
    QCOMPARE(printed(fromFiles), printed(fromDocuments));
    QVERIFY(printed(fromFiles).startsWith("<profile>"));
}

// The import saves as the editor does: run by an ordinary user (root may write any file), it
// leaves a read-only file as it is, replaces a link that leads nowhere rather than create a
// file where it points, and touches nothing when the file would be larger than a profile may be.
void TestImport::savesAsTheEditorSaves_data()
{
    QTest::addColumn<bool>("readOnly"); // what the chosen name holds; else a dangling link
    QTest::addColumn<int>("fill");      // empty elements added to the imported file
    QTest::newRow("a read-only file") << true << 0;
    QTest::newRow("a link that leads nowhere") << false << 0;
    // Within the bound as read, the file takes twice as much written out with indentation.
    QTest::newRow("past the size bound written out") << false << int(maxProfileFileSize / 8);
}

void TestImport::savesAsTheEditorSaves()
{
    QFETCH(bool, readOnly);
    QFETCH(int, fill);
    const bool refused = readOnly || fill > 0;
    const QString dir = kolz::test::environment().profiles();
    const QString elsewhere = kolz::test::environment().root() + "/elsewhere";
    const QString out = dir + "/out.xml";
    QVERIFY(QDir().mkpath(elsewhere));
    if (readOnly)
        QVERIFY(QFile::setPermissions(writeFile(out, "old"), QFile::ReadOwner));
    else
        QVERIFY(QFile::link(elsewhere + "/planted.xml", out));

    auto store = kolz::test::loadedStore("KolZendraImport");
    DlgPreferences dialog(store.get());
    const QByteArray in =
        sectionsFile("2", 0).replace("<from>", QByteArray("<a/>").repeated(fill) + "<from>");
    dialog.importList()->addFiles({writeFile(dir + "/in.xml", in)});
    QStringList box;
    if (refused) {
        kolz::test::answerNext<QMessageBox>([&box](QMessageBox* shown) {
            box << shown->windowTitle() << shown->text() << shown->informativeText();
            shown->button(QMessageBox::Ok)->click();
        });
    }
    answerFileDialog(out);
    {
        kolz::test::OrdinaryUser user({elsewhere, dir, out});
        dialog.findChild<QPushButton*>("btnImport")->click();
    }
    // The box names the file and says why it was not written.
    const QString why = readOnly ? "Could not open file '" + out +
                                       "': " + QString::fromLocal8Bit(std::strerror(EACCES))
                                 : "Could not write file '" + out + "': Written out, the profile";
    QCOMPARE(box.mid(0, 2),
             refused ? QStringList({"Error", "Failed to save file"}) : QStringList());
    QVERIFY2(!refused || box.value(2).startsWith(why), qPrintable(box.value(2)));
    QVERIFY(QDir(elsewhere).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    QCOMPARE(QFileInfo(out).size() == 3, readOnly); // "old", or the profile
    QCOMPARE(QFileInfo(out).isSymLink(), !readOnly && refused);
}

KOLZ_TEST_MAIN_WIDGETS(TestImport)
#include "tst_import.moc"
