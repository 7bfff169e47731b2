#include "support/TestEnvironment.h"

#include "dialogs/SaveReadOnlyProfile.h"
#include "models/BuiltinProfiles.h"
#include "models/ProfileDataWrapper.h"
#include "widgets/Profile.h"
#include "widgets/ProfileServices.h"

#include <QAbstractButton>
#include <QDir>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QTreeView>

#include <deque>
#include <functional>

namespace {

using Entry = std::shared_ptr<ProfileDataWrapper>;
using Answer = std::function<void(QWidget*)>;

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

QStringList profileFiles()
{
    return QDir(profilesDir()).entryList(QDir::Files);
}

// Answers to the dialogs: a file name to type, the proposed name, a message box button, a
// button of our own dialogs by object name, or a cancel.
Answer enter(const QString& name)
{
    return [name](QWidget* modal) {
        qobject_cast<QInputDialog*>(modal)->setTextValue(name);
        qobject_cast<QDialog*>(modal)->accept();
    };
}
const Answer takeProposal = [](QWidget* modal) { qobject_cast<QDialog*>(modal)->accept(); };
const Answer cancel = [](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); };
Answer pressButton(QMessageBox::StandardButton button)
{
    return [button](QWidget* modal) { qobject_cast<QMessageBox*>(modal)->button(button)->click(); };
}
Answer click(const char* name)
{
    return [name](QWidget* modal) { modal->findChild<QPushButton*>(name)->click(); };
}

// Answers the modal dialogs the editor opens, in order, and records the title, text and
// proposed input of each.
class ModalDriver : public QObject
{
public:
    struct Shown
    {
        QString title, text, input;
    };

    explicit ModalDriver(std::initializer_list<Answer> answers = {}) : m_answers(answers)
    {
        connect(&m_timer, &QTimer::timeout, this, &ModalDriver::poll);
        m_timer.start(5);
    }
    void queue(std::initializer_list<Answer> answers)
    {
        m_answers.insert(m_answers.end(), answers);
    }
    bool allAnswered() const { return m_answers.empty(); }
    std::vector<Shown> shown;

private:
    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->property("kolzAnswered").toBool())
            return;
        modal->setProperty("kolzAnswered", true);
        Shown seen{modal->windowTitle(), {}, {}};
        if (auto* prompt = qobject_cast<QInputDialog*>(modal))
            seen = {seen.title, prompt->labelText(), prompt->textValue()};
        else if (auto* box = qobject_cast<QMessageBox*>(modal))
            seen.text = box->text();
        else if (auto* label = modal->findChild<QLabel*>(QStringLiteral("label")))
            seen.text = label->text();
        shown.push_back(seen);
        const Answer answer = m_answers.empty() ? cancel : m_answers.front();
        if (!m_answers.empty())
            m_answers.pop_front();
        answer(modal);
    }

    QTimer m_timer;
    std::deque<Answer> m_answers;
};

