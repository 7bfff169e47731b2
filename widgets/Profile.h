#pragma once

#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

class ProfileData;
class ProfileDataWrapper;
class QLabel;
class QLineEdit;

namespace Ui {
class profile;
}

namespace models {
class Profile;
}

namespace widgets {

class EGLConfigTreeView;
class ESCapabilityTreeView;
class ESExtensionTreeView;
class ProfileServices;
class ProfileTreeView;

// The editor of one device profile: its device, vendor and renderer texts over three trees.
// View mode shows the profile; Modify enters edit mode, where Save writes it back (a read-only
// profile is copied first), Save As... writes a copy under a new name and Discard drops the
// edits.
class Profile : public QWidget
{
    Q_OBJECT

public:
    // services is not owned and must outlive the editor.
    Profile(QWidget* parent, ProfileServices* services);
    ~Profile() override;

    // Shows the entry in the current mode, dropping any edits of the profile shown before. An
    // entry that has gone away shows nothing, as clearProfile does.
    void setProfile(std::weak_ptr<const ProfileDataWrapper> entry);
    // Shows no profile ("None") and disables the editor.
    void clearProfile();
    // Shows a blank profile from the template and asks for its file name at once; a cancelled
    // prompt shows again what was shown before.
    void newProfile();

    bool isEditing() const { return mode == EditMode; }
    // Whether the header texts or the trees differ from the profile as edit mode found it.
    bool hasUnsavedEdits() const;
    // What Save does; true when the edits were written (the editor is then back in view mode).
    bool saveEdits();
    // Whether a save (Save, Save As or New Profile's) is under way, with its dialogs open.
    bool isSaving() const { return savesRunning > 0; }

signals:
    // The last save under way ended: written, failed or cancelled.
    void savesSettled();

public slots:
    void discardPressed();
    void editPressed();
    void savePressed();
    void saveAsPressed();

private:
    class SaveRunning;

    enum Mode
    {
        EditMode = 0,
        ViewMode = 1
    };

    void applyMode();
    void enterEditMode();
    void enterViewMode();
    void showHeader(const ProfileData& data);
    void focusModifyInPlaceOf(const QPointer<QWidget>& focused);
    // The header texts and the trees as they stand, over a copy of the entry's data.
    ProfileData editedData(const ProfileDataWrapper& entry) const;
    bool saveProfile();
    void showFailure(const std::runtime_error& error);
    bool guarded(const std::function<bool()>& flow);
    bool saveProfileAs();
    void setViewsEditable(bool editable);
    std::array<ProfileTreeView*, 3> views() const;

    std::unique_ptr<Ui::profile> ui;
    ESCapabilityTreeView* capabilitiesView = nullptr;
    ESExtensionTreeView* extensionsView = nullptr;
    EGLConfigTreeView* eglConfigsView = nullptr;
    models::Profile* models = nullptr;
    ProfileServices* services = nullptr;
    Mode mode = ViewMode;
    std::weak_ptr<const ProfileDataWrapper> current;
    // The edited form of the shown profile when edit mode began on it; null outside edit mode.
    std::unique_ptr<ProfileData> unedited;
    int savesRunning = 0;
};

} // namespace widgets
