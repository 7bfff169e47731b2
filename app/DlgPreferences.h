#pragma once

#include <QDialog>
#include <QString>

class ClickableLabel;
class FileListWidget;
class KolPreferences;

namespace tinyxml2 {
class XMLDocument;
}

namespace Ui {
class Preferences;
}
using DlgPreferencesForm = Ui::Preferences;

// The HTML help on the two context creation modes.
extern const QString contextModeHelpText;

// The preferences dialog: the context creation mode, the profiles directory, and behind
// "Advanced" the import of profile files (several files are merged into one profile). OK stores
// and saves the two settings; Cancel stores nothing; the import never touches the store.
class DlgPreferences : public QDialog
{
    Q_OBJECT

public:
    // store must not be null.
    DlgPreferences(KolPreferences* store, QWidget* parent = nullptr);
    ~DlgPreferences() override;

    FileListWidget* importList() const { return fileList; }

public slots:
    void accept() override;
    void browseProfilesDirectory();
    void importBrowseProfiles();
    void importProfiles();
    void advancedExpandChanged(int state);
    void updateImportButtonText();
    void showWhatsThisContextMode();

private:
    void init();
    void makeConnections();
    void saveImportedProfile(tinyxml2::XMLDocument& document);

    DlgPreferencesForm* ui;
    FileListWidget* fileList = nullptr;
    KolPreferences* prefs;
    ClickableLabel* whatsThisLabel = nullptr;
};
