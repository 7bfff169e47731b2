#include "PreferenceFiles.h"
#include "prefs/KolPreferences.h"
#include "prefs/PlistFormat.h"
#include "prefs/XmlShape.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>
#include <QTest>
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace prefs_test;

namespace {

const QString storeName = QStringLiteral("Store");

// What work writes to standard error, which goes to a file meanwhile.
template <typename Work> QByteArray standardErrorOf(Work work)
{
    QTemporaryFile file;
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    if (file.open() && ::dup2(file.handle(), STDERR_FILENO) >= 0)
        work();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    return readFile(file.fileName());
}

} // namespace

// The store object: where its file lives, loading with repair and validation, saving through a
// temporary file, reloading when another writer changed the file, and copies.
class TestStore : public QObject
{
    Q_OBJECT
private slots:
    void init() { resetHome(); }

    void firstStartCreatesDefaultFile()
    {
        KolPreferences store(storeName.toStdString(), 0);
        std::string error;
        QVERIFY(store.Load(error, true));
        QCOMPARE(error, std::string());
        QVERIFY(QDir(preferenceDirectory()).exists());
        QCOMPARE(readFile(preferenceFile(storeName)), QByteArray(defaultPlistDocument));
        QCOMPARE(QByteArray(defaultPlistDocument).count('\n'), 6);

        std::string value = "untouched";
        QCOMPARE(store.GetString("anything", value, "fallback"), KolPreferences::NO_VALUE);
        QCOMPARE(value, std::string("fallback"));
        QCOMPARE(QString::fromStdString(store.GetDirectory()), preferenceDirectory());
    }

    void homeDirectory()
    {
        qputenv("HOME", "");
        KolPreferences store(storeName.toStdString(), 0);
        std::string error = "before; ";
        QVERIFY(!store.Load(error, true));
        QCOMPARE(error, std::string("before; ERROR: Failed to retrieve $(HOME) variable."));
        QCOMPARE(store.GetDirectory(), std::string());

        KolPreferences systemWide(storeName.toStdString(), 1);
        QCOMPARE(systemWide.GetDirectory(),
                 std::string("/etc/.kolconfig/Tollerwaith Technologies"));
    }

