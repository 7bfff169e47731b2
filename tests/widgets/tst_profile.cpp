#include "support/TestEnvironment.h"

#include "dialogs/SaveReadOnlyProfile.h"
#include "models/BuiltinProfiles.h"
#include "models/ProfileData.h"
#include "models/ProfileDataWrapper.h"
#include "widgets/Profile.h"
#include "widgets/ProfileServices.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <deque>
#include <functional>

namespace {

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
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Answers the modal dialogs that the editor opens, one queued answer per dialog, and records the
// title, text and proposed input of each.
class ModalDriver : public QObject
{
public:
    struct Shown
    {
        QString title;
        QString text;
        QString input;
    };

    ModalDriver()
    {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, &ModalDriver::poll);
        m_timer.start();
    }

    void enter(const QString& name)
    {
        m_answers.push_back([name](QWidget* modal) {
            auto* prompt = qobject_cast<QInputDialog*>(modal);
            QVERIFY(prompt);
            prompt->setTextValue(name);
            prompt->accept();
        });
    }
    // Takes the name that the prompt proposes.
    void accept()
    {
        m_answers.push_back([](QWidget* modal) {
            auto* prompt = qobject_cast<QInputDialog*>(modal);
            QVERIFY(prompt);
            prompt->accept();
        });
    }
    void cancel()
    {
        m_answers.push_back([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    }
    void press(QMessageBox::StandardButton button)
    {
        m_answers.push_back([button](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box && box->button(button));
            box->button(button)->click();
        });
    }
    // A button of one of our own dialogs, by object name.
    void click(const QString& name)
    {
        m_answers.push_back([name](QWidget* modal) {
            auto* button = modal->findChild<QPushButton*>(name);
            QVERIFY(button);
            button->click();
        });
    }

    const std::vector<Shown>& shown() const { return m_shown; }
    bool allAnswered() const { return m_answers.empty(); }

private:
    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->property("kolzAnswered").toBool())
            return;
        modal->setProperty("kolzAnswered", true);
        Shown shown{modal->windowTitle(), {}, {}};
        if (auto* prompt = qobject_cast<QInputDialog*>(modal)) {
            shown.text = prompt->labelText();
            shown.input = prompt->textValue();
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            shown.text = box->text();
        } else if (auto* label = modal->findChild<QLabel*>(QStringLiteral("label"))) {
            shown.text = label->text();
        }
        m_shown.push_back(shown);
        if (m_answers.empty()) {
            qWarning("unexpected dialog: %s", qPrintable(shown.title));
            QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
            return;
        }
        const auto answer = m_answers.front();
        m_answers.pop_front();
        answer(modal);
    }

    QTimer m_timer;
    std::deque<std::function<void(QWidget*)>> m_answers;
    std::vector<Shown> m_shown;
};

const char* const newProfileTemplate =
    "\t\t\t<profile>\t\t\t\t<vendor>Unknown vendor</vendor>\t\t\t\t<renderer>Unknown "
    "renderer</renderer>\t\t\t\t<device>New profile</device>\t\t\t</profile>\t\t";

using Entry = std::shared_ptr<ProfileDataWrapper>;

