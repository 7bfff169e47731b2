#include "support/TestEnvironment.h"

#include "common_gui/KitTestHelpers.h"
#include "common_gui/RecentFiles.h"
#include "common_gui/RecentFilesMenu.h"

#include <QHelpEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QTextDocumentFragment>
#include <QToolTip>

using List = std::deque<std::string>;

namespace {

const std::string prefix = "Viewer";

List storedList(KolPreferences& store, const std::string& key = "Viewer/Recent files")
{
    List list;
    store.GetArray(key, list);
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

} // namespace

// The list kept in the store (order, limit, stored form, data keys), its display form, and the
// menus that mirror it.
class TestRecentFiles : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void listKeepsMostRecentFirstWithinTheLimit();
    void dataIsKeptUnderThePathHash();
    void elidedDisplayForms_data();
    void elidedDisplayForms();
    void menuFillsClearsAndRefillsStably();
    void missingFilesAreDroppedWhenFlagged();

private:
    std::unique_ptr<KolPreferences> store;
    int stores = 0;
};

void TestRecentFiles::init()
{
    store = kolz::test::loadedStore("RecentFiles" + std::to_string(++stores));
    QVERIFY(store);
}

void TestRecentFiles::listKeepsMostRecentFirstWithinTheLimit()
{
    RecentFiles recent(store.get(), 0, prefix, 4);
    for (const char* path : {"/a", "/b", "/c", "/d", "/b", "/e"})
        recent.addFile(QString::fromLatin1(path));
    // A path already listed moves to the front; a fifth one pushes the oldest out.
    QCOMPARE(storedList(*store), (List{"/e", "/b", "/d", "/c"}));

    // Backslashes are slashes: the same file written either way is one entry. Every change
    // reached the file.
    recent.addFile(QStringLiteral("C:\\work\\scene.xml"));
    recent.addFile(QStringLiteral("C:/work/scene.xml"));
    const List list{"C:/work/scene.xml", "/e", "/b", "/d"};
    QCOMPARE(storedList(*kolz::test::loadedStore("RecentFiles" + std::to_string(stores))), list);

    // A lower limit trims the list at once; removals past its ends are ignored.
    recent.setMaximum(3);
    recent.removeFile(-1);
    recent.removeFile(3);
    recent.removeFile(1);
    QCOMPARE(storedList(*store), (List{"C:/work/scene.xml", "/b"}));
}

