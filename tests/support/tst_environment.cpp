#include "support/TestEnvironment.h"

#include <QDir>
#include <QLocalServer>
#include <QStandardPaths>

// The harness every other test relies on: a private home, temporary and profile directory.
class TestEnvironment : public QObject
{
    Q_OBJECT
private slots:
    void variablesPointIntoPrivateRoot()
    {
        const auto& env = kolz::test::environment();
        QVERIFY(env.root().contains(QStringLiteral("kolz-test-")));
        QCOMPARE(QDir::homePath(), env.home());
        QCOMPARE(QDir::tempPath(), env.tmp());
        QCOMPARE(qEnvironmentVariable("ZENDRA_PROFILE_PATH"), env.profiles());
        QVERIFY(QDir(env.profiles()).exists());
    }

    void localSocketsLiveInPrivateTemp()
    {
        QLocalServer server;
        QVERIFY(server.listen(QStringLiteral("KolZendra")));
        QVERIFY(server.fullServerName().startsWith(kolz::test::environment().tmp()));
    }
};

KOLZ_TEST_MAIN_CORE(TestEnvironment)
#include "tst_environment.moc"
