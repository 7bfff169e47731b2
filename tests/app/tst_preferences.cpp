#include "support/TestEnvironment.h"

#include "app/DlgPreferences.h"
#include "app/FileListWidget.h"
#include "app/ProfileImport.h"
#include "common_gui/KitTestHelpers.h"
#include "models/BuiltinProfiles.h"
#include "models/ProfileData.h"
#include "models/ProfileXml.h"
#include "prefs/KolPreferences.h"
#include "prefs/ProgramSettings.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

#include <tinyxml2.h>

namespace {

const char* const twoSections = "<profile><device>A</device><es version=\"2\"><extension>GL_OES_a"
                                "</extension></es><es version=\"3\"><max_samples>4</max_samples>"
                                "</es><egl><config id=\"1\"><red_size>8</red_size></config></egl>"
                                "</profile>";
const char* const overlapping = "<profile><device>B</device><es version=\"3\"><max_samples>8"
                                "</max_samples></es><es version=\"31\"><extension>GL_OES_b"
                                "</extension></es><egl/></profile>";

struct Box
{
    QString title;
    QString text;
};

QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

std::vector<int> sectionVersions(const tinyxml2::XMLDocument& document)
{
    std::vector<int> versions;
    for (auto* es = document.FirstChildElement("profile")->FirstChildElement("es"); es;
         es = es->NextSiblingElement("es"))
        versions.push_back(es->IntAttribute("version", -1));
    return versions;
}

// Answers the file dialog with path; then records and answers the message box that may follow.
void answerSaveDialog(const QString& path, Box* box = nullptr)
{
    kolz::test::answerModal<QFileDialog>([path, box](QFileDialog* dialog) {
        if (box) {
            kolz::test::answerModal<QMessageBox>([box](QMessageBox* shown) {
                box->title = shown->windowTitle();
                box->text = shown->text();
                shown->accept();
            });
        }
        if (path.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->selectFile(path);
        // Bypasses the dialog's own checks, as a user's typed name would pass them.
        static_cast<QDialog*>(dialog)->done(QDialog::Accepted);
    });
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
    void declarationsAndCommentsBeforeTheProfile();
    void importedProfileLoadsAsAProfile();
    void badImportsAreReported();
    void advancedGrowsTheDialogOnly();
    void screenshots();

private:
    std::unique_ptr<KolPreferences> store;
    QTemporaryDir work;
};

void TestPreferences::init()
{
    QVERIFY(work.isValid());
    store = std::make_unique<KolPreferences>("KitPreferences", 0);
    std::string error;
    QVERIFY(store->Load(error, false));
    store->Remove(settingsKeyPrefix);
    store->Save(true);
}

void TestPreferences::okStoresAndSavesCancelStoresNothing()
{
    {
        DlgPreferences dialog(store.get());
        QCOMPARE(dialog.findChild<QLineEdit*>("txtProfilesDirectory")->text(),
                 kolz::test::environment().profiles());
        QVERIFY(dialog.findChild<QRadioButton*>("radioLoose")->isChecked());
        dialog.show();
        dialog.findChild<QLineEdit*>("txtProfilesDirectory")->setText("/somewhere/else");
        dialog.findChild<QRadioButton*>("radioStrict")->setChecked(true);
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
        QVERIFY(!dialog.isVisible());
    }
    QVERIFY(!store->Exists(profilesDirectoryKey));
    QVERIFY(!store->Exists(strictContextModeKey));

    {
        DlgPreferences dialog(store.get());
        dialog.show();
        dialog.findChild<QLineEdit*>("txtProfilesDirectory")->setText("/chosen/dir");
        dialog.findChild<QRadioButton*>("radioStrict")->setChecked(true);
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        QVERIFY(!dialog.isVisible());
    }
    KolPreferences onDisk("KitPreferences", 0);
    std::string error;
    QVERIFY(onDisk.Load(error, false));
    QCOMPARE(profilesDirectory(&onDisk), QStringLiteral("/chosen/dir"));
    bool strict = false;
    onDisk.GetBool(strictContextModeKey, strict, false);
    QVERIFY(strict);

    DlgPreferences reopened(store.get());
    QCOMPARE(reopened.findChild<QLineEdit*>("txtProfilesDirectory")->text(),
             QStringLiteral("/chosen/dir"));
    QVERIFY(reopened.findChild<QRadioButton*>("radioStrict")->isChecked());
}

void TestPreferences::fileListKeysAndImportButton()
{
    DlgPreferences dialog(store.get());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    FileListWidget* list = dialog.importList();
    auto* import = dialog.findChild<QPushButton*>("btnImport");
    QVERIFY(!import->isEnabled());

    list->addFiles({"/a.xml"});
    QCOMPARE(import->text(), QStringLiteral("Import"));
    QVERIFY(import->isEnabled());
    list->addFiles({"/b.xml", "/a.xml"});
    QCOMPARE(list->count(), 3);
    QCOMPARE(import->text(), QStringLiteral("Merge"));

    list->setFocus();
    list->clearSelection();
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(list->count(), 3);
    list->setCurrentRow(1);
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->currentRow(), 1);
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->item(1)->text(), QStringLiteral("/a.xml"));
    QCOMPARE(import->text(), QStringLiteral("Merge"));
    list->setCurrentRow(0);
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(list->count(), 1);
    QCOMPARE(import->text(), QStringLiteral("Import"));
    list->clearFiles();
    QVERIFY(!import->isEnabled());

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
    tinyxml2::XMLDocument first, second, output;
    QCOMPARE(first.Parse(twoSections), tinyxml2::XML_SUCCESS);
    QCOMPARE(second.Parse(overlapping), tinyxml2::XML_SUCCESS);
    mergeProfileDocument(output, first);
    mergeProfileDocument(output, second);
    mergeProfileDocument(output, first);
    QCOMPARE(sectionVersions(output), (std::vector<int>{2, 3, 31}));
    auto* profile = output.FirstChildElement("profile");
    QCOMPARE(profile->FirstChildElement("device")->GetText(), "A");
    QCOMPARE(profile->LastChildElement("es")->PreviousSiblingElement()->Name(), "egl");
    QCOMPARE(
        profile->FirstChildElement("es")->NextSiblingElement("es")->FirstChildElement()->GetText(),
        "4");
    QVERIFY(isImportableProfile(output));

