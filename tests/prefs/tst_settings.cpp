#include "PreferenceFiles.h"
#include "prefs/ProgramSettings.h"
#include "support/TestEnvironment.h"

#include <QTest>
#include <cstdio>

using namespace prefs_test;

namespace {

const QString programStore = QStringLiteral("KolZendra");

QByteArray settingsFile(const QByteArray& settings)
{
    return plist("<key>KolZendra 10.17.3</key><dict>" + settings + "</dict>");
}

} // namespace

// The program's settings keys, the Qt-side string helpers and the settings record.
class TestSettings : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        resetHome();
        qputenv("ZENDRA_PROFILE_PATH", "/profiles/from/env");
    }

    void profilesDirectoryDefaultsToTheEnvironment()
    {
        KolPreferences store = loadedStore(programStore);
        QCOMPARE(profilesDirectory(&store), QStringLiteral("/profiles/from/env"));
        qputenv("ZENDRA_PROFILE_PATH", "/changed");
        QCOMPARE(profilesDirectory(&store), QStringLiteral("/changed"));
        qunsetenv("ZENDRA_PROFILE_PATH");
        QCOMPARE(profilesDirectory(&store), QString());
        std::string variable = "unchanged";
        QVERIFY(!profilePathVariable(variable));
        QCOMPARE(variable, std::string("unchanged"));

        setPreferenceString(&store, profilesDirectoryKey, QStringLiteral("/stored"));
        qputenv("ZENDRA_PROFILE_PATH", "/ignored");
        QCOMPARE(profilesDirectory(&store), QStringLiteral("/stored"));
    }

    void stringSettingsAreUtf8AndNeedASave()
    {
        KolPreferences store = loadedStore(programStore);
        const QString path = preferenceFile(programStore);
        const QByteArray before = readFile(path);
        const QString font = QStringLiteral("Sans \u00DC\u00DF \u20AC \U0001F600");
        setPreferenceString(&store, guiFontKey, font);
        QCOMPARE(readFile(path), before);
        QVERIFY(store.Save(false));

        KolPreferences again = loadedStore(programStore);
        QCOMPARE(preferenceString(&again, guiFontKey, "dflt"), font);
        std::string raw;
        QCOMPARE(again.GetString(guiFontKey, raw), KolPreferences::SUCCESS);
        QCOMPARE(raw, font.toUtf8().toStdString());

        QCOMPARE(preferenceString(&again, currentProfileKey, "dflt"), QStringLiteral("dflt"));
    }

    void settingsRecordFillsTheDirectoryFromTheEnvironment()
    {
        const QString path = preferenceFile(programStore);
        QVERIFY(writeFile(path, settingsFile("<key>current_profile</key><string>Phone</string>"
                                             "<key>strict_context_mode</key><true/>")));
        QCOMPARE(configurationWord(), 0u); // nothing in this process exports the word
        ProgramSettings settings;
        std::string error;
        QVERIFY(settings.Load(error));
        QCOMPARE(settings.ProfilesDirectory(), std::string("/profiles/from/env"));
        QCOMPARE(settings.CurrentProfile(), std::string("Phone"));
        QVERIFY(settings.StrictContextMode());
        QVERIFY(readFile(path).contains("<string>/profiles/from/env</string>"));

        ProgramSettings copy = settings;
        QCOMPARE(copy.CurrentProfile(), std::string("Phone"));
    }

    void settingsRecordWithEmptyOrMissingVariable()
    {
        const QString path = preferenceFile(programStore);
        const QByteArray content = settingsFile("<key>current_profile</key><string>Phone</string>");
        QVERIFY(writeFile(path, content));
        qputenv("ZENDRA_PROFILE_PATH", "");
        ProgramSettings settings;
        std::string error;
        QVERIFY(settings.Load(error));
        QCOMPARE(settings.CurrentProfile(), std::string());
        QVERIFY(readFile(path).contains("<key>profiles_directory</key>"));

        QVERIFY(writeFile(path, content));
        qunsetenv("ZENDRA_PROFILE_PATH");
        ProgramSettings unset;
        QVERIFY(unset.Load(error));
        QCOMPARE(unset.CurrentProfile(), std::string());
        QCOMPARE(readFile(path), content);
    }

    void openFileForReadingUsesTheFileSystemEncoding()
    {
        const QString path =
            kolz::test::environment().tmp() + QStringLiteral("/\u03A9mega \u20AC.xml");
        QVERIFY(writeFile(path, "<profile/>"));
        std::FILE* fp = openFileForReading(path);
        QVERIFY(fp);
        char buffer[16] = {};
        QCOMPARE(std::fread(buffer, 1, sizeof buffer, fp), std::size_t(10));
        std::fclose(fp);
        QVERIFY(!openFileForReading(path + QStringLiteral(".missing")));
    }
};

KOLZ_TEST_MAIN_CORE(TestSettings)
#include "tst_settings.moc"
