#include "support/TestEnvironment.h"

#include "WidgetsTestSupport.h"
#include "dialogs/SaveReadOnlyProfile.h"
#include "models/ProfileXml.h"
#include "widgets/Profile.h"
#include "widgets/ProfileServices.h"

#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTreeView>

using namespace widgets::test;

namespace {

using Entry = std::shared_ptr<ProfileDataWrapper>;

QString profilesDir()
{
    return kolz::test::environment().profiles();
}

QByteArray fileBytes(const QString& name)
{
    QFile file(profilesDir() + QLatin1Char('/') + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeBytes(const QString& name, const QByteArray& bytes)
{
    QFile file(profilesDir() + QLatin1Char('/') + name);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

// Stands in for the application: the user profiles of the directory, and a selector that shows
// the chosen entry in the editor as the main window does.
class FakeServices : public widgets::ProfileServices
{
public:
    std::string profilesDirectory() const override { return directory; }
    void selectProfile(const std::string& identifier) override
    {
        calls << "select " + QString::fromStdString(identifier);
        if (reselect)
            editor->setProfile(find(identifier));
    }
    void reloadUserProfiles() override
    {
        calls << "reload";
        user.clear();
        for (const QFileInfo& file : QDir(profilesDir()).entryInfoList(QDir::Files, QDir::Name))
            user.push_back(std::make_shared<ProfileDataWrapper>(
                ProfileDataWrapper::fromFile(file.filePath().toStdString(), true)));
    }
    Entry copyProfile(const ProfileDataWrapper& source) override
    {
        if (!failure.empty())
            throw std::runtime_error(failure);
        user.push_back(std::make_shared<ProfileDataWrapper>(source));
        user.back()->editableData()->setFileName(source.data()->displayName() + " (copy).xml");
        return user.back();
    }
    bool saveReadOnlyProfile(const ProfileDataWrapper& source, Entry& copy) override
    {
        dialogs::SaveReadOnlyProfile dialog(editor);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        copy = copyProfile(source);
        return true;
    }
    Entry newProfile() override
    {
        user.push_back(std::make_shared<ProfileDataWrapper>(ProfileDataWrapper::fromXml(
            "<profile><vendor>Unknown vendor</vendor><device>New profile</device></profile>",
            true)));
        return user.back();
    }

    Entry find(const std::string& identifier) const
    {
        for (const Entry& entry : user)
            if (entry->identifier() == identifier)
                return entry;
        return {};
    }

    std::vector<Entry> user;
    std::string failure; // thrown by copyProfile when set
    bool reselect = true;
    std::string directory = profilesDir().toStdString();
    widgets::Profile* editor = nullptr;
    QStringList calls;
};

const QByteArray slateXml = "<profile><device>Slate</device><renderer>K2</renderer>"
                            "<es version=\"2\"><extension>GL_OES_depth24</extension>"
                            "<max_texture_size>4096</max_texture_size></es>"
                            "<egl><config id=\"1\"><surface_type>EGL_WINDOW_BIT</surface_type>"
                            "<surface_type>EGL_PBUFFER_BIT</surface_type><red_size>8</red_size>"
                            "</config></egl></profile>\n";

} // namespace

class TestProfileEditor : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void modesAndEmptyEditor();
    void saveWritesUserProfileInPlace();
    void saveOfBuiltInOffersCopy();
    void saveAsLeavesOriginalUntouched();
    void discardAndFailedSavesKeepTheFile();
    void newProfileSavedOrCancelled();
    void sharedConfigIdsAreNeverSaved();
    void unchangedTextsKeepTheirBytes();
    void headerFieldsTakeWhatAProfileHolds();

private:
    template <typename T = QWidget> T* child(const char* name) const
    {
        return editor->findChild<T*>(QString::fromLatin1(name));
    }
    // Which of the header's switchable widgets are shown.
    QString shown() const
    {
        QStringList names;
        for (const char* name :
             {"btnEdit", "btnSave", "btnSaveAs", "btnDiscard", "editVendor", "editRenderer"})
            if (!child(name)->isHidden())
                names << name;
        return names.join(' ');
    }
    QString device() const { return child<QLineEdit>("editDevice")->text(); }
    void setDevice(const char* text) { child<QLineEdit>("editDevice")->setText(text); }
    void press(const char* button)
    {
        QVERIFY2(!child(button)->isHidden(), button);
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }
    QAbstractItemModel* model(const char* view) const { return child<QTreeView>(view)->model(); }
    // Shows the user profile slate.xml, for editing when asked.
    void showSlate(bool edit = true)
    {
        writeBytes("slate.xml", slateXml);
        services->reloadUserProfiles();
        services->calls.clear();
        editor->setProfile(services->find("slate.xml"));
        if (edit)
            press("btnEdit");
        QCOMPARE(editor->isEditing(), edit);
    }

    std::unique_ptr<FakeServices> services;
    std::unique_ptr<widgets::Profile> editor;
    Entry builtIn;
};

void TestProfileEditor::init()
{
    QDir(profilesDir()).removeRecursively();
    QVERIFY(QDir().mkpath(profilesDir()));
    editor.reset();
    services = std::make_unique<FakeServices>();
    editor = std::make_unique<widgets::Profile>(nullptr, services.get());
    services->editor = editor.get();
    editor->resize(1042, 437);
    editor->show();
    builtIn = std::make_shared<ProfileDataWrapper>(
        ProfileDataWrapper::fromXml(builtinProfiles.front(), false));
}

void TestProfileEditor::modesAndEmptyEditor()
{
    // Both sides of the splitter get a fair share, though the editor had no parent to measure.
    const QList<int> sides = child<QSplitter>("profileInfoSplitter")->sizes();
    QVERIFY2(qAbs(sides[0] - sides[1]) < sides[0] / 4, qPrintable(QString::number(sides[1])));

    // No vendor: its field is hidden in view mode only.
    showSlate(false);
    QVERIFY(editor->isEnabled());
    QCOMPARE(shown(), "btnEdit editRenderer");
    QVERIFY(child<QLineEdit>("editDevice")->isReadOnly());
    QAbstractItemModel* capabilities = model("capabilitiesView");
    QVERIFY(!(capabilities->flags(capabilities->index(0, 0)) & Qt::ItemIsEditable));
    press("btnEdit");
    QCOMPARE(shown(), "btnSave btnSaveAs btnDiscard editVendor editRenderer");
    QVERIFY(!child<QLineEdit>("editDevice")->isReadOnly());
    QVERIFY(capabilities->flags(capabilities->index(0, 0)) & Qt::ItemIsEditable);

    // Another profile chosen while editing is shown for editing, on models of its own.
    editor->setProfile(builtIn);
    QVERIFY(editor->isEditing() && model("capabilitiesView") != capabilities);
    QAbstractItemModel* extensions = model("extensionsView");
    QVERIFY(extensions->flags(extensions->index(0, 0)) & Qt::ItemIsEditable);

    // Cleared, or given an entry that died before it reached the editor (never read): empty.
    std::weak_ptr<const ProfileDataWrapper> gone = std::make_shared<ProfileDataWrapper>(*builtIn);
    for (const std::function<void()>& empty : std::vector<std::function<void()>>{
             [&] { editor->setProfile(gone); }, [&] { editor->clearProfile(); }}) {
        editor->setProfile(builtIn);
        empty();
        QVERIFY(!editor->isEnabled() && !editor->isEditing());
        QCOMPARE(device(), "None");
        QVERIFY(!shown().contains("edit"));
        QVERIFY(!model("capabilitiesView") && !model("extensionsView") && !model("eglConfigsView"));
    }
}

void TestProfileEditor::saveWritesUserProfileInPlace()
{
    showSlate();
    setDevice("Slate Pro");
    QAbstractItemModel* extensions = model("extensionsView");
    QVERIFY(extensions->setData(extensions->index(0, 0, extensions->index(0, 0)), "GL_EXT_renamed",
                                Qt::EditRole));
    // A new API level without extensions yet.
    QVERIFY(extensions->insertRows(1, 1, QModelIndex()));
    QVERIFY(extensions->setData(extensions->index(1, 0), 3, Qt::EditRole));

    ModalDriver driver;
    press("btnSave");
    QVERIFY(driver.shown.empty() && !editor->isEditing());
    const QByteArray written = fileBytes("slate.xml");
    QVERIFY(written.contains("<device>Slate Pro</device>") && written.contains("GL_EXT_renamed"));
    QVERIFY(written.contains("<es version=\"3\"/>"));
    // Both rows of the repeated bit-mask attribute are kept.
    QCOMPARE(written.count("<surface_type>"), 2);
    QCOMPARE(QDir(profilesDir()).entryList(QDir::Files), QStringList{"slate.xml"});
    QCOMPARE(services->calls, (QStringList{"reload", "select slate.xml"}));

    // The reload released the entry and nothing showed the new one: the header is left alone.
    services->reselect = false;
    press("btnEdit");
    setDevice("Slate Max");
    press("btnSave");
    QVERIFY(fileBytes("slate.xml").contains("<device>Slate Max</device>"));
    QVERIFY(!editor->isEditing() && !shown().contains("btnEdit"));
    QCOMPARE(device(), "Slate Max");
}

void TestProfileEditor::saveOfBuiltInOffersCopy()
{
    const std::string name = builtIn->data()->displayName();
    const QString copyName = QString::fromStdString(name) + " (copy).xml";
    writeBytes(copyName, "an older copy");
    editor->setProfile(builtIn);
    press("btnEdit");
    setDevice("Tablet X");

    ModalDriver driver{"btnCancel"};
    press("btnSave");
    QCOMPARE(driver.shown.size(), std::size_t(1));
    QCOMPARE(driver.shown[0].title, "Save changes");
    QVERIFY(editor->isEditing() && services->user.empty());
    QCOMPARE(device(), "Tablet X");

    // The proposed name is taken by an earlier copy: replacing it needs a yes.
    driver.queue({"btnCopy", "accept", "No", "cancel"});
    press("btnSave");
    QVERIFY(driver.allAnswered());
    QCOMPARE(driver.shown[2].input, copyName);
    QVERIFY(driver.shown[3].text.contains("already exists"));
    QCOMPARE(driver.shown[3].format, Qt::PlainText);
    QCOMPARE(fileBytes(copyName), "an older copy");
    QVERIFY(editor->isEditing());

    driver.queue({"btnCopy", "accept", "Yes"});
    press("btnSave");
    QVERIFY(driver.allAnswered() && !editor->isEditing());
    QVERIFY(fileBytes(copyName).contains("<device>Tablet X</device>"));
    QCOMPARE(builtIn->data()->device(), name);
    QCOMPARE(services->calls.last(), "select " + copyName);
    QCOMPARE(device(), "Tablet X");
}

void TestProfileEditor::saveAsLeavesOriginalUntouched()
{
    showSlate();
    setDevice("Slate Copy");
    // Naming the original's own file still asks before replacing it.
    ModalDriver driver{"=slate.xml", "No", "cancel"};
    press("btnSaveAs");
    QVERIFY(driver.allAnswered() && editor->isEditing());
    QCOMPARE(driver.shown[0].input, "Slate (copy).xml");
    QCOMPARE(fileBytes("slate.xml"), slateXml);

    driver.queue({"=other.xml"});
    press("btnSaveAs");
    QVERIFY(driver.allAnswered() && !editor->isEditing());
    QCOMPARE(fileBytes("slate.xml"), slateXml);
    QVERIFY(fileBytes("other.xml").contains("<device>Slate Copy</device>"));
    QCOMPARE(services->calls.last(), "select other.xml");
}

void TestProfileEditor::discardAndFailedSavesKeepTheFile()
{
    showSlate();
    setDevice("changed");
    QAbstractItemModel* capabilities = model("capabilitiesView");
    QVERIFY(capabilities->removeRows(0, 1, capabilities->index(0, 0)));
    press("btnDiscard");
    QVERIFY(!editor->isEditing());
    QCOMPARE(device(), "Slate");
    capabilities = model("capabilitiesView");
    QCOMPARE(capabilities->rowCount(capabilities->index(0, 0)), 1);

    // A write that fails keeps the edits on screen and the profile as its file has it, so
    // Discard still goes back to the file.
    press("btnEdit");
    services->directory = (profilesDir() + "/not/there").toStdString();
    setDevice("Unsaved");
    ModalDriver driver{"OK"};
    press("btnSave");
    QVERIFY(driver.allAnswered() && editor->isEditing());
    QCOMPARE(driver.shown[0].text, "Failed to save file");
    QCOMPARE(device(), "Unsaved");
    QCOMPARE(services->find("slate.xml")->data()->device(), "Slate");
    press("btnDiscard");
    QCOMPARE(device(), "Slate");
    QCOMPARE(fileBytes("slate.xml"), slateXml);

    // A writable profile without any name cannot be offered a file name: reported, not thrown.
    const Entry nameless = std::make_shared<ProfileDataWrapper>(ProfileData());
    editor->setProfile(nameless);
    press("btnEdit");
    driver.queue({"OK"});
    press("btnSave");
    QVERIFY(driver.allAnswered() && editor->isEditing());
    QCOMPARE(driver.shown.back().text, "Profile has no name");
    QCOMPARE(QDir(profilesDir()).entryList(QDir::Files), QStringList{"slate.xml"});

    // A failure may quote a file or a path: markup in it stays text.
    services->failure = "Cannot copy '<b>Slate</b><img src=x.png>'";
    driver.queue({"OK"});
    press("btnSaveAs");
    QCOMPARE(driver.shown.back().text, QString::fromStdString(services->failure));
    QCOMPARE(driver.shown.back().format, Qt::PlainText);
}

void TestProfileEditor::newProfileSavedOrCancelled()
{
    editor->setProfile(builtIn);
    ModalDriver driver{"cancel"};
    editor->newProfile();
    QCOMPARE(driver.shown[0].input, "New profile.xml");
    QVERIFY(editor->isEnabled());
    QCOMPARE(device(), QString::fromStdString(builtIn->data()->device()));

    // With "Host" chosen nothing was shown, and nothing is shown after a "cancel".
    editor->clearProfile();
    driver.queue({"cancel"});
    editor->newProfile();
    QVERIFY(driver.allAnswered());
    QVERIFY(!editor->isEnabled() && !model("capabilitiesView"));
    QCOMPARE(device(), "None");
    QVERIFY(QDir(profilesDir()).isEmpty());

    driver.queue({"accept"});
    editor->newProfile();
    QVERIFY(driver.allAnswered() && editor->isEnabled());
    QVERIFY(fileBytes("New profile.xml").contains("<device>New profile</device>"));
    QCOMPARE(services->calls.last(), "select New profile.xml");
    QCOMPARE(child<QLineEdit>("editVendor")->text(), "Unknown vendor");
}

void TestProfileEditor::sharedConfigIdsAreNeverSaved()
{
    // Two configurations added and never given an id both read as 0: saved, they would merge.
    showSlate();
    QVERIFY(model("eglConfigsView")->insertRows(0, 2));
    ModalDriver driver{"OK"};
    press("btnSave");
    QVERIFY(driver.allAnswered() && editor->isEditing());
    QVERIFY2(driver.shown[0].text.contains("\"Config 0\""), qPrintable(driver.shown[0].text));
    QCOMPARE(fileBytes("slate.xml"), slateXml);
}

// Texts that are not UTF-8 (here Latin-1) are written back as they were read unless changed.
void TestProfileEditor::unchangedTextsKeepTheirBytes()
{
    const QByteArray cafe = "<profile><device>Caf\xE9</device><vendor>V\xFF</vendor>"
                            "<es version=\"2\"><extension>GL_\xE9</extension>"
                            "<max_lights>\xE9"
                            "8</max_lights></es>"
                            "<egl><config id=\"1\"><red_size>8\xB0</red_size></config></egl>"
                            "</profile>\n";
    writeBytes("cafe.xml", cafe);
    services->reloadUserProfiles();
    editor->setProfile(services->find("cafe.xml"));
    const QByteArray before = QByteArray::fromStdString(
        printProfile(ProfileData::fromFile((profilesDir() + "/cafe.xml").toStdString())));
    press("btnEdit");
    ModalDriver driver;
    press("btnSave");
    QVERIFY(driver.shown.empty());
    QCOMPARE(fileBytes("cafe.xml"), before);
    QVERIFY(before.contains("Caf\xE9") && before.contains("<red_size>8\xB0</red_size>"));

    // A changed field is written as typed; the others keep their bytes.
    press("btnEdit");
    setDevice("Caf\u00e9 2");
    press("btnSave");
    const QByteArray after = fileBytes("cafe.xml");
    QVERIFY(after.contains("<device>Caf\xC3\xA9 2</device>"));
    QVERIFY(after.contains("<vendor>V\xFF</vendor>") && after.contains("GL_\xE9"));
}

// Typed or pasted, a header text stops at the longest a profile may hold, never within a
// character; saved, it is read back whole.
void TestProfileEditor::headerFieldsTakeWhatAProfileHolds()
{
    showSlate();
    auto* device = child<QLineEdit>("editDevice");
    auto* vendor = child<QLineEdit>("editVendor");
    const QString full(maxHeaderTextLength - 1, 'n');
    device->setText(full);
    QTest::sendKeyEvent(QTest::Click, device, Qt::Key_unknown, QStringLiteral("\u4E2De"),
                        Qt::NoModifier);
    QCOMPARE(device->text(), full + QChar(0x4E2D));
    vendor->setText(full);
    QGuiApplication::clipboard()->setText(QStringLiteral("\U0001F600"));
    vendor->paste();
    QCOMPARE(vendor->text(), full);
    press("btnSave");
    QCOMPARE(services->calls.last(), "select slate.xml");
    QCOMPARE(device->text(), full + QChar(0x4E2D));
}
KOLZ_TEST_MAIN_WIDGETS(TestProfileEditor)
#include "tst_profile.moc"