    // Sections without a version count as version 0: only the first one gets in.
    tinyxml2::XMLDocument unversioned;
    QCOMPARE(unversioned.Parse("<profile><es><a>1</a></es><es><b>2</b></es></profile>"),
             tinyxml2::XML_SUCCESS);
    mergeProfileDocument(output, unversioned);
    QCOMPARE(sectionVersions(output), (std::vector<int>{2, 3, 31, -1}));
}

void TestPreferences::declarationsAndCommentsBeforeTheProfile()
{
    tinyxml2::XMLDocument input, output;
    const std::string text =
        std::string("<?xml version=\"1.0\"?>\n<!-- exported -->\n") + twoSections;
    QCOMPARE(input.Parse(text.c_str()), tinyxml2::XML_SUCCESS);
    mergeProfileDocument(output, input);
    QVERIFY(output.FirstChildElement("profile"));
    QVERIFY(isImportableProfile(output));
    QCOMPARE(sectionVersions(output), (std::vector<int>{2, 3}));

    tinyxml2::XMLDocument none, empty;
    QCOMPARE(none.Parse("<other/>"), tinyxml2::XML_SUCCESS);
    mergeProfileDocument(empty, none);
    QVERIFY(!empty.FirstChild());
}

void TestPreferences::importedProfileLoadsAsAProfile()
{
    const ProfileData builtin = ProfileData::fromXml(builtinProfiles.front());
    const QString source =
        writeFile(work.filePath("source.xml"),
                  QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- a comment -->\n") +
                      QByteArray::fromStdString(printProfile(builtin)));
    QVERIFY(!source.isEmpty());

    DlgPreferences dialog(store.get());
    dialog.show();
    dialog.importList()->addFiles({source});
    const QString saved = work.filePath("imported.xml");
    answerSaveDialog(saved);
    dialog.findChild<QPushButton*>("btnImport")->click();
    QVERIFY(QFile::exists(saved));
    ProfileData loaded = ProfileData::fromFile(saved.toStdString());
    loaded.setFileName(builtin.fileName());
    QVERIFY(loaded == builtin);
    QCOMPARE(dialog.importList()->count(), 0);
    QVERIFY(!dialog.findChild<QPushButton*>("btnImport")->isEnabled());

    // A cancelled save leaves the list as it was; a failed one reports and clears it.
    dialog.importList()->addFiles({source});
    answerSaveDialog(QString());
    dialog.findChild<QPushButton*>("btnImport")->click();
    QCOMPARE(dialog.importList()->count(), 1);
    Box box;
    answerSaveDialog(work.filePath("missing/dir/out.xml"), &box);
    dialog.findChild<QPushButton*>("btnImport")->click();
    QCOMPARE(box.title, QStringLiteral("Error"));
    QCOMPARE(box.text, QStringLiteral("Failed to save file"));
    QCOMPARE(dialog.importList()->count(), 0);
}

