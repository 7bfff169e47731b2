// A start after earlier runs: a preference file naming a profile that has gone, a stored console
// font, a profiles directory with files of every kind, and socket files left by an instance that
// was killed.
#include "AppTestSupport.h"
#include "tests/peer/TestPeer.h"

#include <QDir>
#include <QFontComboBox>
#include <QFontDatabase>

#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace kolz::test;

namespace {

const char* const storedFont = "DejaVu Sans";

// What a crashed instance leaves behind: a socket file nobody listens on.
void leaveStaleSocket(const QString& name)
{
    const QByteArray path = QFile::encodeName(QDir::tempPath() + QLatin1Char('/') + name);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 1) != 0)
        qFatal("cannot leave a stale socket at %s", path.constData());
    ::close(fd);
}

void prepareEarlierRuns()
{
    KolPreferences store("KolZendra", 0);
    std::string error;
    if (!store.Load(error, false))
        qFatal("cannot create the preference file: %s", error.c_str());
    store.SetString(currentProfileKey, "vanished.xml");
    store.SetString(guiFontKey, storedFont);
    store.Save(true);

    const QString dir = environment().profiles();
    writeFile(dir + "/b.xml", profileXml("Beta device"));
    writeFile(dir + "/a.xml", profileXml("Alpha device"));
    writeFile(dir + "/twin.xml", profileXml("Alpha device"));
    writeFile(dir + "/notes.txt", profileXml("Text device"));
    writeFile(dir + "/.hidden.xml", profileXml("Hidden device"));
    writeFile(dir + "/broken.xml", "<profile><device>Broken");
    writeFile(dir + "/other.xml", "<settings/>");
    leaveStaleSocket(QString::fromLatin1(MainWindow::serverName));
    leaveStaleSocket(QString::fromLatin1(Controller::lockName));
}

} // namespace

class TestRestart : public QObject
{
    Q_OBJECT

public:
    explicit TestRestart(Controller& controller) : app(controller), window(controller.window()) {}

private slots:
    void vanishedProfileBecomesHost();
    void userProfilesAreListedSorted();
    void twinNamesAreFoundByFileName();
    void staleSocketsDoNotStopTheStart();
    void storedFontIsRestored();

private:
    QComboBox* profiles() const { return window.findChild<QComboBox*>("cmbProfile"); }

    Controller& app;
    MainWindow& window;
};

void TestRestart::vanishedProfileBecomesHost()
{
    QCOMPARE(profiles()->currentIndex(), 0);
    QCOMPARE(storedString(currentProfileKey), std::string());
}

void TestRestart::userProfilesAreListedSorted()
{
    const QStringList texts = comboTexts(profiles());
    QCOMPARE(texts.mid(2, 4),
             QStringList({"Alpha device", "Alpha device", "Beta device", "Text device"}));
    QVERIFY(isSeparator(profiles(), 6));
    QVERIFY(!texts.contains("Hidden device"));
    QCOMPARE(profiles()->count(), 7 + 13);
}

void TestRestart::twinNamesAreFoundByFileName()
{
    const auto twin = app.findProfile("twin.xml");
    QVERIFY(twin);
    app.selectProfile("twin.xml");
    QCOMPARE(storedString(currentProfileKey), std::string("twin.xml"));
    QCOMPARE(app.currentProfile(), twin);
    app.selectProfile("nothing.xml");
    QCOMPARE(profiles()->currentIndex(), 0);
}

void TestRestart::staleSocketsDoNotStopTheStart()
{
    QVERIFY(serverAccepts(QString::fromLatin1(Controller::lockName)));
    QVERIFY(window.clientServer()->isListening());
    TestPeer peer;
    QVERIFY(peer.connectToPanel());
    QTRY_COMPARE(window.connectedClients().size(), size_t(1));
    peer.disconnectCleanly();
    QTRY_VERIFY(window.connectedClients().empty());
}

void TestRestart::storedFontIsRestored()
{
    auto* fonts = window.findChild<QFontComboBox*>("cmbFont");
    if (QFontDatabase::families().contains(QString::fromLatin1(storedFont)))
        QCOMPARE(fonts->currentFont().family(), QString::fromLatin1(storedFont));
    // Restoring the font is no change by the user: the stored text stays as it was.
    QCOMPARE(storedString(guiFontKey), std::string(storedFont));
}

KOLZ_APP_TEST_MAIN(TestRestart, prepareEarlierRuns)
#include "tst_restart.moc"
