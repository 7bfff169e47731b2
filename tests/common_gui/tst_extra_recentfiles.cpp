#include "support/TestEnvironment.h"

#include "common_gui/RecentFiles.h"
#include "common_gui/RecentFilesMenu.h"
#include "prefs/KolPreferences.h"

#include <QFile>
#include <QMenu>
#include <QSignalSpy>

#include <memory>

namespace {

const std::string prefix = "Viewer";
const std::string listKey = "Viewer/Recent files";

std::deque<std::string> storedList(KolPreferences& store)
{
    std::deque<std::string> list;
    store.GetArray(listKey, list);
    return list;
}

QList<QAction*> entries(const QMenu& menu)
{
    QList<QAction*> result;
    for (QAction* action : menu.actions()) {
        if (action->property("ARecentFile").isValid())
            result << action;
    }
    return result;
}

QStringList entryTexts(const QMenu& menu)
{
    QStringList texts;
    for (const QAction* action : entries(menu))
        texts << action->text();
    return texts;
}

QString makeFile(const QString& name)
{
    const QString path = kolz::test::environment().tmp() + QLatin1Char('/') + name;
    QFile file(path);
    return file.open(QIODevice::WriteOnly) ? path : QString();
}

} // namespace

// The list kept in the store (order, limit, stored form, data keys), its display form, and the
// menus that mirror it.
class TestRecentFiles : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void listKeepsMostRecentFirstWithinTheLimit();
    void dataIsKeptUnderThePathHash();
    void removeAndClearLeaveDataAlone();
    void elidedDisplayForms_data();
    void elidedDisplayForms();
    void menuFillsClearsAndRefillsStably();
    void missingFilesAreDroppedWhenFlagged();
    void recentFilesMenuShowsPathsAsToolTips();

private:
    std::unique_ptr<KolPreferences> m_store;
    int m_storeNumber = 0;
};

void TestRecentFiles::init()
{
    m_store = std::make_unique<KolPreferences>("RecentFiles" + std::to_string(++m_storeNumber), 0);
    std::string error;
    QVERIFY2(m_store->Load(error, false), error.c_str());
}

void TestRecentFiles::cleanup()
{
    m_store.reset();
}

void TestRecentFiles::listKeepsMostRecentFirstWithinTheLimit()
{
    RecentFiles recent(m_store.get(), 0, prefix, 4);
    for (const char* path : {"/a", "/b", "/c", "/d"})
        recent.addFile(QString::fromLatin1(path));
    QCOMPARE(storedList(*m_store), (std::deque<std::string>{"/d", "/c", "/b", "/a"}));

    // A path already listed moves to the front; a fifth one pushes the oldest out.
    recent.addFile(QStringLiteral("/b"));
    QCOMPARE(storedList(*m_store), (std::deque<std::string>{"/b", "/d", "/c", "/a"}));
    recent.addFile(QStringLiteral("/e"));
    QCOMPARE(storedList(*m_store), (std::deque<std::string>{"/e", "/b", "/d", "/c"}));

    // Backslashes are slashes: the same file written either way is one entry.
    recent.addFile(QStringLiteral("C:\\work\\scene.xml"));
    recent.addFile(QStringLiteral("C:/work/scene.xml"));
    std::deque<std::string> list;
    QCOMPARE(recent.files(list), KolPreferences::SUCCESS);
    QCOMPARE(list, (std::deque<std::string>{"C:/work/scene.xml", "/e", "/b", "/d"}));

    // Every change reached the file: a second store on it sees the same list.
    KolPreferences reader("RecentFiles" + std::to_string(m_storeNumber), 0);
    std::string error;
    QVERIFY(reader.Load(error, false));
    QCOMPARE(storedList(reader), list);

    // A lower limit trims the list at once; a higher one keeps it.
    recent.setMaximum(2);
    QCOMPARE(storedList(*m_store), (std::deque<std::string>{"C:/work/scene.xml", "/e"}));
    recent.setMaximum(10);
    recent.addFile(QStringLiteral("/f"));
    QCOMPARE(storedList(*m_store).size(), std::size_t(3));
}