void TestPreferences::badImportsAreReported()
{
    DlgPreferences dialog(store.get());
    dialog.show();
    const QStringList cases[] = {
        {writeFile(work.filePath("noegl.xml"), "<profile><es version=\"2\"/></profile>")},
        {work.filePath("absent.xml"), writeFile(work.filePath("garbage.xml"), "<profile><es")},
    };
    for (const QStringList& files : cases) {
        dialog.importList()->clearFiles();
        dialog.importList()->addFiles(files);
        Box box;
        kolz::test::answerModal<QMessageBox>([&box](QMessageBox* shown) {
            box.title = shown->windowTitle();
            box.text = shown->text();
            shown->accept();
        });
        dialog.findChild<QPushButton*>("btnImport")->click();
        QCOMPARE(box.title, QStringLiteral("Failed to import profile"));
        QCOMPARE(box.text, QStringLiteral("Import failed. Data badly formatted"));
        QCOMPARE(dialog.importList()->count(), files.size());
    }
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
    const int width = dialog.width();
    const int collapsed = dialog.height();
    QCOMPARE(dialog.maximumHeight(), collapsed);
    auto* advanced = dialog.findChild<QWidget*>("grpProfilesAdvanced");
    QVERIFY(advanced->isHidden());

    dialog.findChild<QCheckBox*>("chkExpandProfilesAdvanced")->setChecked(true);
    QVERIFY(advanced->isVisible());
    QCOMPARE(dialog.maximumHeight(), 16777125);
    QVERIFY(dialog.height() > collapsed);
    QCOMPARE(dialog.width(), width);
    QCOMPARE(main.size(), mainSize);

    dialog.findChild<QCheckBox*>("chkExpandProfilesAdvanced")->setChecked(false);
    QVERIFY(advanced->isHidden());
    QCOMPARE(dialog.maximumHeight(), dialog.height());
    QCOMPARE(dialog.width(), width);
    QCOMPARE(main.size(), mainSize);
}

// Pictures for a person to look at, taken only when KOLZ_SCREENSHOTS names a folder
// (tools/screenshots/kit.sh).
void TestPreferences::screenshots()
{
    const QString folder = qEnvironmentVariable("KOLZ_SCREENSHOTS");
    if (folder.isEmpty())
        QSKIP("KOLZ_SCREENSHOTS is not set");
    QMainWindow main;
    main.resize(900, 600);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    DlgPreferences dialog(store.get(), &main);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::qWait(200);
    QVERIFY(dialog.grab().save(folder + "/kit-preferences-collapsed.png"));

    dialog.findChild<QCheckBox*>("chkExpandProfilesAdvanced")->setChecked(true);
    dialog.importList()->addFiles(
        {"/home/dev/profiles/tablet-es3.xml", "/home/dev/profiles/tablet-es31-extras.xml"});
    QTest::qWait(200);
    QVERIFY(dialog.grab().save(folder + "/kit-preferences-expanded.png"));
}

KOLZ_TEST_MAIN_WIDGETS(TestPreferences)
#include "tst_preferences.moc"