// Stands in for the application: the profile lists, and a selector that shows the chosen entry
// in the editor as the main window does.
class FakeServices : public widgets::ProfileServices
{
public:
    std::string profilesDirectory() const override { return directory; }
    void selectProfile(const std::string& identifier) override
    {
        calls << QStringLiteral("select %1").arg(QString::fromStdString(identifier));
        Entry found;
        for (const Entry& entry : user)
            if (!found && entry->identifier() == identifier)
                found = entry;
        editor->setProfile(found);
    }
    void reloadUserProfiles() override
    {
        calls << QStringLiteral("reload");
        user.clear();
        for (const QFileInfo& file : QDir(profilesDir()).entryInfoList(QDir::Files, QDir::Name))
            user.push_back(std::make_shared<ProfileDataWrapper>(
                ProfileDataWrapper::fromFile(file.canonicalFilePath().toStdString(), true)));
    }
    Entry copyProfile(const ProfileDataWrapper& source) override
    {
        auto copy = std::make_shared<ProfileDataWrapper>(source);
        copy->editableData()->setFileName(source.data()->displayName() + " (copy).xml");
        user.push_back(copy);
        return copy;
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
        user.push_back(std::make_shared<ProfileDataWrapper>(
            ProfileDataWrapper::fromXml(newProfileTemplate, true)));
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
    void cleanup();
    void viewAndEditModes();
    void headerFieldsFollowTheProfile();
    void clearedOrExpiredShowsNothing();
    void saveWritesUserProfileInPlace();
    void saveOfBuiltInOffersCopy();
    void copyNeverReplacesAFileUnasked();
    void saveAsLeavesOriginalUntouched();
    void discardDropsEdits();
    void failedSaveKeepsEditsAndProfile();
    void newProfileSavedOrCancelled();
    void namelessProfileIsReported();
    void screenshots();

private:
    template <typename T> T* child(const char* name) const
    {
        T* found = editor->findChild<T*>(QString::fromLatin1(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }
    bool shown(const char* name) const { return !child<QWidget>(name)->isHidden(); }
    void press(const char* button)
    {
        QVERIFY2(shown(button), button);
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }
    QAbstractItemModel* model(const char* view) const { return child<QTreeView>(view)->model(); }
    // Shows the user profile slate.xml and enters edit mode.
    void editSlate();

    std::unique_ptr<FakeServices> services;
    std::unique_ptr<widgets::Profile> editor;
    Entry builtIn;
};

void TestProfileEditor::init()
{
    QDir(profilesDir()).removeRecursively();
    QVERIFY(QDir().mkpath(profilesDir()));
    services = std::make_unique<FakeServices>();
    editor = std::make_unique<widgets::Profile>(nullptr, services.get());
    services->editor = editor.get();
    editor->resize(1042, 437);
    editor->show();
    builtIn = std::make_shared<ProfileDataWrapper>(
        ProfileDataWrapper::fromXml(builtinProfiles.front(), false));
}

void TestProfileEditor::cleanup()
{
    editor.reset();
    services.reset();
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

    editor->setProfile(builtIn);
    QVERIFY(editor->isEnabled());
    QVERIFY(!editor->isEditing());
    QVERIFY(shown("btnEdit"));
    for (const char* button : {"btnSave", "btnSaveAs", "btnDiscard"})
        QVERIFY(!shown(button));
    QVERIFY(child<QLineEdit>("editDevice")->isReadOnly());
    QVERIFY(!child<QLineEdit>("editDevice")->hasFrame());
    QAbstractItemModel* capabilities = model("capabilitiesView");
    QVERIFY(capabilities && capabilities->rowCount() > 0);
    QVERIFY(!(capabilities->flags(capabilities->index(0, 0)) & Qt::ItemIsEditable));
    QCOMPARE(child<QTreeView>("eglConfigsView")->contextMenuPolicy(), Qt::NoContextMenu);

    press("btnEdit");
    QVERIFY(editor->isEditing());
    QVERIFY(!shown("btnEdit"));
    for (const char* button : {"btnSave", "btnSaveAs", "btnDiscard"})
        QVERIFY(shown(button));
    QVERIFY(!child<QLineEdit>("editDevice")->isReadOnly());
    QVERIFY(child<QLineEdit>("editDevice")->hasFrame());
    QVERIFY(capabilities->flags(capabilities->index(0, 0)) & Qt::ItemIsEditable);
    QCOMPARE(child<QTreeView>("eglConfigsView")->contextMenuPolicy(), Qt::CustomContextMenu);

    // Another profile chosen while editing is shown for editing, on models of its own.
    writeBytes("slate.xml", slateXml);
    services->reloadUserProfiles();
    editor->setProfile(services->find("slate.xml"));
    QVERIFY(editor->isEditing());
    QVERIFY(model("capabilitiesView") != capabilities);
    QAbstractItemModel* extensions = model("extensionsView");
    QVERIFY(extensions->flags(extensions->index(0, 0)) & Qt::ItemIsEditable);
}

void TestProfileEditor::headerFieldsFollowTheProfile()
{
    writeBytes("slate.xml", slateXml);
    services->reloadUserProfiles();
    editor->setProfile(services->find("slate.xml"));
    QCOMPARE(child<QLineEdit>("editDevice")->text(), QStringLiteral("Slate"));
    QCOMPARE(child<QLineEdit>("editRenderer")->text(), QStringLiteral("K2"));
    QVERIFY(shown("lblDevice") && shown("editRenderer"));
    // No vendor: label and field stay out of the way in view mode only.
    QVERIFY(!shown("lblVendor") && !shown("editVendor"));
    press("btnEdit");
    QVERIFY(shown("lblVendor") && shown("editVendor"));
    press("btnDiscard");
    QVERIFY(!shown("lblVendor") && !shown("editVendor"));
}

void TestProfileEditor::clearedOrExpiredShowsNothing()
{
    editor->setProfile(builtIn);
    editor->clearProfile();
    QVERIFY(!editor->isEnabled());
    QVERIFY(!editor->isEditing());
    QCOMPARE(child<QLineEdit>("editDevice")->text(), QStringLiteral("None"));
    QVERIFY(!shown("editVendor") && !shown("editRenderer"));
    QVERIFY(!model("capabilitiesView") && !model("extensionsView") && !model("eglConfigsView"));

    // An entry that died before it reached the editor is never read.
    editor->setProfile(builtIn);
    press("btnEdit");
    std::weak_ptr<const ProfileDataWrapper> gone;
    {
        auto temporary = std::make_shared<ProfileDataWrapper>(*builtIn);
        gone = temporary;
    }
    editor->setProfile(gone);
    QVERIFY(!editor->isEnabled());
    QVERIFY(!editor->isEditing());
    QCOMPARE(child<QLineEdit>("editDevice")->text(), QStringLiteral("None"));
    QVERIFY(!model("capabilitiesView"));
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
    QVERIFY(driver.shown().empty());
    QVERIFY(!editor->isEditing());
    const QByteArray written = fileBytes("slate.xml");
    QVERIFY(written.contains("<device>Slate Pro</device>"));
    QVERIFY(written.contains("GL_EXT_renamed"));
    // Both rows of the repeated bit-mask attribute are kept.
    QCOMPARE(written.count("<surface_type>"), 2);
    QVERIFY(written.contains("<es version=\"3\"/>"));
    QCOMPARE(QDir(profilesDir()).entryList(QDir::Files), QStringList{"slate.xml"});
    QCOMPARE(services->calls, (QStringList{"reload", "select slate.xml"}));
    QCOMPARE(child<QLineEdit>("editDevice")->text(), QStringLiteral("Slate Pro"));
    QVERIFY(shown("btnEdit"));
}

void TestProfileEditor::saveOfBuiltInOffersCopy()
{
    const std::string name = builtIn->data()->displayName();
    const QString copyName = QString::fromStdString(name) + QStringLiteral(" (copy).xml");
    editor->setProfile(builtIn);
    press("btnEdit");
    child<QLineEdit>("editDevice")->setText(QStringLiteral("Tablet X"));

    ModalDriver driver;
    driver.click(QStringLiteral("btnCancel"));
    press("btnSave");
    QCOMPARE(driver.shown().size(), std::size_t(1));
    QCOMPARE(driver.shown()[0].title, QStringLiteral("Save changes"));
    QVERIFY(driver.shown()[0].text.contains("Cannot save changes to read-only profile."));
    QVERIFY(editor->isEditing());
    QCOMPARE(child<QLineEdit>("editDevice")->text(), QStringLiteral("Tablet X"));
    QVERIFY(QDir(profilesDir()).entryList(QDir::Files).isEmpty());
    QVERIFY(services->user.empty());

    driver.click(QStringLiteral("btnCopy"));
    driver.accept();
    press("btnSave");
    QVERIFY(driver.allAnswered());
    QCOMPARE(driver.shown()[2].title, QStringLiteral("Choose a file name"));
    QCOMPARE(driver.shown()[2].input, copyName);
    QVERIFY(fileBytes(copyName).contains("<device>Tablet X</device>"));
    QCOMPARE(builtIn->data()->device(), name);
    QVERIFY(!editor->isEditing());
    QCOMPARE(services->calls.last(), QStringLiteral("select ") + copyName);
    QCOMPARE(child<QLineEdit>("editDevice")->text(), QStringLiteral("Tablet X"));
}

void TestProfileEditor::copyNeverReplacesAFileUnasked()
{
    const QString copyName =
        QString::fromStdString(builtIn->data()->displayName()) + QStringLiteral(" (copy).xml");
    writeBytes(copyName, "an older copy");
    editor->setProfile(builtIn);
    press("btnEdit");

    ModalDriver driver;
    driver.click(QStringLiteral("btnCopy"));
    driver.accept();
    driver.press(QMessageBox::No);
    driver.cancel();
    press("btnSave");
    QVERIFY(driver.allAnswered());
    QVERIFY(driver.shown()[2].text.contains("already exists"));
    QCOMPARE(fileBytes(copyName), QByteArray("an older copy"));
    QVERIFY(editor->isEditing());

    driver.click(QStringLiteral("btnCopy"));
    driver.accept();
    driver.press(QMessageBox::Yes);
    press("btnSave");
    QVERIFY(driver.allAnswered());
    QVERIFY(fileBytes(copyName).startsWith("<profile>"));
    QVERIFY(!editor->isEditing());
}

void TestProfileEditor::saveAsLeavesOriginalUntouched()
{
    editSlate();
    child<QLineEdit>("editDevice")->setText(QStringLiteral("Slate Copy"));

    // Naming the original's own file still asks before replacing it.
    ModalDriver driver;
    driver.enter(QStringLiteral("slate.xml"));
    driver.press(QMessageBox::No);
    driver.cancel();
    press("btnSaveAs");
    QVERIFY(driver.allAnswered());
    QCOMPARE(driver.shown()[0].input, QStringLiteral("Slate (copy).xml"));
    QCOMPARE(fileBytes("slate.xml"), slateXml);
    QVERIFY(editor->isEditing());

    driver.enter(QStringLiteral("other.xml"));
    press("btnSaveAs");
    QVERIFY(driver.allAnswered());
    QCOMPARE(fileBytes("slate.xml"), slateXml);
    QVERIFY(fileBytes("other.xml").contains("<device>Slate Copy</device>"));
    QCOMPARE(services->calls.last(), QStringLiteral("select other.xml"));
    QVERIFY(!editor->isEditing());
}

void TestProfileEditor::discardDropsEdits()
{
    editSlate();
    child<QLineEdit>("editDevice")->setText(QStringLiteral("changed"));
    QAbstractItemModel* capabilities = model("capabilitiesView");
    QVERIFY(capabilities->removeRows(0, 1, capabilities->index(0, 0)));
    QCOMPARE(capabilities->rowCount(capabilities->index(0, 0)), 0);

    press("btnDiscard");
    QVERIFY(!editor->isEditing());
    QCOMPARE(child<QLineEdit>("editDevice")->text(), QStringLiteral("Slate"));
    capabilities = model("capabilitiesView");
    QCOMPARE(capabilities->rowCount(capabilities->index(0, 0)), 1);
    QCOMPARE(fileBytes("slate.xml"), slateXml);
}

void TestProfileEditor::failedSaveKeepsEditsAndProfile()
{
    editSlate();
    services->directory = (profilesDir() + QStringLiteral("/not/there")).toStdString();
    child<QLineEdit>("editDevice")->setText(QStringLiteral("Unsaved"));

    ModalDriver driver;
    driver.press(QMessageBox::Ok);
    press("btnSave");
    QVERIFY(driver.allAnswered());
    QCOMPARE(driver.shown()[0].text, QStringLiteral("Failed to save file"));
    QVERIFY(editor->isEditing());
    QCOMPARE(child<QLineEdit>("editDevice")->text(), QStringLiteral("Unsaved"));
    // The profile in memory still matches its file, so Discard goes back to it.
    QCOMPARE(services->find("slate.xml")->data()->device(), std::string("Slate"));
    press("btnDiscard");
    QCOMPARE(child<QLineEdit>("editDevice")->text(), QStringLiteral("Slate"));
}

void TestProfileEditor::newProfileSavedOrCancelled()
{
    const QString builtInDevice = QString::fromStdString(builtIn->data()->device());
    editor->setProfile(builtIn);
    ModalDriver driver;
    driver.cancel();
    editor->newProfile();
    QCOMPARE(driver.shown()[0].input, QStringLiteral("New profile.xml"));
    QVERIFY(editor->isEnabled());
    QCOMPARE(child<QLineEdit>("editDevice")->text(), builtInDevice);

    // With "Host" chosen nothing was shown, and nothing is shown after a cancel.
    editor->clearProfile();
    driver.cancel();
    editor->newProfile();
    QVERIFY(driver.allAnswered());
    QVERIFY(!editor->isEnabled());
    QCOMPARE(child<QLineEdit>("editDevice")->text(), QStringLiteral("None"));
    QVERIFY(!model("capabilitiesView"));
    QVERIFY(QDir(profilesDir()).entryList(QDir::Files).isEmpty());

    driver.accept();
    editor->newProfile();
    QVERIFY(driver.allAnswered());
    QVERIFY(fileBytes("New profile.xml").contains("<device>New profile</device>"));
    QCOMPARE(services->calls.last(), QStringLiteral("select New profile.xml"));
    QVERIFY(editor->isEnabled());
    QCOMPARE(child<QLineEdit>("editVendor")->text(), QStringLiteral("Unknown vendor"));
}

void TestProfileEditor::namelessProfileIsReported()
{
    // A writable profile without any name cannot be offered a file name.
    const auto nameless = std::make_shared<ProfileDataWrapper>(ProfileData());
    editor->setProfile(nameless);
    press("btnEdit");
    child<QLineEdit>("editDevice")->clear();

    ModalDriver driver;
    driver.press(QMessageBox::Ok);
    press("btnSave");
    QVERIFY(driver.allAnswered());
    QCOMPARE(driver.shown()[0].title, QStringLiteral("Error"));
    QCOMPARE(driver.shown()[0].text, QStringLiteral("Profile has no name"));
    QVERIFY(editor->isEditing());
    QVERIFY(QDir(profilesDir()).entryList(QDir::Files).isEmpty());
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