void TestRecentFiles::dataIsKeptUnderThePathHash()
{
    RecentFiles recent(m_store.get(), 0, prefix, 8);
    QSignalSpy triggered(&recent, &RecentFiles::triggered);

    // 32-bit FNV-1 of the stored path: 0x050c5d7e for "a", 0x31f0b262 for "foobar"; the empty
    // path hashes to 0.
    recent.addFile(QStringLiteral("a"), QByteArray("first"));
    recent.addFile(QStringLiteral("foobar"), QByteArray("second"));
    recent.addFile(QString(), QByteArray("third"));
    recent.addFile(QStringLiteral("\\home\\user\\file.txt"), QByteArray("fourth"));
    for (const char* key : {"Viewer/84696446", "Viewer/837857890", "Viewer/0", "Viewer/4143793188"})
        QVERIFY2(m_store->Exists(key), key);

    // Without a prefix the keys are plain.
    RecentFiles plain(m_store.get(), 0, std::string(), 8);
    plain.addFile(QStringLiteral("a"), QByteArray("x"));
    QVERIFY(m_store->Exists("/84696446"));
    std::deque<std::string> plainList;
    QCOMPARE(m_store->GetArray("Recent files", plainList), KolPreferences::SUCCESS);
    QCOMPARE(plainList, std::deque<std::string>{"a"});

    // Choosing an entry hands its data over; an entry without data gives an empty array.
    recent.addFile(QStringLiteral("/no/data"));
    QMenu menu;
    recent.attachMenu(&menu);
    const QList<QAction*> actions = entries(menu);
    QCOMPARE(actions.size(), 5);
    actions[0]->trigger();
    actions[1]->trigger();
    QCOMPARE(triggered.size(), 2);
    QCOMPARE(triggered[0][0].toString(), QStringLiteral("/no/data"));
    QCOMPARE(triggered[0][1].toByteArray(), QByteArray());
    QCOMPARE(triggered[1][0].toString(), QStringLiteral("/home/user/file.txt"));
    QCOMPARE(triggered[1][1].toByteArray(), QByteArray("fourth"));
}

void TestRecentFiles::removeAndClearLeaveDataAlone()
{
    RecentFiles recent(m_store.get(), 0, prefix, 8);
    recent.addFile(QStringLiteral("a"), QByteArray("kept"));
    recent.addFile(QStringLiteral("/b"));
    recent.addFile(QStringLiteral("/c"));

    recent.removeFile(-1);
    recent.removeFile(3);
    QCOMPARE(storedList(*m_store).size(), std::size_t(3));
    recent.removeFile(1);
    QCOMPARE(storedList(*m_store), (std::deque<std::string>{"/c", "a"}));

    recent.clear();
    std::deque<std::string> list;
    QCOMPARE(recent.files(list), KolPreferences::SUCCESS);
    QVERIFY(list.empty());
    QVERIFY(m_store->Exists("Viewer/84696446"));
}

void TestRecentFiles::elidedDisplayForms_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("shown");
    QTest::newRow("folders dropped after the root")
        << "/home/user/projects/alpha/beta/gamma/file_0001.txt"
        << "/.../projects/alpha/beta/gamma/file_0001.txt";
    QTest::newRow("no slash: characters dropped from the front")
        << QString(52, QLatin1Char('x')) << QStringLiteral("...") + QString(45, QLatin1Char('x'));
    QTest::newRow("45 characters shown whole") << "/home/user/projects/alpha/beta/file_00001.txt"
                                               << "/home/user/projects/alpha/beta/file_00001.txt";
    // The only slash is too near the end for anything after it to go.
    QTest::newRow("slash at the end")
        << QString(49, QLatin1Char('y')) + QLatin1Char('/')
        << QStringLiteral("...") + QString(44, QLatin1Char('y')) + QLatin1Char('/');
}

void TestRecentFiles::elidedDisplayForms()
{
    QFETCH(QString, path);
    QFETCH(QString, shown);
    QCOMPARE(RecentFiles::elide(path), shown);
}