    void malformedFiles_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("message");
        QTest::newRow("value where a key belongs")
            << QByteArray("<string>x</string><key>a</key><string>y</string>")
            << "ERROR: Missing <key> tag\n";
        QTest::newRow("last key without value")
            << QByteArray("<key>a</key><string>y</string><key>b</key>")
            << "ERROR: Key missing value!";
        QTest::newRow("two keys in a row")
            << QByteArray("<key>a</key><key>b</key><string>y</string>")
            << "ERROR: Key missing value\n";
        QTest::newRow("key inside an array")
            << QByteArray("<key>a</key><array><string>x</string><key>k</key></array>")
            << "ERROR: Array elements cannot contain a <key> tag!\n";
        QTest::newRow("nested dictionary")
            << QByteArray("<key>a</key><dict><key>b</key><dict><integer>1</integer></dict></dict>")
            << "ERROR: Missing <key> tag\n";
        QTest::newRow("dictionary inside an array is not looked into")
            << QByteArray("<key>a</key><array><dict><string>x</string></dict></array>") << "";
    }

    void malformedFiles()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, message);
        QVERIFY(writeFile(preferenceFile(storeName), plist(body)));
        KolPreferences store(storeName.toStdString(), 0);
        std::string error = "earlier\n";
        QCOMPARE(store.Load(error, false), message.isEmpty());
        QCOMPARE(QString::fromStdString(error), QStringLiteral("earlier\n") + message);
    }

    // Files too large or too crowded to parse in reasonable time load as ones that do not parse.
    // Whatever held bytes is kept aside, once, before the store first replaces it.
    void unparsableFileLoadsEmptyUntilWritten_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("earlierKept"); // files named .unreadable, .unreadable.1... before
        const QByteArray entry = "<key>a</key><string>x</string>";
        QTest::newRow("empty") << QByteArray() << 0;
        QTest::newRow("not xml") << QByteArray("\x01\x02 not a property list") << 0;
        QTest::newRow("unclosed") << plist(entry).left(60) << 0;
        QTest::newRow("unclosed, two kept before") << plist(entry).left(60) << 2;
        // Both would parse, slowly, and hold the entry a.
        QTest::newRow("over the size bound")
            << plist(entry + "<!--" + QByteArray(maxPreferenceFileSize, ' ') + "-->") << 0;
        QByteArray crowded = "<key>a</key><string";
        for (std::size_t i = 0; i <= maxXmlAttributesPerElement; ++i)
            crowded += " a" + QByteArray::number(qulonglong(i)) + "=\"\"";
        QTest::newRow("an element crowded with attributes") << plist(crowded + ">x</string>") << 0;
        // The parser would stop at the stray tag, reporting success, and drop what follows.
        QTest::newRow("a stray end tag after the document") << plist(entry) + "</junk><dict/>" << 0;
    }

    void unparsableFileLoadsEmptyUntilWritten()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, earlierKept);
        const QString path = preferenceFile(storeName);
        QVERIFY(writeFile(path, content));
        const auto kept = [&](int n) {
            return path + ".unreadable" + (n ? "." + QString::number(n) : "");
        };
        for (int n = 0; n < earlierKept; ++n)
            QVERIFY(writeFile(kept(n), QByteArray::number(n)));
        KolPreferences store = loadedStore(storeName);
        QVERIFY(!store.Exists("a"));
        QVERIFY(store.Save(false));
        QCOMPARE(readFile(path), content);

        // Kept before the first replacement only: what the store writes parses.
        const QByteArray said = standardErrorOf([&] {
            QCOMPARE(store.SetString("a", "fresh"), KolPreferences::SUCCESS);
            QVERIFY(store.Save(false));
            QCOMPARE(store.SetString("b", "later"), KolPreferences::SUCCESS);
            QVERIFY(store.Save(false));
        });
        // An empty file holds nothing to keep.
        QCOMPARE(readFile(kept(earlierKept)), content.isEmpty() ? "<unreadable>" : content);
        QVERIFY2(said.count(QFile::encodeName(kept(earlierKept))) == (content.isEmpty() ? 0 : 1),
                 said);
        for (int n = 0; n < earlierKept; ++n)
            QCOMPARE(readFile(kept(n)), QByteArray::number(n));
        KolPreferences again = loadedStore(storeName);
        std::string value;
        QCOMPARE(again.GetString("a", value), KolPreferences::SUCCESS);
        QCOMPARE(value, std::string("fresh"));
    }

    void markupShape_data()
    {
        QTest::addColumn<QByteArray>("text"); // %1 stands for bound + 1 attributes
        QTest::addColumn<bool>("within");
        QTest::newRow("on an element") << QByteArray("<a %1/>") << false;
        QTest::newRow("on an end tag") << QByteArray("<a></a %1>") << false;
        QTest::newRow("in a comment") << QByteArray("<!-- <a %1> -->") << true;
        QTest::newRow("in a CDATA section") << QByteArray("<a><![CDATA[<a %1>]]></a>") << true;
        QTest::newRow("in a processing instruction") << QByteArray("<?pi <a %1>?>") << true;
        QTest::newRow("in a declaration") << QByteArray("<!DOCTYPE a '<a %1'><a/>") << true;
        QTest::newRow("in a quoted value") << QByteArray("<a b=\"<c %1>\"/>") << true;
        QTest::newRow("after a NUL") << QByteArray("<a/>\0<a %1/>", 12) << false;
        // The parser ends the document at an end tag with nothing to close.
        QTest::newRow("a stray end tag first") << QByteArray("</stray><a/>") << false;
        QTest::newRow("a stray end tag after") << QByteArray("<a></a>\n< /a>") << false;
        const QByteArray open = QByteArray("<a>").repeated(int(maxXmlElementDepth));
        const QByteArray close = QByteArray("</a>").repeated(int(maxXmlElementDepth));
        QTest::newRow("nested to the most levels") << open + "<!-- <a> -->" + close << true;
        QTest::newRow("an empty element one level deeper") << open + "<a/>" + close << false;
    }

    // A linear pass that follows the markup as the parser does: only real attributes count, and
    // only real elements nest.
    void markupShape()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, within);
        // The count looks at no names: repeated ones do as well here.
        text.replace("%1", QByteArray(" x='>='").repeated(maxXmlAttributesPerElement + 1));
        QCOMPARE(XmlShapeWithinBounds(std::string_view(text.constData(), text.size())), within);
    }

    // A save that would write more than the store reads back is refused, the old file kept.
    void savesOnlyWhatReadsBack()
    {
        const QString path = preferenceFile(storeName);
        KolPreferences store = loadedStore(storeName);
        QCOMPARE(store.SetString("a", "x"), KolPreferences::SUCCESS);
        QVERIFY(store.Save(false));
        const std::size_t room = std::size_t(maxPreferenceFileSize - readFile(path).size());
        QCOMPARE(store.SetString("a", std::string(room + 1, 'x')), KolPreferences::SUCCESS);
        QVERIFY(store.Save(false));
        const QByteArray full = readFile(path);
        QCOMPARE(full.size(), qsizetype(maxPreferenceFileSize));
        QCOMPARE(store.SetString("a", std::string(room + 2, 'x')), KolPreferences::SUCCESS);
        bool saved = true;
        const QByteArray said = standardErrorOf([&] { saved = store.Save(false); });
        QVERIFY(!saved);
        QCOMPARE(readFile(path), full);
        QVERIFY2(said.count('\n') == 1 && said.contains(QFile::encodeName(path)), said);
        QCOMPARE(QDir(preferenceDirectory()).entryList(QDir::Files),
                 QStringList(QFileInfo(path).fileName()));
    }

    void rootWithoutDictionaryGetsOneInFront()
    {
        const QString path = preferenceFile(storeName);
        QVERIFY(writeFile(path, "<plist version=\"1.0\"><string>keep</string></plist>"));
        KolPreferences store = loadedStore(storeName);
        QCOMPARE(store.SetString("a", "b"), KolPreferences::SUCCESS);
        QVERIFY(store.Save(false));
        const QByteArray saved = readFile(path);
        QVERIFY2(saved.indexOf("<dict>") < saved.indexOf("<string>keep</string>"), saved);
        QVERIFY2(saved.contains("<string>keep</string>"), saved);

        KolPreferences again = loadedStore(storeName);
        std::string value;
        QCOMPARE(again.GetString("a", value), KolPreferences::SUCCESS);
        QCOMPARE(value, std::string("b"));
    }

    void existingFileThatCannotBeReadIsLeftAlone()
    {
        const QString path = preferenceFile(storeName);
        QVERIFY(QDir().mkpath(path));
        KolPreferences store(storeName.toStdString(), 0);
        std::string error;
        QVERIFY(!store.Load(error, true));
        QCOMPARE(error, std::string("ERROR: Failed to open preference file: Is a directory"));
        QVERIFY(QFileInfo(path).isDir());
    }

    void unforcedSaveWritesOnlyChanges()
    {
        KolPreferences store = loadedStore(storeName);
        const QString path = preferenceFile(storeName);
        const std::time_t past = std::time(nullptr) - 1000;
        QVERIFY(setModificationTime(path, past));

        QVERIFY(store.Save(false));
        QCOMPARE(modificationTime(path), past);

        // Writing an equal value still counts as a change.
        QCOMPARE(store.SetInt("n", 0), KolPreferences::SUCCESS);
        QCOMPARE(store.SetInt("n", 0), KolPreferences::SUCCESS);
        const QByteArray before = readFile(path);
        QVERIFY(store.Save(false));
        QVERIFY(readFile(path) != before);
        QVERIFY(setModificationTime(path, past));
        QVERIFY(store.Save(false));
        QCOMPARE(modificationTime(path), past);
        QVERIFY(store.Save(true));
        QVERIFY(modificationTime(path) != past);
        QVERIFY(!QFile::exists(path + ".tmp"));
    }

    void failedSaveKeepsOldFileAndChanges()
    {
        KolPreferences store = loadedStore(storeName);
        QCOMPARE(store.SetString("a", "first"), KolPreferences::SUCCESS);
        QVERIFY(store.Save(false));
        const QString path = preferenceFile(storeName);
        const QByteArray good = readFile(path);

        // The temporary file cannot be written (a file size limit, as a full disk would).
        rlimit previous{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &previous) == 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit none = previous;
        none.rlim_cur = 0;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &none) == 0);
        QCOMPARE(store.SetString("a", "second"), KolPreferences::SUCCESS);
        const bool saved = store.Save(false);
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
        QVERIFY(!saved);
        QCOMPARE(readFile(path), good);
        QCOMPARE(QDir(preferenceDirectory()).entryList(QDir::Files).size(), 1);
        QVERIFY(store.Save(false)); // still marked changed
        QVERIFY(readFile(path).contains("second"));

        // The temporary file is written but cannot replace the file.
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkpath(path + "/occupied"));
        QCOMPARE(store.SetString("a", "third"), KolPreferences::SUCCESS);
        QVERIFY(!store.Save(false));
        QCOMPARE(QDir(preferenceDirectory()).entryList(QDir::Files).size(), 0);
        QVERIFY(QFileInfo(path).isDir());
    }

    void saveKeepsModeAndLinks()
    {
        // A new file is private to the user, and a save keeps whatever mode the file has.
        KolPreferences store = loadedStore(storeName);
        const QString path = preferenceFile(storeName);
        QCOMPARE(permissions(path), 0600u);
        QCOMPARE(store.SetString("a", "one"), KolPreferences::SUCCESS);
        QVERIFY(store.Save(false));
        QCOMPARE(permissions(path), 0600u);
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0640) == 0);
        QVERIFY(store.Save(true));
        QCOMPARE(permissions(path), 0640u);

        // A link (here a relative one) stays a link; the file it leads to is the one replaced.
        const QString elsewhere = preferenceDirectory() + "/elsewhere";
        QVERIFY(QDir().mkpath(elsewhere));
        QVERIFY(QFile::rename(path, elsewhere + "/real.plist"));
        QVERIFY(::symlink("elsewhere/real.plist", QFile::encodeName(path).constData()) == 0);
        KolPreferences linked = loadedStore(storeName);
        QCOMPARE(linked.SetString("a", "through the link"), KolPreferences::SUCCESS);
        QVERIFY(linked.Save(false));
        QVERIFY(QFileInfo(path).isSymLink());
        QVERIFY(readFile(elsewhere + "/real.plist").contains("through the link"));
        QCOMPARE(permissions(elsewhere + "/real.plist"), 0640u);
        QCOMPARE(QDir(preferenceDirectory()).entryList(QDir::Files | QDir::System).size(), 1);
    }

    void plantedTemporaryNameIsNotFollowed()
    {
        KolPreferences store = loadedStore(storeName);
        const QString path = preferenceFile(storeName);
        const QString victim = kolz::test::environment().tmp() + "/victim";
        QVERIFY(writeFile(victim, "precious"));
        QVERIFY(::symlink(QFile::encodeName(victim).constData(),
                          QFile::encodeName(path + ".tmp").constData()) == 0);

        QCOMPARE(store.SetString("a", "saved"), KolPreferences::SUCCESS);
        QVERIFY(store.Save(false));
        QCOMPARE(readFile(victim), QByteArray("precious"));
        QVERIFY(!QFileInfo(path).isSymLink());
        QVERIFY(readFile(path).contains("saved"));
    }

    void onlyRegularFilesAreRead()
    {
        const QString path = preferenceFile(storeName);
        QVERIFY(QDir().mkpath(preferenceDirectory()));
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        KolPreferences store(storeName.toStdString(), 0);
        std::string error;
        bool loaded = true;
        QVERIFY(returnsWithoutAWriter(path, [&] { loaded = store.Load(error, true); }));
        QVERIFY(!loaded);
        QCOMPARE(error, std::string("ERROR: Failed to open preference file: Invalid argument"));
        QVERIFY(QFileInfo(path).exists() && !QFileInfo(path).isFile());
    }

    void longPathsAreNotTruncated()
    {
        QString home = kolz::test::environment().home();
        while (home.size() < 2100)
            home += QStringLiteral("/") + QString(200, QLatin1Char('h'));
        QVERIFY(QDir().mkpath(home));
        qputenv("HOME", QFile::encodeName(home));
        KolPreferences store = loadedStore(storeName);
        QCOMPARE(store.SetString("a", "deep"), KolPreferences::SUCCESS);
        QVERIFY(store.Save(false));
        QVERIFY(readFile(preferenceFile(storeName)).contains("deep"));
        QDir(kolz::test::environment().home() + "/" + QString(200, QLatin1Char('h')))
            .removeRecursively();
    }

    void reloadsWhenAnotherWriterChangedTheFile()
    {
        const QString path = preferenceFile(storeName);
        const std::time_t past = std::time(nullptr) - 1000;
        QVERIFY(
            writeFile(path, plist("<key>s</key><string>old</string><key>b</key><false/>"), past));
        KolPreferences store = loadedStore(storeName);
        QVERIFY(writeFile(path, plist("<key>s</key><string>new</string><key>b</key><true/>"),
                          past + 10));

        bool flag = true;
        QCOMPARE(store.GetBool("b", flag), KolPreferences::SUCCESS);
        QCOMPARE(flag, false); // booleans read what is in memory
        std::string text;
        QCOMPARE(store.GetString("s", text), KolPreferences::SUCCESS);
        QCOMPARE(text, std::string("new"));
        QCOMPARE(store.GetBool("b", flag), KolPreferences::SUCCESS);
        QCOMPARE(flag, true);

        // A store with unsaved changes is not reloaded, and its save wins.
        QCOMPARE(store.SetInt("mine", 1), KolPreferences::SUCCESS);
        QVERIFY(writeFile(path, plist("<key>s</key><string>theirs</string>"), past + 20));
        QCOMPARE(store.GetString("s", text), KolPreferences::SUCCESS);
        QCOMPARE(text, std::string("new"));
        QVERIFY(store.Save(false));
        QVERIFY(!readFile(path).contains("theirs"));

        // A reload that fails is reported, without the default.
        QVERIFY(writeFile(path, plist("<string>x</string>"), past + 30));
        text = "kept";
        QCOMPARE(store.GetString("s", text, "default"), KolPreferences::CRITICAL_ERROR);
        QCOMPARE(text, std::string("kept"));
        QCOMPARE(store.SetString("s", "v"), KolPreferences::CRITICAL_ERROR);

        // What the failed reload read stays in memory. With the file gone, setters work on it
        // again, but a save must not write what the next start would refuse.
        QVERIFY(writeFile(path, plist("<key>l</key><array><key>k</key></array>"), past + 40));
        QCOMPARE(store.GetString("s", text), KolPreferences::CRITICAL_ERROR);
        QVERIFY(QFile::remove(path));
        QCOMPARE(store.SetString("s", "v"), KolPreferences::SUCCESS);
        bool saved = true;
        const QByteArray said = standardErrorOf([&] { saved = store.Save(false); });
        QVERIFY(!saved);
        QVERIFY(!QFile::exists(path));
        QVERIFY2(said.contains("cannot contain a <key> tag"), said);
    }

    void copiesShareTheDocumentAcrossReloads()
    {
        const QString path = preferenceFile(storeName);
        const std::time_t past = std::time(nullptr) - 1000;
        QVERIFY(writeFile(path, plist("<key>s</key><string>one</string>"), past));
        auto first = std::make_unique<KolPreferences>(loadedStore(storeName));
        KolPreferences copy(*first);
        KolPreferences assigned("Other", 0);
        assigned = *first;
        assigned = assigned;

        QVERIFY(writeFile(path, plist("<key>s</key><string>two</string>"), past + 10));
        std::string text;
        QCOMPARE(first->GetString("s", text), KolPreferences::SUCCESS); // reloads
        QCOMPARE(text, std::string("two"));
        first.reset();

        // The other holders work on the reloaded document, not on a freed one.
        QCOMPARE(copy.SetString("t", "from copy"), KolPreferences::SUCCESS);
        QVERIFY(copy.Save(false));
        QVERIFY(readFile(path).contains("from copy"));
        QCOMPARE(assigned.GetString("t", text), KolPreferences::SUCCESS);
        QCOMPARE(text, std::string("from copy"));
        QCOMPARE(assigned.GetString("s", text), KolPreferences::SUCCESS);
        QCOMPARE(text, std::string("two"));
    }

    void copiesShareUnsavedChanges()
    {
        // One copy saves and goes on editing; a clean copy with the stamp of the first load
        // must not take the save for another writer's and reload over the new edit.
        const QString path = preferenceFile(storeName);
        QVERIFY(writeFile(path, plist(""), std::time(nullptr) - 1000));
        KolPreferences a = loadedStore(storeName);
        KolPreferences b(a);
        QCOMPARE(a.SetString("x", "saved"), KolPreferences::SUCCESS);
        QVERIFY(a.Save(false));
        QCOMPARE(a.SetString("y", "unsaved"), KolPreferences::SUCCESS);

        std::string text;
        QCOMPARE(b.GetString("x", text), KolPreferences::SUCCESS);
        QCOMPARE(text, std::string("saved"));
        QCOMPARE(a.GetString("y", text), KolPreferences::SUCCESS);
        QCOMPARE(text, std::string("unsaved"));
        QVERIFY(b.Save(false)); // the change made through a is b's to save as well
        QVERIFY(readFile(path).contains("unsaved"));
    }

    void resultNames()
    {
        QCOMPARE(KolPreferences::ResultName(KolPreferences::SUCCESS), "SUCCESS");
        QCOMPARE(KolPreferences::ResultName(KolPreferences::NO_VALUE), "NO_VALUE");
        QCOMPARE(KolPreferences::ResultName(KolPreferences::EMPTY_KEY), "EMPTY_KEY");
        QCOMPARE(KolPreferences::ResultName(KolPreferences::INCORRECT_TYPE), "INCORRECT_TYPE");
        QCOMPARE(KolPreferences::ResultName(KolPreferences::CRITICAL_ERROR), "CRITICAL_ERROR");
        QCOMPARE(KolPreferences::ResultName(5), "UNKNOWN");
        QCOMPARE(KolPreferences::ResultName(-1), "UNKNOWN");
    }
};

KOLZ_TEST_MAIN_CORE(TestStore)
#include "tst_store.moc"