void TestRecentFiles::dataIsKeptUnderThePathHash()
{
    RecentFiles recent(store.get(), 0, prefix, 8);
    QSignalSpy triggered(&recent, &RecentFiles::triggered);

    // 32-bit FNV-1 of the stored path: 0x050c5d7e for "a", 0x31f0b262 for "foobar"; the empty
    // path hashes to 0.
    recent.addFile(QStringLiteral("a"), QByteArray("first"));
    recent.addFile(QStringLiteral("foobar"), QByteArray("second"));
    recent.addFile(QString(), QByteArray("third"));
    recent.addFile(QStringLiteral("\\home\\user\\file.txt"), QByteArray("fourth"));
    for (const char* key : {"Viewer/84696446", "Viewer/837857890", "Viewer/0", "Viewer/4143793188"})
        QVERIFY2(store->Exists(key), key);
    // Without a prefix the keys are plain.
    RecentFiles plain(store.get(), 0, std::string(), 8);
    plain.addFile(QStringLiteral("a"), QByteArray("x"));
    QVERIFY(store->Exists("/84696446"));
    QCOMPARE(storedList(*store, "Recent files"), List{"a"});

    // Choosing an entry hands its data over; an entry without data gives an empty array.
    recent.addFile(QStringLiteral("/no/data"));
    QMenu menu;
    recent.attachMenu(&menu);
    entries(menu)[0]->trigger();
    entries(menu)[1]->trigger();
    QCOMPARE(triggered.size(), 2);
    QCOMPARE(triggered[0], (QVariantList{"/no/data", QByteArray()}));
    QCOMPARE(triggered[1], (QVariantList{"/home/user/file.txt", QByteArray("fourth")}));

    // Clearing the list leaves the data.
    recent.clear();
    QVERIFY(storedList(*store).empty());
    QVERIFY(store->Exists("Viewer/84696446"));
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
    RecentFiles recent(store.get(), 0, prefix, 8);
    for (const char* path : {"/one", "/R&D", "/three"})
        recent.addFile(QString::fromLatin1(path));
    RecentFilesMenu menu(QStringLiteral("Recent"), nullptr);
    QAction* open = menu.addAction(QStringLiteral("Open..."));
    recent.attachMenu(&menu);
    // Entries sit between the menu's own actions and the separator.
    QCOMPARE(menu.actions().size(), 6);
    QCOMPARE(menu.actions().mid(1, 3), entries(menu));
    QCOMPARE(entryTexts(menu), (QStringList{"1 /three", "2 /R&&D", "3 /one"}));

    // Showing the menu again without changes keeps the very same actions.
    const QList<QAction*> before = entries(menu);
    emit menu.aboutToShow();
    QCOMPARE(entries(menu), before);

    // The menu takes every tool-tip event; one for any action but a recent file is ignored.
    for (QAction* active : {open, before.front()}) {
        menu.setActiveAction(active);
        QHelpEvent tip(QEvent::ToolTip, QPoint(2, 2), QPoint(2, 2));
        QVERIFY(QCoreApplication::sendEvent(&menu, &tip));
        QCOMPARE(tip.isAccepted(), active != open);
    }

    // Clearing through the menu empties it at once, and a later fill reads nothing past the
    // end of the empty list.
    QCOMPARE(menu.actions().last()->text(), QStringLiteral("Clear recent files"));
    menu.actions().last()->trigger();
    QVERIFY(entries(menu).isEmpty());
    emit menu.aboutToShow();
    QCOMPARE(menu.actions().size(), 3);

    // A changed list renumbers the entries; a shorter one removes the surplus.
    for (const char* path : {"/four", "/five"})
        recent.addFile(QString::fromLatin1(path));
    emit menu.aboutToShow();
    QCOMPARE(entryTexts(menu), (QStringList{"1 /five", "2 /four"}));
    recent.addFile(QStringLiteral("/four"));
    recent.removeFile(1);
    emit menu.aboutToShow();
    QCOMPARE(entryTexts(menu), (QStringList{"1 /four"}));
    QCOMPARE(entries(menu).front()->property("ARecentFile").toString(), QStringLiteral("/four"));

    // A path that looks like markup reads as itself in its tool tip (no bold, no image).
    const QString odd = QStringLiteral("/tmp/<b>R&amp;D</b><img src=x.png>");
    recent.addFile(odd);
    emit menu.aboutToShow();
    menu.setActiveAction(entries(menu).front());
    QHelpEvent tip(QEvent::ToolTip, QPoint(2, 2), QPoint(2, 2));
    QVERIFY(QCoreApplication::sendEvent(&menu, &tip));
    QCOMPARE(QTextDocumentFragment::fromHtml(QToolTip::text()).toPlainText(), odd);
    QToolTip::hideText();
}

void TestRecentFiles::missingFilesAreDroppedWhenFlagged()
{
    const QString tmp = kolz::test::environment().tmp();
    const QString kept = kolz::test::writeFile(tmp + "/kept.txt");
    const QString gone = kolz::test::writeFile(tmp + "/gone.txt");
    const QString last = kolz::test::writeFile(tmp + "/last.txt");
    RecentFiles recent(store.get(), RecentFiles::DropMissingFiles, prefix, 8);
    for (const QString& path : {kept, gone, last, tmp + "/never-there.txt"})
        recent.addFile(path);
    QMenu menu;
    recent.attachMenu(&menu);
    QCOMPARE(entries(menu).size(), 3);

    // A file deleted since goes from the menu and the stored list when the menu next shows, and
    // the entries after it move up a number.
    QVERIFY(QFile::remove(gone));
    emit menu.aboutToShow();
    QCOMPARE(entryTexts(menu), (QStringList{"1 " + last, "2 " + kept}));
    QCOMPARE(storedList(*store), (List{last.toStdString(), kept.toStdString()}));

    // Without the flag missing files stay.
    recent.setFlags(0);
    QVERIFY(QFile::remove(kept));
    emit menu.aboutToShow();
    QCOMPARE(entries(menu).size(), 2);
}

KOLZ_TEST_MAIN_WIDGETS(TestRecentFiles)
#include "tst_extra_recentfiles.moc"
