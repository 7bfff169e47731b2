#include "widgets/Profile.h"
#include "ui_Profile.h"

#include "models/Profile.h"
#include "models/ProfileData.h"
#include "models/ProfileDataWrapper.h"
#include "models/ProfileFileDialogs.h"
#include "models/TextBytes.h"
#include "widgets/EGLConfigTreeView.h"
#include "widgets/ESCapabilityTreeView.h"
#include "widgets/ESExtensionTreeView.h"
#include "widgets/ProfileServices.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

#include <algorithm>

namespace widgets {

namespace {

void showHeaderField(QLabel* label, QLineEdit* edit, const std::string& text)
{
    label->setVisible(!text.empty());
    edit->setVisible(!text.empty());
    edit->setText(textFromBytes(text));
    // A text longer than the field shows its start, as a name is read.
    edit->setCursorPosition(0);
}

// Writes a profile that has no file of its own yet under a name the user chooses. The prompt
// confirms replacing any file but the profile's own, and a copy's proposed name counts as its
// own, so replacing an existing file of that name is confirmed here.
bool saveUnderNewName(ProfileData& data, const std::string& profilesDir)
{
    const std::string proposed = data.fileName();
    const QDir directory(QString::fromStdString(profilesDir));
    for (;;) {
        const std::string name = askFileName(data, profilesDir);
        if (name.empty())
            return false;
        if (!proposed.empty() && name == proposed &&
            isNameTaken(directory.path(), QString::fromStdString(name)) &&
            !confirmReplace(QString::fromStdString(name)))
            continue;
        data.setFileName(name);
        return data.save(profilesDir);
    }
}

} // namespace

// Marks a save under way for as long as it lives. Its dialogs run event loops in which anything
// may happen, a request to end the program included: that waits until the last save ended.
class Profile::SaveRunning
{
    Q_DISABLE_COPY(SaveRunning)
public:
    explicit SaveRunning(Profile& editor) : editor(editor) { ++editor.savesRunning; }
    ~SaveRunning()
    {
        if (--editor.savesRunning == 0)
            emit editor.savesSettled();
    }

private:
    Profile& editor;
};

void Profile::showFailure(const std::runtime_error& error)
{
    // The message may quote a file, a profile's texts or a path: shown as text, never markup.
    QMessageBox box(QMessageBox::Critical, tr("Error"), QString::fromUtf8(error.what()),
                    QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

// A profile that cannot be named or edited must not take the program down from inside a
// button's signal: the user is told, and the editor stays as it was.
bool Profile::guarded(const std::function<bool()>& flow)
{
    try {
        return flow();
    } catch (const std::runtime_error& error) {
        showFailure(error);
        return false;
    }
}

Profile::Profile(QWidget* parent, ProfileServices* profileServices)
    : QWidget(parent), ui(std::make_unique<Ui::profile>()), services(profileServices)
{
    capabilitiesView = new ESCapabilityTreeView(this);
    extensionsView = new ESExtensionTreeView(this);
    eglConfigsView = new EGLConfigTreeView(this);
    ui->setupUi(this);

    capabilitiesView->setObjectName(QStringLiteral("capabilitiesView"));
    extensionsView->setObjectName(QStringLiteral("extensionsView"));
    eglConfigsView->setObjectName(QStringLiteral("eglConfigsView"));
    ui->verticalLayout_4->addWidget(capabilitiesView);
    ui->verticalLayout_3->addWidget(extensionsView);
    ui->verticalLayout_5->addWidget(eglConfigsView);
    for (ProfileTreeView* view : views())
        view->setHeaderHidden(true);

    // The splitter raises sizes below a side's minimum to that minimum and later shares space in
    // the ratio of the sizes, so a parent that is not laid out yet (a child widget starts 30
    // pixels high) or no parent would leave the trees on the right squeezed. The form's own
    // height keeps both sides at one size.
    const int half = qMax(parent ? parent->height() : 0, height()) / 2;
    ui->profileInfoSplitter->setSizes({half, half});

    connect(ui->btnDiscard, &QPushButton::pressed, this, &Profile::discardPressed);
    connect(ui->btnEdit, &QPushButton::pressed, this, &Profile::editPressed);
    connect(ui->btnSave, &QPushButton::pressed, this, &Profile::savePressed);
    connect(ui->btnSaveAs, &QPushButton::pressed, this, &Profile::saveAsPressed);
    enterViewMode();
}

Profile::~Profile() = default;

void Profile::setProfile(std::weak_ptr<const ProfileDataWrapper> entry)
{
    current = entry;
    const std::shared_ptr<const ProfileDataWrapper> shown = entry.lock();
    if (!shown) {
        clearProfile();
        return;
    }
    setEnabled(true);
    showHeader(*shown->data());

    // The views move to the new models before the old ones go, so they never see a dead model.
    auto* fresh = new models::Profile(this, entry);
    capabilitiesView->setModel(fresh->capabilityTree());
    extensionsView->setModel(fresh->extensionTree());
    eglConfigsView->setModel(fresh->eglConfigTree());
    delete models;
    models = fresh;
    applyMode();
}

void Profile::clearProfile()
{
    setEnabled(false);
    showHeaderField(ui->lblDevice, ui->editDevice, tr("None").toStdString());
    showHeaderField(ui->lblRenderer, ui->editRenderer, {});
    showHeaderField(ui->lblVendor, ui->editVendor, {});
    for (ProfileTreeView* view : views())
        view->setModel(nullptr);
    delete models;
    models = nullptr;
    enterViewMode();
}

void Profile::newProfile()
{
    // Only a profile that is shown comes back after a cancel; with none shown the editor goes
    // back to showing nothing.
    const std::weak_ptr<const ProfileDataWrapper> remembered =
        models ? current : std::weak_ptr<const ProfileDataWrapper>();
    const SaveRunning running(*this);

    std::shared_ptr<ProfileDataWrapper> entry;
    bool saved = false;
    try {
        entry = services->newProfile();
        if (!entry)
            return;
        setProfile(entry);
        saved = saveUnderNewName(*entry->editableData(), services->profilesDirectory());
    } catch (const std::runtime_error& error) {
        showFailure(error);
    }
    if (!saved) {
        if (entry)
            setProfile(remembered);
        return;
    }
    const std::string fileName = entry->data()->fileName();
    services->reloadUserProfiles();
    services->selectProfile(fileName);
}

void Profile::discardPressed()
{
    const QPointer<QWidget> focused = window()->focusWidget();
    enterViewMode();
    setProfile(current);
    focusModifyInPlaceOf(focused);
}

void Profile::editPressed()
{
    enterEditMode();
    // Modify hides itself, and the focus would move on to the window's profile selector, where
    // a typed letter chooses another profile: the edit starts in the first field instead.
    ui->editDevice->setFocus(Qt::OtherFocusReason);
}

void Profile::savePressed()
{
    // The flow runs modal dialogs inside the press; the release they swallow must not leave the
    // button drawn pressed.
    ui->btnSave->setDown(false);
    saveEdits();
}

bool Profile::saveEdits()
{
    const SaveRunning running(*this);
    const QPointer<QWidget> focused = window()->focusWidget();
    if (!guarded([this] { return saveProfile(); }))
        return false;
    if (const std::shared_ptr<const ProfileDataWrapper> shown = current.lock())
        showHeader(*shown->data());
    enterViewMode();
    focusModifyInPlaceOf(focused);
    return true;
}

bool Profile::hasUnsavedEdits() const
{
    const std::shared_ptr<const ProfileDataWrapper> shown = current.lock();
    if (mode != EditMode || !models || !shown)
        return false;
    // Compared in the form a save would write, so that what the trees or the header fields
    // normalise on the way in counts as no change.
    try {
        return !unedited || editedData(*shown) != *unedited;
    } catch (const std::runtime_error&) {
        return true;
    }
}

void Profile::saveAsPressed()
{
    ui->btnSaveAs->setDown(false);
    const SaveRunning running(*this);
    const QPointer<QWidget> focused = window()->focusWidget();
    if (!guarded([this] { return saveProfileAs(); }))
        return;
    if (const std::shared_ptr<const ProfileDataWrapper> shown = current.lock())
        showHeader(*shown->data());
    enterViewMode();
    focusModifyInPlaceOf(focused);
}

// A hidden widget passes the focus on along the window's chain, which leads out of the editor
// to the profile selector, where a typed letter chooses another profile. An editing button that
// went away with edit mode, pressed or not, leaves the focus to Modify, which stands in its
// place.
void Profile::focusModifyInPlaceOf(const QPointer<QWidget>& focused)
{
    const std::array<QWidget*, 3> editing{ui->btnSave, ui->btnSaveAs, ui->btnDiscard};
    if (std::find(editing.begin(), editing.end(), focused.data()) != editing.end() &&
        focused->isHidden() && !ui->btnEdit->isHidden())
        ui->btnEdit->setFocus(Qt::OtherFocusReason);
}

void Profile::applyMode()
{
    if (mode == EditMode)
        enterEditMode();
    else
        enterViewMode();
}

void Profile::enterEditMode()
{
    mode = EditMode;
    for (QLineEdit* edit : {ui->editDevice, ui->editRenderer, ui->editVendor}) {
        edit->setFrame(true);
        edit->setReadOnly(false);
        edit->show();
    }
    for (QLabel* label : {ui->lblDevice, ui->lblRenderer, ui->lblVendor})
        label->show();
    ui->btnEdit->hide();
    ui->btnDiscard->show();
    ui->btnSave->show();
    ui->btnSaveAs->show();
    if (models)
        models->setEditable(true);
    setViewsEditable(true);

    unedited.reset();
    if (const std::shared_ptr<const ProfileDataWrapper> shown = current.lock(); shown && models) {
        try {
            unedited = std::make_unique<ProfileData>(editedData(*shown));
        } catch (const std::runtime_error&) {
        }
    }
}

void Profile::enterViewMode()
{
    mode = ViewMode;
    for (QLineEdit* edit : {ui->editDevice, ui->editRenderer, ui->editVendor}) {
        edit->setFrame(false);
        edit->setReadOnly(true);
    }
    ui->btnDiscard->hide();
    ui->btnEdit->hide();
    ui->btnSave->hide();
    ui->btnSaveAs->hide();
    if (!current.expired())
        ui->btnEdit->show();
    if (models)
        models->setEditable(false);
    setViewsEditable(false);
    unedited.reset();
}

void Profile::showHeader(const ProfileData& data)
{
    showHeaderField(ui->lblDevice, ui->editDevice, data.device());
    showHeaderField(ui->lblRenderer, ui->editRenderer, data.renderer());
    showHeaderField(ui->lblVendor, ui->editVendor, data.vendor());
}

std::array<ProfileTreeView*, 3> Profile::views() const
{
    return {capabilitiesView, extensionsView, eglConfigsView};
}

void Profile::setViewsEditable(bool editable)
{
    for (ProfileTreeView* view : views())
        view->setEditable(editable);
}

ProfileData Profile::editedData(const ProfileDataWrapper& entry) const
{
    ProfileData data = *entry.data();
    data.setDevice(bytesFromText(ui->editDevice->text()));
    data.setRenderer(bytesFromText(ui->editRenderer->text()));
    data.setVendor(bytesFromText(ui->editVendor->text()));
    data.updateFromModels(*models);
    // An API level that lists no extensions is still a row of the extension tree; an empty list
    // keeps it in the file, where the rebuilt data would drop it.
    const QAbstractItemModel& extensionTree = *models->extensionTree();
    for (int row = 0; row < extensionTree.rowCount(); ++row)
        data.extensions.try_emplace(extensionTree.index(row, 0).data(Qt::EditRole).toInt());
    return data;
}

bool Profile::saveProfile()
{
    const std::shared_ptr<const ProfileDataWrapper> shown = current.lock();
    if (!shown || !models)
        return false;

    // A read-only profile is never written: the user may take a writable copy instead.
    std::shared_ptr<ProfileDataWrapper> copy;
    if (!shown->isWritable() && (!services->saveReadOnlyProfile(*shown, copy) || !copy))
        return false;
    // The dialog runs an event loop; the edits must still be the ones of this profile.
    if (!models || current.lock() != shown)
        return false;
    const ProfileDataWrapper& entry = copy ? *copy : *shown;

    // The edits go into the profile only once they are on disk, so a cancelled or failed write
    // leaves the profile as its file has it and Discard still goes back to that.
    ProfileData edited = editedData(entry);
    const std::string directory = services->profilesDirectory();
    if (!(copy ? saveUnderNewName(edited, directory) : edited.save(directory)))
        return false;
    *entry.editableData() = edited;

    if (copy)
        current = copy;
    services->reloadUserProfiles();
    services->selectProfile(edited.fileName());
    return true;
}

bool Profile::saveProfileAs()
{
    const std::shared_ptr<const ProfileDataWrapper> shown = current.lock();
    if (!shown || !models)
        return false;
    const std::shared_ptr<ProfileDataWrapper> copy = services->copyProfile(*shown);
    if (!copy)
        return false;

    ProfileData edited = editedData(*copy);
    if (!saveUnderNewName(edited, services->profilesDirectory()))
        return false;
    *copy->editableData() = edited;

    current = copy;
    services->reloadUserProfiles();
    services->selectProfile(edited.fileName());
    return true;
}

} // namespace widgets
