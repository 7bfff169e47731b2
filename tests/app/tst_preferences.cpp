#include "support/TestEnvironment.h"

#include "app/DlgPreferences.h"
#include "app/FileListWidget.h"
#include "app/ProfileImport.h"
#include "common_gui/KitTestHelpers.h"
#include "models/BuiltinProfiles.h"
#include "models/ProfileData.h"
#include "models/ProfileXml.h"
#include "prefs/ProgramSettings.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <tinyxml2.h>

#include <csignal>

#include <sys/resource.h>

using kolz::test::answerBox;
using kolz::test::answerFileDialog;
using kolz::test::writeFile;

namespace {

const char* const twoSections = "<profile><device>A</device><es version=\"2\"><extension>GL_OES_a"
                                "</extension></es><es version=\"3\"><max_samples>4</max_samples>"
                                "</es><egl><config id=\"1\"><red_size>8</red_size></config></egl>"
                                "</profile>";
const char* const overlapping = "<profile><device>B</device><es version=\"3\"><max_samples>8"
                                "</max_samples></es><es version=\"31\"><extension>GL_OES_b"
                                "</extension></es><egl/></profile>";

std::vector<int> sectionVersions(const tinyxml2::XMLDocument& document)
{
    std::vector<int> versions;
    for (auto* es = document.FirstChildElement("profile")->FirstChildElement("es"); es;
         es = es->NextSiblingElement("es"))
        versions.push_back(es->IntAttribute("version", -1));
    return versions;
}

} // namespace

class TestPreferences : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void okStoresAndSavesCancelStoresNothing();
    void fileListKeysAndImportButton();
    void mergeKeepsFirstOfEachVersion();
    void importReportsBadDataAndSavesAProfile();
    void importOverAFileOnAFullDiskKeepsIt();
    void advancedGrowsTheDialogOnly();

private:
    QPushButton* importButton(DlgPreferences& dialog)
    {
        return dialog.findChild<QPushButton*>("btnImport");
    }

    std::unique_ptr<KolPreferences> store;
    QTemporaryDir work;
};

void TestPreferences::init()
{
    store = kolz::test::loadedStore("KitPreferences");
    QVERIFY(store && work.isValid());
    store->Remove(settingsKeyPrefix);
    store->Save(true);
}

void TestPreferences::okStoresAndSavesCancelStoresNothing()
{
    for (const auto button : {QDialogButtonBox::Cancel, QDialogButtonBox::Ok}) {
        DlgPreferences dialog(store.get());
        auto* directory = dialog.findChild<QLineEdit*>("txtProfilesDirectory");
        QCOMPARE(directory->text(), kolz::test::environment().profiles());
        QVERIFY(dialog.findChild<QRadioButton*>("radioLoose")->isChecked());
        dialog.show();
        directory->setText("/chosen/dir");
        dialog.findChild<QRadioButton*>("radioStrict")->setChecked(true);
        dialog.findChild<QDialogButtonBox*>()->button(button)->click();
        QVERIFY(!dialog.isVisible());
    }
    // Only OK stored, and the file has it.
    const auto onDisk = kolz::test::loadedStore("KitPreferences");
    QCOMPARE(profilesDirectory(onDisk.get()), QStringLiteral("/chosen/dir"));
    bool strict = false;
    onDisk->GetBool(strictContextModeKey, strict, false);
    QVERIFY(strict);
    DlgPreferences reopened(store.get());
    QVERIFY(reopened.findChild<QRadioButton*>("radioStrict")->isChecked());
}

void TestPreferences::fileListKeysAndImportButton()
{
    DlgPreferences dialog(store.get());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    FileListWidget* list = dialog.importList();
    QVERIFY(!importButton(dialog)->isEnabled());
    list->addFiles({"/a.xml"});
    QVERIFY(importButton(dialog)->isEnabled());
    QCOMPARE(importButton(dialog)->text(), QStringLiteral("Import"));
    list->addFiles({"/b.xml", "/a.xml"});
    QCOMPARE(importButton(dialog)->text(), QStringLiteral("Merge"));

    // Delete removes the selection only; other keys neither move nor remove anything.
    list->setFocus();
    list->clearSelection();
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(list->count(), 3);
    list->setCurrentRow(1);
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->item(1)->text(), QStringLiteral("/a.xml"));
    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(importButton(dialog)->text(), QStringLiteral("Import"));
    list->clearFiles();
    QVERIFY(!importButton(dialog)->isEnabled());

    // Keys the list does not use reach the dialog: Enter accepts (and stores), Escape closes.
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Return);
    QVERIFY(!dialog.isVisible());
    QVERIFY(store->Exists(strictContextModeKey));
    dialog.show();
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Escape);
    QVERIFY(!dialog.isVisible());
}