// Stands in for the application: the user profiles of the directory, and a selector that shows
// the chosen entry in the editor as the main window does.
class FakeServices : public widgets::ProfileServices
{
public:
    std::string profilesDirectory() const override { return directory; }
    void selectProfile(const std::string& identifier) override
    {
        calls << QStringLiteral("select ") + QString::fromStdString(identifier);
        if (reselect)
            editor->setProfile(find(identifier));
    }
    void reloadUserProfiles() override
    {
        calls << QStringLiteral("reload");
        user.clear();
        for (const QFileInfo& file : QDir(profilesDir()).entryInfoList(QDir::Files, QDir::Name))
            user.push_back(std::make_shared<ProfileDataWrapper>(
                ProfileDataWrapper::fromFile(file.filePath().toStdString(), true)));
    }
    Entry copyProfile(const ProfileDataWrapper& source) override
    {
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
            "\t\t\t<profile>\t\t\t\t<vendor>Unknown vendor</vendor>\t\t\t\t<renderer>Unknown "
            "renderer</renderer>\t\t\t\t<device>New profile</device>\t\t\t</profile>\t\t",
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
    void viewAndEditModes();
    void clearedOrExpiredShowsNothing();
    void saveWritesUserProfileInPlace();
    void saveOfBuiltInOffersCopy();
    void saveAsLeavesOriginalUntouched();
    void discardAndFailedSaveDropEdits();
    void newProfileSavedOrCancelled();
    void namelessProfileIsReported();
    void screenshots();

private:
    template <typename T = QWidget> T* child(const char* name) const
    {
        return editor->findChild<T*>(QString::fromLatin1(name));
    }
    bool shown(const char* name) const { return child(name) && !child(name)->isHidden(); }
    QString text(const char* edit) const { return child<QLineEdit>(edit)->text(); }
    void press(const char* button)
    {
        QVERIFY2(shown(button), button);
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }
    QAbstractItemModel* model(const char* view) const { return child<QTreeView>(view)->model(); }
    // Shows the user profile slate.xml in edit mode.
    void editSlate();

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

void TestProfileEditor::editSlate()
{
    writeBytes("slate.xml", slateXml);
    services->reloadUserProfiles();
    services->calls.clear();
    editor->setProfile(services->find("slate.xml"));
    press("btnEdit");
    QVERIFY(editor->isEditing());
}

void TestProfileEditor::viewAndEditModes()
{
    // Both sides of the splitter get a fair share, though the editor had no parent to measure.
    const QList<int> sides = child<QSplitter>("profileInfoSplitter")->sizes();
    QVERIFY2(qAbs(sides[0] - sides[1]) < sides[0] / 4, qPrintable(QString::number(sides[1])));

    writeBytes("slate.xml", slateXml);
    services->reloadUserProfiles();
    editor->setProfile(services->find("slate.xml"));
    QVERIFY(editor->isEnabled() && !editor->isEditing());
    QCOMPARE(text("editDevice"), QStringLiteral("Slate"));
    QCOMPARE(text("editRenderer"), QStringLiteral("K2"));
    // No vendor: its label and field are hidden in view mode only.
    QVERIFY(shown("lblRenderer") && !shown("lblVendor") && !shown("editVendor"));
    QVERIFY(shown("btnEdit") && !shown("btnSave") && !shown("btnSaveAs") && !shown("btnDiscard"));
    QVERIFY(child<QLineEdit>("editDevice")->isReadOnly());
    QVERIFY(!child<QLineEdit>("editDevice")->hasFrame());
    QAbstractItemModel* capabilities = model("capabilitiesView");
    QVERIFY(!(capabilities->flags(capabilities->index(0, 0)) & Qt::ItemIsEditable));
    QCOMPARE(child<QTreeView>("eglConfigsView")->contextMenuPolicy(), Qt::NoContextMenu);

    press("btnEdit");
    QVERIFY(editor->isEditing());
    QVERIFY(shown("lblVendor") && shown("editVendor"));
    QVERIFY(!shown("btnEdit") && shown("btnSave") && shown("btnSaveAs") && shown("btnDiscard"));
    QVERIFY(!child<QLineEdit>("editDevice")->isReadOnly());
    QVERIFY(child<QLineEdit>("editDevice")->hasFrame());
    QVERIFY(capabilities->flags(capabilities->index(0, 0)) & Qt::ItemIsEditable);
    QCOMPARE(child<QTreeView>("eglConfigsView")->contextMenuPolicy(), Qt::CustomContextMenu);

    // Another profile chosen while editing is shown for editing, on models of its own.
    editor->setProfile(builtIn);
    QVERIFY(editor->isEditing());
    QVERIFY(model("capabilitiesView") != capabilities);
    QAbstractItemModel* extensions = model("extensionsView");
    QVERIFY(extensions->flags(extensions->index(0, 0)) & Qt::ItemIsEditable);
}

void TestProfileEditor::clearedOrExpiredShowsNothing()
{
    const auto checkEmpty = [this] {
        QVERIFY(!editor->isEnabled() && !editor->isEditing());
        QCOMPARE(text("editDevice"), QStringLiteral("None"));
        QVERIFY(!shown("editVendor") && !shown("editRenderer"));
        QVERIFY(!model("capabilitiesView") && !model("extensionsView") && !model("eglConfigsView"));
    };
    editor->setProfile(builtIn);
    editor->clearProfile();
    checkEmpty();

    // An entry that died before it reached the editor is never read.
    editor->setProfile(builtIn);
    press("btnEdit");
    std::weak_ptr<const ProfileDataWrapper> gone = std::make_shared<ProfileDataWrapper>(*builtIn);
    editor->setProfile(gone);
    checkEmpty();
}

void TestProfileEditor::saveWritesUserProfileInPlace()
{
    editSlate();
    child<QLineEdit>("editDevice")->setText(QStringLiteral("Slate Pro"));
    QAbstractItemModel* extensions = model("extensionsView");
    QVERIFY(extensions->setData(extensions->index(0, 0, extensions->index(0, 0)),
                                QStringLiteral("GL_EXT_renamed"), Qt::EditRole));
    // A new API level without extensions yet.
    QVERIFY(extensions->insertRows(1, 1, QModelIndex()));
    QVERIFY(extensions->setData(extensions->index(1, 0), 3, Qt::EditRole));

    ModalDriver driver;
    press("btnSave");
    QVERIFY(driver.shown.empty());
    QVERIFY(!editor->isEditing() && shown("btnEdit"));
    const QByteArray written = fileBytes("slate.xml");
    QVERIFY(written.contains("<device>Slate Pro</device>"));
    QVERIFY(written.contains("GL_EXT_renamed"));
    QVERIFY(written.contains("<es version=\"3\"/>"));
    // Both rows of the repeated bit-mask attribute are kept.
    QCOMPARE(written.count("<surface_type>"), 2);
    QCOMPARE(profileFiles(), QStringList{"slate.xml"});
    QCOMPARE(services->calls, (QStringList{"reload", "select slate.xml"}));
    QCOMPARE(text("editDevice"), QStringLiteral("Slate Pro"));

    // The reload released the entry and nothing showed the new one: the header is left alone.
    services->reselect = false;
    press("btnEdit");
    child<QLineEdit>("editDevice")->setText(QStringLiteral("Slate Max"));
    press("btnSave");
    QVERIFY(fileBytes("slate.xml").contains("<device>Slate Max</device>"));
    QVERIFY(!editor->isEditing() && !shown("btnEdit"));
    QCOMPARE(text("editDevice"), QStringLiteral("Slate Max"));
}

void TestProfileEditor::saveOfBuiltInOffersCopy()
{
    const std::string name = builtIn->data()->displayName();
    const QString copyName = QString::fromStdString(name) + QStringLiteral(" (copy).xml");
    writeBytes(copyName, "an older copy");
    editor->setProfile(builtIn);
    press("btnEdit");
    child<QLineEdit>("editDevice")->setText(QStringLiteral("Tablet X"));

    ModalDriver driver{click("btnCancel")};
    press("btnSave");
    QCOMPARE(driver.shown.size(), std::size_t(1));
    QCOMPARE(driver.shown[0].title, QStringLiteral("Save changes"));
    QVERIFY(driver.shown[0].text.contains("Cannot save changes to read-only profile."));
    QVERIFY(editor->isEditing());
    QCOMPARE(text("editDevice"), QStringLiteral("Tablet X"));
    QVERIFY(services->user.empty());

    // The proposed name is taken by an earlier copy: replacing it needs a yes.
    driver.queue({click("btnCopy"), takeProposal, pressButton(QMessageBox::No), cancel});
    press("btnSave");
    QVERIFY(driver.allAnswered());
    QCOMPARE(driver.shown[2].title, QStringLiteral("Choose a file name"));
    QCOMPARE(driver.shown[2].input, copyName);
    QVERIFY(driver.shown[3].text.contains("already exists"));
    QCOMPARE(fileBytes(copyName), QByteArray("an older copy"));
    QVERIFY(editor->isEditing());

    driver.queue({click("btnCopy"), takeProposal, pressButton(QMessageBox::Yes)});
    press("btnSave");
    QVERIFY(driver.allAnswered());
    QVERIFY(fileBytes(copyName).contains("<device>Tablet X</device>"));
    QCOMPARE(builtIn->data()->device(), name);
    QVERIFY(!editor->isEditing());
    QCOMPARE(services->calls.last(), QStringLiteral("select ") + copyName);
    QCOMPARE(text("editDevice"), QStringLiteral("Tablet X"));
}

void TestProfileEditor::saveAsLeavesOriginalUntouched()
{
    editSlate();
    child<QLineEdit>("editDevice")->setText(QStringLiteral("Slate Copy"));

    // Naming the original's own file still asks before replacing it.
    ModalDriver driver{enter("slate.xml"), pressButton(QMessageBox::No), cancel};
    press("btnSaveAs");
    QVERIFY(driver.allAnswered());
    QCOMPARE(driver.shown[0].input, QStringLiteral("Slate (copy).xml"));
    QCOMPARE(fileBytes("slate.xml"), slateXml);
    QVERIFY(editor->isEditing());

    driver.queue({enter("other.xml")});
    press("btnSaveAs");
    QVERIFY(driver.allAnswered());
    QCOMPARE(fileBytes("slate.xml"), slateXml);
    QVERIFY(fileBytes("other.xml").contains("<device>Slate Copy</device>"));
    QCOMPARE(services->calls.last(), QStringLiteral("select other.xml"));
    QVERIFY(!editor->isEditing());
}

void TestProfileEditor::discardAndFailedSaveDropEdits()
{
    editSlate();
    child<QLineEdit>("editDevice")->setText(QStringLiteral("changed"));
    QAbstractItemModel* capabilities = model("capabilitiesView");
    QVERIFY(capabilities->removeRows(0, 1, capabilities->index(0, 0)));
    press("btnDiscard");
    QVERIFY(!editor->isEditing());
    QCOMPARE(text("editDevice"), QStringLiteral("Slate"));
    capabilities = model("capabilitiesView");
    QCOMPARE(capabilities->rowCount(capabilities->index(0, 0)), 1);

    // A write that fails keeps the edits on screen and the profile as its file has it, so
    // Discard still goes back to the file.
    press("btnEdit");
    services->directory = (profilesDir() + QStringLiteral("/not/there")).toStdString();
    child<QLineEdit>("editDevice")->setText(QStringLiteral("Unsaved"));
    ModalDriver driver{pressButton(QMessageBox::Ok)};
    press("btnSave");
    QVERIFY(driver.allAnswered());
    QCOMPARE(driver.shown[0].text, QStringLiteral("Failed to save file"));
    QVERIFY(editor->isEditing());
    QCOMPARE(text("editDevice"), QStringLiteral("Unsaved"));
    QCOMPARE(services->find("slate.xml")->data()->device(), std::string("Slate"));
    press("btnDiscard");
    QCOMPARE(text("editDevice"), QStringLiteral("Slate"));
    QCOMPARE(fileBytes("slate.xml"), slateXml);
}

void TestProfileEditor::newProfileSavedOrCancelled()
{
    editor->setProfile(builtIn);
    ModalDriver driver{cancel};
    editor->newProfile();
    QCOMPARE(driver.shown[0].input, QStringLiteral("New profile.xml"));
    QVERIFY(editor->isEnabled());
    QCOMPARE(text("editDevice"), QString::fromStdString(builtIn->data()->device()));

    // With "Host" chosen nothing was shown, and nothing is shown after a cancel.
    editor->clearProfile();
    driver.queue({cancel});
    editor->newProfile();
    QVERIFY(driver.allAnswered());
    QVERIFY(!editor->isEnabled() && !model("capabilitiesView"));
    QCOMPARE(text("editDevice"), QStringLiteral("None"));
    QVERIFY(profileFiles().isEmpty());

    driver.queue({takeProposal});
    editor->newProfile();
    QVERIFY(driver.allAnswered());
    QVERIFY(fileBytes("New profile.xml").contains("<device>New profile</device>"));
    QCOMPARE(services->calls.last(), QStringLiteral("select New profile.xml"));
    QVERIFY(editor->isEnabled());
    QCOMPARE(text("editVendor"), QStringLiteral("Unknown vendor"));
}

void TestProfileEditor::namelessProfileIsReported()
{
    // A writable profile without any name cannot be offered a file name.
    const auto nameless = std::make_shared<ProfileDataWrapper>(ProfileData());
    editor->setProfile(nameless);
    press("btnEdit");
    ModalDriver driver{pressButton(QMessageBox::Ok)};
    press("btnSave");
    QVERIFY(driver.allAnswered());
    QCOMPARE(driver.shown[0].title, QStringLiteral("Error"));
    QCOMPARE(driver.shown[0].text, QStringLiteral("Profile has no name"));
    QVERIFY(editor->isEditing());
    QVERIFY(profileFiles().isEmpty());
}

// Pictures for tools/screenshots/editor.sh; skipped unless KOLZ_SCREENSHOTS names a folder.
void TestProfileEditor::screenshots()
{
    const QString folder = qEnvironmentVariable("KOLZ_SCREENSHOTS");
    if (folder.isEmpty())
        QSKIP("KOLZ_SCREENSHOTS is not set");
    editor->setProfile(builtIn);
    for (const char* view : {"capabilitiesView", "extensionsView", "eglConfigsView"}) {
        auto* tree = child<QTreeView>(view);
        tree->expandToDepth(0);
        tree->setCurrentIndex(tree->model()->index(0, 0, tree->model()->index(0, 0)));
    }
    QTest::qWait(200);
    QVERIFY(editor->grab().save(folder + QStringLiteral("/editor-view.png")));

    press("btnEdit");
    child<QLineEdit>("editDevice")->setText(QStringLiteral("Tablet X (edited)"));
    QTest::qWait(200);
    QVERIFY(editor->grab().save(folder + QStringLiteral("/editor-edit.png")));
}

KOLZ_TEST_MAIN_WIDGETS(TestProfileEditor)
#include "tst_profile.moc"
