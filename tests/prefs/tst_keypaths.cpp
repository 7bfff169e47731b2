#include "PreferenceFiles.h"
#include "prefs/KolPreferences.h"
#include "support/TestEnvironment.h"

#include <QTest>
#include <functional>

using namespace prefs_test;

namespace {

const QString storeName = QStringLiteral("Keys");

// The saved file without its header and indentation, for comparing structure.
QByteArray savedStructure()
{
    QByteArray text = readFile(preferenceFile(storeName));
    text = text.mid(text.indexOf("<plist"));
    QByteArray compact;
    for (const QByteArray& line : text.split('\n'))
        compact += line.trimmed();
    return compact;
}

} // namespace

// Key paths: splitting, lookup, creation of missing dictionaries, Exists and Remove.
class TestKeyPaths : public QObject
{
    Q_OBJECT
private slots:
    void init() { resetHome(); }

    void splitKey_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("components");
        QTest::newRow("empty") << "" << QStringList{""};
        QTest::newRow("slash") << "/" << QStringList{""};
        QTest::newRow("three slashes") << "///" << QStringList{""};
        QTest::newRow("a") << "a" << QStringList{"a"};
        QTest::newRow("/a") << "/a" << QStringList{"a"};
        QTest::newRow("a/") << "a/" << QStringList{"a"};
        QTest::newRow("//a") << "//a" << QStringList{"a"};
        QTest::newRow("/a/b/") << "/a/b/" << QStringList{"a", "b"};
        QTest::newRow("a//b") << "a//b" << QStringList{"a", "b"};
        QTest::newRow("a//") << "a//" << QStringList{"a", ""};
        QTest::newRow("settings") << "KolZendra 10.17.3/gui_font"
                                  << QStringList{"KolZendra 10.17.3", "gui_font"};
    }

    void splitKey()
    {
        QFETCH(QString, key);
        QFETCH(QStringList, components);
        std::vector<std::string> split;
        KolPreferences::SplitKey(key.toStdString(), split);
        QStringList got;
        for (const std::string& component : split)
            got << QString::fromStdString(component);
        QCOMPARE(got, components);
    }

    void settersCreateNestedDictionaries()
    {
        KolPreferences store = loadedStore(storeName);
        QCOMPARE(store.SetString("a/b/c", "1"), KolPreferences::SUCCESS);
        QCOMPARE(store.SetString("a/b/d", "2"), KolPreferences::SUCCESS);
        QCOMPARE(store.SetString("a/B/c", "3"), KolPreferences::SUCCESS); // keys are case-sensitive
        QVERIFY(store.Save(false));
        QCOMPARE(savedStructure(),
                 QByteArray("<plist version=\"1.0\"><dict><key>a</key><dict>"
                            "<key>b</key><dict><key>c</key><string>1</string>"
                            "<key>d</key><string>2</string></dict>"
                            "<key>B</key><dict><key>c</key><string>3</string></dict>"
                            "</dict></dict></plist>"));

        KolPreferences again = loadedStore(storeName);
        std::string value;
        QCOMPARE(again.GetString("/a/b/d/", value), KolPreferences::SUCCESS);
        QCOMPARE(value, std::string("2"));
        QVERIFY(again.Exists("a/b"));
        QVERIFY(!again.Exists("a/b/e"));
    }

    // Setters of each kind on a path through each kind of value: a path through a list is refused,
    // as a key inside one would make a file that Load refuses; whatever a setter writes loads
    // again.
    void settersOnPathsThroughValues_data()
    {
        QTest::addColumn<QByteArray>("value"); // of the entry X
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("result");
        const int success = KolPreferences::SUCCESS;
        const int refused = KolPreferences::CRITICAL_ERROR;
        QTest::newRow("string, as any scalar")
            << QByteArray("<string>s</string>") << "X/k" << success;
        QTest::newRow("dictionary")
            << QByteArray("<dict><key>a</key><true/></dict>") << "X/a/m" << success;
        QTest::newRow("element of another name")
            << QByteArray("<foo><a/><b/></foo>") << "X/k" << success;
        QTest::newRow("list") << QByteArray("<array><string>a</string><string>b</string></array>")
                              << "X/k" << refused;
        QTest::newRow("list in a dictionary")
            << QByteArray("<dict><key>a</key><array/></dict>") << "X/a/k" << refused;
        // Load tells a list by the hash of its name, which this one shares.
        QTest::newRow("name hashed as a list's") << QByteArray("<xmHyaEU/>") << "X/k" << refused;
        // The lookup takes a list's items for keys and values; what it finds is written.
        QTest::newRow("item of a list, in CDATA")
            << QByteArray("<array><string><![CDATA[a]]></string><string><![CDATA[b]]></string>"
                          "</array>")
            << "X/a" << success;
    }

    void settersOnPathsThroughValues()
    {
        QFETCH(QByteArray, value);
        QFETCH(QString, key);
        QFETCH(int, result);
        const std::string path = key.toStdString();
        // Markup that would close a CDATA section and put a key in the list.
        const std::string text = "v]]></string><key>k</key><string><![CDATA[";
        const std::vector<std::string> strings{"p", "q"};
        const std::function<KolPreferences::Result(KolPreferences&)> setters[] = {
            [&](KolPreferences& s) { return s.SetString(path, text); },
            [&](KolPreferences& s) { return s.SetInt(path, -7); },
            [&](KolPreferences& s) { return s.SetData(path, "\0\1", 2); },
            [&](KolPreferences& s) { return s.SetArray(path, strings); },
        };
        for (std::size_t i = 0; i < std::size(setters); ++i) {
            KolPreferences store = storeWith(storeName, "<key>X</key>" + value);
            QCOMPARE(int(setters[i](store)), result);
            QCOMPARE(store.SetInt("other", 1), KolPreferences::SUCCESS);
            QVERIFY(store.Save(false));
            KolPreferences again(storeName.toStdString(), 0);
            std::string error;
            QVERIFY2(again.Load(error, false), (std::to_string(i) + ": " + error).c_str());
            QVERIFY2(again.Exists(path) == (result == KolPreferences::SUCCESS), savedStructure());
            std::string got; // untouched unless a string is found: the markup reads back as text
            again.GetString(path, got);
            QCOMPARE(got, i == 0 && result == KolPreferences::SUCCESS ? text : std::string());
        }
    }

    void removeDeletesTheKeyElementAndMarksTheStore()
    {
        // A comment between key and value must survive; the key element is what goes.
        KolPreferences store = storeWith(storeName, "<key>a</key><!-- note --><string>x</string>"
                                                    "<key>b</key><string>y</string>");
        const QByteArray before = readFile(preferenceFile(storeName));
        QCOMPARE(store.Remove("a"), KolPreferences::SUCCESS);
        QVERIFY(!store.Exists("a"));
        QVERIFY(store.Exists("b"));
        QCOMPARE(readFile(preferenceFile(storeName)), before);
        QCOMPARE(store.Remove("a"), KolPreferences::NO_VALUE);

        QVERIFY(store.Save(false));
        const QByteArray saved = savedStructure();
        QVERIFY2(saved.contains("<!-- note --><key>b</key><string>y</string>"), saved);
        std::string error;
        KolPreferences again(storeName.toStdString(), 0);
        QVERIFY2(again.Load(error, false), error.c_str());
        QVERIFY(!again.Exists("a"));
    }

    void removeTakesPlainDuplicatesAlong()
    {
        KolPreferences store =
            storeWith(storeName, "<key>a</key><dict><key>x</key><string>1</string></dict>"
                                 "<key>a</key><string>dup</string><key>a</key><string>dup</string>"
                                 "<key>a</key><dict><key>y</key><string>2</string></dict>");
        QCOMPARE(store.Remove("a"), KolPreferences::SUCCESS);
        QVERIFY(store.Exists("a/y"));
        QVERIFY(!store.Exists("a/x"));
        std::string text;
        QCOMPARE(store.GetString("a", text), KolPreferences::INCORRECT_TYPE);
    }

    void pathsDeeperThanTheParserReadsAreRefused()
    {
        const auto path = [](const char* first, int components) {
            std::string key = first;
            for (int i = 1; i < components; ++i)
                key += "/" + std::to_string(i);
            return key;
        };
        // The deepest paths whose file still reads back: 30 components for a value, 29 for a
        // list, whose items lie one level deeper.
        KolPreferences store = loadedStore(storeName);
        QCOMPARE(store.SetString(path("s", 30), "deepest"), KolPreferences::SUCCESS);
        QCOMPARE(store.SetArray(path("l", 29), std::vector<int>{1, 2}), KolPreferences::SUCCESS);
        QVERIFY(store.Save(false));
        QCOMPARE(store.SetString(path("t", 31), "too deep"), KolPreferences::CRITICAL_ERROR);
        QCOMPARE(store.SetBool(path("t", 31), true), KolPreferences::CRITICAL_ERROR);
        QCOMPARE(store.SetArray(path("m", 30), std::vector<int>{3}),
                 KolPreferences::CRITICAL_ERROR);
        QVERIFY(!store.Exists("t") && !store.Exists("m"));
        QVERIFY(store.Save(true));

        KolPreferences again(storeName.toStdString(), 0);
        std::string error;
        QVERIFY2(again.Load(error, false), error.c_str());
        std::string text;
        QCOMPARE(again.GetString(path("s", 30), text), KolPreferences::SUCCESS);
        QCOMPARE(text, std::string("deepest"));
        std::vector<int> numbers;
        QCOMPARE(again.GetArray(path("l", 29), &numbers), KolPreferences::SUCCESS);
        QCOMPARE(numbers, (std::vector<int>{1, 2}));
    }
};

KOLZ_TEST_MAIN_CORE(TestKeyPaths)
#include "tst_keypaths.moc"