void TestPreferences::mergeKeepsFirstOfEachVersion()
{
    // The first file begins with a declaration and a comment: merging starts at its profile.
    const std::string exported = std::string("<?xml version=\"1.0\"?>\n<!-- x -->\n") + twoSections;
    tinyxml2::XMLDocument first, second, unversioned, none, output, empty;
    QCOMPARE(first.Parse(exported.c_str()), tinyxml2::XML_SUCCESS);
    QCOMPARE(second.Parse(overlapping), tinyxml2::XML_SUCCESS);
    for (const tinyxml2::XMLDocument* input : {&first, &second, &first})
        mergeProfileDocument(output, *input);
    QCOMPARE(sectionVersions(output), (std::vector<int>{2, 3, 31}));
    auto* profile = output.FirstChildElement("profile");
    QCOMPARE(profile->FirstChildElement("device")->GetText(), "A");
    QCOMPARE(profile->LastChildElement("es")->PreviousSiblingElement()->Name(), "egl");
    QCOMPARE(
        profile->FirstChildElement("es")->NextSiblingElement("es")->FirstChildElement()->GetText(),
        "4");
    QVERIFY(isImportableProfile(output));

    // Sections without a version count as version 0: only the first one gets in.
    unversioned.Parse("<profile><es><a>1</a></es><es><b>2</b></es></profile>");
    mergeProfileDocument(output, unversioned);
    QCOMPARE(sectionVersions(output), (std::vector<int>{2, 3, 31, -1}));
    // A file without a profile brings nothing.
    none.Parse("<other/>");
    mergeProfileDocument(empty, none);
    QVERIFY(!empty.FirstChild());
}

void TestPreferences::importReportsBadDataAndSavesAProfile()
{
    DlgPreferences dialog(store.get());
    dialog.show();
    FileListWidget* list = dialog.importList();
    // Files that do not make a profile (no egl section; missing and broken files) are reported
    // and stay listed.
    const QStringList bad[] = {
        {writeFile(work.filePath("noegl.xml"), "<profile><es version=\"2\"/></profile>")},
        {work.filePath("absent.xml"), writeFile(work.filePath("garbage.xml"), "<profile><es")},
    };
    for (const QStringList& files : bad) {
        list->clearFiles();
        list->addFiles(files);
        QStringList box;
        answerBox(box);
        importButton(dialog)->click();
        QCOMPARE(box,
                 (QStringList{"Failed to import profile", "Import failed. Data badly formatted"}));
        QCOMPARE(list->count(), files.size());
    }

    // An exported profile, declaration and comment first, saves to a file the reader loads.
    const ProfileData builtin = ProfileData::fromXml(builtinProfiles.front());
    const QString source =
        writeFile(work.filePath("source.xml"),
                  QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- a comment -->\n") +
                      QByteArray::fromStdString(printProfile(builtin)));
    list->clearFiles();
    list->addFiles({source});
    answerFileDialog(work.filePath("imported.xml"));
    importButton(dialog)->click();
    ProfileData loaded = ProfileData::fromFile(work.filePath("imported.xml").toStdString());
    loaded.setFileName(builtin.fileName());
    QVERIFY(loaded == builtin);
    QCOMPARE(list->count(), 0);

    // A cancelled save leaves the list as it was; a failed one reports and clears it.
    list->addFiles({source});
    answerFileDialog(QString());
    importButton(dialog)->click();
    QCOMPARE(list->count(), 1);
    QStringList box;
    answerBox(box);
    answerFileDialog(work.filePath("missing/dir/out.xml"));
    importButton(dialog)->click();
    QCOMPARE(box, (QStringList{"Error", "Failed to save file"}));
    QCOMPARE(list->count(), 0);
}

// The disk fills while the chosen file is replaced (a file size limit plays the full disk): the
// old file stays whole and the user is told.
void TestPreferences::importOverAFileOnAFullDiskKeepsIt()
{
    // A few KiB: less than a write buffer, where a short write used to go unseen.
    QByteArray xml = "<profile><device>D</device><es version=\"2\">";
    for (int i = 0; i < 100; ++i)
        xml += "<extension>GL_OES_extension_" + QByteArray::number(i) + "</extension>";
    const QString source = writeFile(work.filePath("big.xml"), xml + "</es><egl/></profile>");
    const QString target = writeFile(work.filePath("target.xml"), "<profile>old</profile>");
    DlgPreferences dialog(store.get());
    dialog.importList()->addFiles({source});
    QStringList box;
    answerBox(box);
    answerFileDialog(target);
    rlimit unlimited = {}, full = {};
    ::getrlimit(RLIMIT_FSIZE, &unlimited);
    full = {1000, unlimited.rlim_max};
    const auto handler = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &full);
    importButton(dialog)->click();
    ::setrlimit(RLIMIT_FSIZE, &unlimited);
    std::signal(SIGXFSZ, handler);
    QCOMPARE(box, (QStringList{"Error", "Failed to save file"}));
    QFile kept(target);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("<profile>old</profile>"));
    QVERIFY(QDir(work.path()).entryList({"target.xml*"}, QDir::Files).size() == 1);
}

void TestPreferences::advancedGrowsTheDialogOnly()
{
    QMainWindow main;
    main.resize(900, 700);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    const QSize mainSize = main.size();
    DlgPreferences dialog(store.get(), &main);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QSize collapsed = dialog.size();
    QCOMPARE(dialog.maximumHeight(), collapsed.height());
    auto* expand = dialog.findChild<QCheckBox*>("chkExpandProfilesAdvanced");

    expand->setChecked(true);
    QVERIFY(dialog.findChild<QWidget*>("grpProfilesAdvanced")->isVisible());
    QVERIFY(dialog.height() > collapsed.height());
    QCOMPARE(dialog.width(), collapsed.width());
    QCOMPARE(main.size(), mainSize);
    expand->setChecked(false);
    QVERIFY(dialog.findChild<QWidget*>("grpProfilesAdvanced")->isHidden());
    QCOMPARE(dialog.maximumHeight(), dialog.height());
    QCOMPARE(main.size(), mainSize);
}

KOLZ_TEST_MAIN_WIDGETS(TestPreferences)
#include "tst_preferences.moc"
