#include "PreferenceFiles.h"
#include "prefs/ProgramSettings.h"
#include "support/TestEnvironment.h"

#include <QTest>

// This executable exports the word, as a module loaded into the emulated process would.
extern "C" {
extern std::uint32_t KolZendraConfiguration;
std::uint32_t KolZendraConfiguration = 4u | 1u;
}

using namespace prefs_test;

class TestConfigurationWord : public QObject
{
    Q_OBJECT
private slots:
    void wordIsReadFromTheProcess() { QCOMPARE(configurationWord(), 5u); }

    void currentProfileIsNotReadWhenTheWordSaysSo()
    {
        resetHome();
        QVERIFY(writeFile(preferenceFile(QStringLiteral("KolZendra")),
                          plist("<key>KolZendra 10.17.3</key><dict>"
                                "<key>profiles_directory</key><string>/p</string>"
                                "<key>current_profile</key><string>Phone</string></dict>")));
        ProgramSettings settings;
        std::string error;
        QVERIFY(settings.Load(error));
        QCOMPARE(settings.ProfilesDirectory(), std::string("/p"));
        QCOMPARE(settings.CurrentProfile(), std::string());
    }
};

KOLZ_TEST_MAIN_CORE(TestConfigurationWord)
#include "tst_configword.moc"
