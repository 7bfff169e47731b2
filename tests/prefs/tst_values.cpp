#include "PreferenceFiles.h"
#include "prefs/KolPreferences.h"
#include "support/TestEnvironment.h"

#include <QTest>
#include <limits>
#include <locale>

using namespace prefs_test;

namespace {

const QString storeName = QStringLiteral("Values");

// A locale that groups digits and uses a decimal comma, to prove the file never sees it.
struct CommaPunctuation : std::numpunct<char>
{
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

} // namespace

// Typed values: scalars with their conversions, lists and binary data.
class TestValues : public QObject
{
    Q_OBJECT
private slots:
    void init() { resetHome(); }

    void integerTexts_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("value");
        QTest::newRow("trailing letters") << QByteArray("12abc") << 0 << 12;
        QTest::newRow("letters") << QByteArray("abc") << int(KolPreferences::INCORRECT_TYPE) << 0;
        QTest::newRow("too large") << QByteArray("2147483648") << 3 << 2147483647;
    }

    void integerTexts()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, result);
        QFETCH(int, value);
        KolPreferences store = storeWith(storeName, "<key>n</key><integer>" + text + "</integer>");
        int out = 99;
        QCOMPARE(int(store.GetInt("n", out, 55)), result);
        QCOMPARE(out, value);
    }

    void numbersAreWrittenInTheClassicLocale()
    {
        const std::locale previous =
            std::locale::global(std::locale(std::locale::classic(), new CommaPunctuation));
        KolPreferences store = loadedStore(storeName);
        const std::pair<double, const char*> reals[] = {
            {0.1, "0.1"},
            {100.0, "100"},
            {3.14159265, "3.14159"},
            {1234567.0, "1.23457e+06"},
            {0.00001, "1e-05"},
            {-std::numeric_limits<double>::infinity(), "-inf"},
        };
        for (std::size_t i = 0; i < std::size(reals); ++i)
            store.SetReal("r" + std::to_string(i), reals[i].first);
        store.SetInt("big", 1234567);
        store.SetInt("negative", -5);
        QVERIFY(store.Save(false));
        const QByteArray saved = readFile(preferenceFile(storeName));
        for (const auto& [number, text] : reals)
            QVERIFY2(saved.contains("<real>" + QByteArray(text) + "</real>"), text);
        QVERIFY(saved.contains("<integer>1234567</integer>"));
        QVERIFY(saved.contains("<integer>-5</integer>"));

        double real = 0;
        QCOMPARE(store.GetReal("r2", real), KolPreferences::SUCCESS);
        QCOMPARE(real, 3.14159);
        std::locale::global(previous);
    }

    void settersRetypeInPlace()
    {
        KolPreferences store = storeWith(
            storeName,
            "<key>s</key><string>text</string><key>b</key><true/>"
            "<key>d</key><dict><key>x</key><string>1</string></dict><key>z</key><false/>");
        QCOMPARE(store.SetBool("s", true), KolPreferences::SUCCESS);
        QCOMPARE(store.SetString("b", "now text"), KolPreferences::SUCCESS);
        QCOMPARE(store.SetInt("d", 8), KolPreferences::SUCCESS);
        QVERIFY(store.Save(false));
        const QByteArray saved = readFile(preferenceFile(storeName)).simplified();
        QVERIFY2(saved.contains("<key>s</key> <true/> <key>b</key> <string>now text</string> "
                                "<key>d</key> <integer>8</integer> <key>z</key>"),
                 saved);
    }

    void textsSurviveTheFile()
    {
        KolPreferences store = loadedStore(storeName);
        const std::string spaced = "  two\n lines \t";
        const std::string markup = "<a href=\"x\">&amp;</a>";
        const std::string utf8 = "Gr\xC3\xBC\xC3\x9F \xE2\x82\xAC";
        store.SetString("spaced", spaced);
        store.SetString("markup", markup);
        store.SetString("utf8", utf8);
        store.SetString("empty", "");
        QCOMPARE(store.SetString("null", static_cast<const char*>(nullptr)),
                 KolPreferences::SUCCESS);
        std::string text = "x";
        QCOMPARE(store.GetString("empty", text, "dflt"), KolPreferences::SUCCESS);
        QCOMPARE(text, std::string());
        QCOMPARE(store.GetString("null", text, "dflt"), KolPreferences::SUCCESS);
        QCOMPARE(text, std::string());

        QVERIFY(store.Save(true));
        KolPreferences again = loadedStore(storeName);
        for (const std::string& value : {spaced, markup, utf8}) {
            const std::string key = value == spaced   ? "spaced"
                                    : value == markup ? "markup"
                                                      : "utf8";
            QCOMPARE(again.GetString(key, text), KolPreferences::SUCCESS);
            QCOMPARE(text, value);
        }
        QCOMPARE(again.GetString("empty", text, "dflt"), KolPreferences::NO_VALUE);
        QCOMPARE(text, std::string("dflt"));
    }

    void listsRoundTrip()
    {
        KolPreferences store = loadedStore(storeName);
        const std::vector<std::string> strings{"a", "", " b "};
        QCOMPARE(store.SetArray("s", strings), KolPreferences::SUCCESS);
        QCOMPARE(store.SetArray("i", std::vector<int>{7, -3}), KolPreferences::SUCCESS);
        QCOMPARE(store.SetArray("r", std::vector<double>{0.5, 1e10}), KolPreferences::SUCCESS);
        QCOMPARE(store.SetArray("b", std::vector<bool>{true, false}), KolPreferences::SUCCESS);
        QCOMPARE(store.SetArray("q", std::deque<std::string>{"x", std::string("y\0z", 3)}),
                 KolPreferences::SUCCESS);
        QCOMPARE(store.SetArray("none", std::vector<std::string>{}), KolPreferences::SUCCESS);

        QVERIFY(store.Save(true));
        KolPreferences again = loadedStore(storeName);
        std::vector<std::string> gotStrings;
        QCOMPARE(again.GetArray("s", &gotStrings), KolPreferences::SUCCESS);
        QCOMPARE(gotStrings, strings);
        std::vector<int> ints{1, 2};
        QCOMPARE(again.GetArray("i", &ints), KolPreferences::SUCCESS); // appends
        QCOMPARE(ints, (std::vector<int>{1, 2, 7, -3}));
        std::vector<double> reals;
        QCOMPARE(again.GetArray("r", &reals), KolPreferences::SUCCESS);
        QCOMPARE(reals, (std::vector<double>{0.5, 1e10}));
        std::vector<bool> bools;
        QCOMPARE(again.GetArray("b", &bools), KolPreferences::SUCCESS);
        QCOMPARE(bools, (std::vector<bool>{true, false}));
        std::deque<std::string> deque;
        QCOMPARE(again.GetArray("q", deque), KolPreferences::SUCCESS);
        QCOMPARE(deque, (std::deque<std::string>{"x", "y"}));
        std::vector<std::string> none{"kept"};
        QCOMPARE(again.GetArray("none", &none), KolPreferences::SUCCESS);
        QCOMPARE(none, std::vector<std::string>{"kept"});
    }

    void listReadingRules()
    {
        KolPreferences store = storeWith(
            storeName, "<key>mixed</key><array><integer>7</integer><string>12ab</string><integer/>"
                       "<string>x</string><integer>9</integer></array>"
                       "<key>Cased</key><Array><string>c</string></Array>"
                       "<key>s</key><string>word</string><key>t</key><true/>");
        std::vector<int> ints;
        QCOMPARE(store.GetArray("mixed", &ints), KolPreferences::INCORRECT_TYPE);
        QCOMPARE(ints, (std::vector<int>{7, 12, 0, 0}));
        std::vector<std::string> strings;
        QCOMPARE(store.GetArray("Cased", &strings), KolPreferences::SUCCESS);
        QCOMPARE(strings, std::vector<std::string>{"c"});
        strings.clear();
        QCOMPARE(store.GetArray("s", &strings), KolPreferences::INCORRECT_TYPE);
        QVERIFY(strings.empty());

        std::vector<bool> bools;
        QCOMPARE(store.GetArray("t", &bools), KolPreferences::SUCCESS);
        QVERIFY(bools.empty());
        QCOMPARE(store.GetArray("s", &bools), KolPreferences::INCORRECT_TYPE);
        QCOMPARE(bools, std::vector<bool>{false});

        QCOMPARE(store.GetArray("s", static_cast<std::vector<int>*>(nullptr)),
                 KolPreferences::INCORRECT_TYPE);
    }

    void dataLayout_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("nothing") << 0 << QByteArray("\n");
        QTest::newRow("one group") << 3 << QByteArray("YWFh\n");
        QTest::newRow("full line") << 54 << QByteArray("YWFh").repeated(18) + "\n\n";
        QTest::newRow("one more") << 55 << QByteArray("YWFh").repeated(18) + "\nYQ==\n";
    }

    void dataLayout()
    {
        QFETCH(int, size);
        QFETCH(QByteArray, text);
        KolPreferences store = loadedStore(storeName);
        const std::string bytes(std::size_t(size), 'a');
        QCOMPARE(store.SetData("d", bytes.data(), std::uint32_t(size)), KolPreferences::SUCCESS);
        void* data = nullptr;
        std::uint32_t length = 99;
        QCOMPARE(store.GetData("d", data, length), KolPreferences::SUCCESS);
        QVERIFY(data);
        QCOMPARE(std::string(static_cast<char*>(data), length), bytes);
        delete[] static_cast<char*>(data);
        QVERIFY(store.Save(false));
        QVERIFY(readFile(preferenceFile(storeName)).contains("<data>" + text + "</data>"));
    }

    void dataRoundTrip()
    {
        KolPreferences store = loadedStore(storeName);
        std::string bytes(300000, '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = char((i * 7919u) >> 3);
        QCOMPARE(store.SetData("big", bytes.data(), std::uint32_t(bytes.size())),
                 KolPreferences::SUCCESS);
        QVERIFY(store.Save(true));
        KolPreferences again = loadedStore(storeName);
        void* data = nullptr;
        std::uint32_t size = 0;
        QCOMPARE(again.GetData("big", data, size), KolPreferences::SUCCESS);
        QCOMPARE(size, std::uint32_t(bytes.size()));
        QVERIFY(std::string(static_cast<char*>(data), size) == bytes);
        delete[] static_cast<char*>(data);
    }

    void dataReadingRules()
    {
        KolPreferences store =
            storeWith(storeName, "<key>messy</key><data> YW\tF\nhY WF==h= \n</data>"
                                 "<key>s</key><string>YWFh</string>");
        void* data = nullptr;
        std::uint32_t size = 0;
        QCOMPARE(store.GetData("messy", data, size), KolPreferences::SUCCESS);
        QCOMPARE(std::string(static_cast<char*>(data), size), std::string("aaaaaa"));
        delete[] static_cast<char*>(data);

        data = &size;
        size = 7;
        QCOMPARE(store.GetData("s", data, size), KolPreferences::INCORRECT_TYPE);
        QCOMPARE(store.GetData("missing", data, size), KolPreferences::NO_VALUE);
        QVERIFY(data == &size && size == 7);

        QCOMPARE(store.SetData("bad", nullptr, 5), KolPreferences::CRITICAL_ERROR);
        QVERIFY(!store.Exists("bad"));
        QCOMPARE(store.SetData("none", nullptr, 0), KolPreferences::SUCCESS);
    }
};

KOLZ_TEST_MAIN_CORE(TestValues)
#include "tst_values.moc"