void TestRecentFiles::menuFillsClearsAndRefillsStably()
{
    RecentFiles recent(m_store.get(), 0, prefix, 8);
    recent.addFile(QStringLiteral("/one"));
    recent.addFile(QStringLiteral("/two"));
    recent.addFile(QStringLiteral("/three"));

    QMenu menu;
    menu.addAction(QStringLiteral("Open..."));
    recent.attachMenu(&menu);
    QCOMPARE(entryTexts(menu), (QStringList{"1 /three", "2 /two", "3 /one"}));
    // Entries sit between the menu's own actions and the separator.
    const QList<QAction*> all = menu.actions();
    QCOMPARE(all.size(), 6);
    QCOMPARE(all[0]->text(), QStringLiteral("Open..."));
    QCOMPARE(all[4]->objectName(), QStringLiteral("TheRecentFileSeparator"));
    QCOMPARE(all[1]->toolTip(), QStringLiteral("/three"));

    // Showing the menu again without changes keeps the very same actions.
    const QList<QAction*> before = entries(menu);
    emit menu.aboutToShow();
    QCOMPARE(entries(menu), before);
    QCOMPARE(entryTexts(menu), (QStringList{"1 /three", "2 /two", "3 /one"}));

    // Clearing through the menu empties it at once, and a later fill reads nothing past the
    // end of the empty list.
    QCOMPARE(menu.actions().last()->text(), QStringLiteral("Clear recent files"));
    menu.actions().last()->trigger();
    QVERIFY(entries(menu).isEmpty());
    emit menu.aboutToShow();
    QVERIFY(entries(menu).isEmpty());
    QCOMPARE(menu.actions().size(), 3);

    // A changed list renumbers the entries; a shorter one removes the surplus.
    recent.addFile(QStringLiteral("/four"));
    recent.addFile(QStringLiteral("/five"));
    emit menu.aboutToShow();
    QCOMPARE(entryTexts(menu), (QStringList{"1 /five", "2 /four"}));
    recent.addFile(QStringLiteral("/four"));
    recent.removeFile(1);
    emit menu.aboutToShow();
    QCOMPARE(entryTexts(menu), (QStringList{"1 /four"}));
    QCOMPARE(entries(menu).front()->property("ARecentFile").toString(), QStringLiteral("/four"));
}

void TestRecentFiles::missingFilesAreDroppedWhenFlagged()
{
    const QString kept = makeFile(QStringLiteral("kept.txt"));
    const QString gone = makeFile(QStringLiteral("gone.txt"));
    const QString last = makeFile(QStringLiteral("last.txt"));
    QVERIFY(!kept.isEmpty() && !gone.isEmpty() && !last.isEmpty());

    RecentFiles recent(m_store.get(), RecentFiles::DropMissingFiles, prefix, 8);
    QCOMPARE(recent.flags(), RecentFiles::DropMissingFiles);
    recent.addFile(kept);
    recent.addFile(gone);
    recent.addFile(last);
    recent.addFile(kolz::test::environment().tmp() + QStringLiteral("/never-there.txt"));
    QCOMPARE(storedList(*m_store).size(), std::size_t(3));

    QMenu menu;
    recent.attachMenu(&menu);
    QCOMPARE(entries(menu).size(), 3);

    // A file deleted since goes from the menu and the stored list when the menu next shows, and
    // the entries after it move up a number.
    QVERIFY(QFile::remove(gone));
    emit menu.aboutToShow();
    QCOMPARE(entryTexts(menu), (QStringList{"1 " + last, "2 " + kept}));
    QCOMPARE(storedList(*m_store),
             (std::deque<std::string>{last.toStdString(), kept.toStdString()}));

    // Without the flag missing files stay.
    recent.setFlags(0);
    QVERIFY(QFile::remove(kept));
    emit menu.aboutToShow();
    QCOMPARE(entries(menu).size(), 2);
}

void TestRecentFiles::recentFilesMenuShowsPathsAsToolTips()
{
    RecentFiles recent(m_store.get(), 0, prefix, 8);
    recent.addFile(QStringLiteral("/home/user/projects/alpha/beta/gamma/file_0001.txt"));
    RecentFilesMenu menu(QStringLiteral("Recent"), nullptr);
    QAction* other = menu.addAction(QStringLiteral("Other"));
    other->setToolTip(QStringLiteral("not a recent file"));
    recent.attachMenu(&menu);

    // The menu takes every tool-tip event; one for any action but a recent file is ignored.
    for (QAction* active : {other, entries(menu).front()}) {
        menu.setActiveAction(active);
        QHelpEvent tip(QEvent::ToolTip, QPoint(2, 2), QPoint(2, 2));
        QVERIFY(QCoreApplication::sendEvent(&menu, &tip));
        QCOMPARE(tip.isAccepted(), active != other);
    }
}

KOLZ_TEST_MAIN_WIDGETS(TestRecentFiles)
#include "tst_extra_recentfiles.moc"
