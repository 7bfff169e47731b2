#include "app/DlgPreferences.h"
#include "ui_DlgPreferences.h"

#include "app/FileListWidget.h"
#include "app/ProfileImport.h"
#include "common_gui/ClickableLabel.h"
#include "models/ProfileFileDialogs.h"
#include "models/ProfileFiles.h"
#include "prefs/KolPreferences.h"
#include "prefs/ProgramSettings.h"
#include "resources/KolZendraResources.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QWhatsThis>

#include <tinyxml2.h>

const QString contextModeHelpText = QStringLiteral(
    "<html><p>In <b>strict context mode</b>, eglCreateContext will fail with EGL_BAD_ALLOC if the "
    "host system does not support the entire feature-set of the requested API.</p>\n"
    "<p>In <b>loose context mode</b>, eglCreateContext will return a context of the requested API "
    "type even if the entire feature-set is not supported by the host system. Unsupported "
    "features will fail at the point of use.</p></html>");

namespace {

// Taller than any screen, yet clear of QWIDGETSIZE_MAX so that the limit stays a set one.
constexpr int expandedMaximumHeight = 16777125;

} // namespace

DlgPreferences::DlgPreferences(KolPreferences* store, QWidget* parent)
    : QDialog(parent, Qt::WindowFlags()), ui(new DlgPreferencesForm), prefs(store)
{
    initKolZendraResources();
    ui->setupUi(this);
    init();
    makeConnections();
}

DlgPreferences::~DlgPreferences()
{
    delete ui;
}

void DlgPreferences::init()
{
    whatsThisLabel = new ClickableLabel(ui->grpGeneral);
    QFont font = whatsThisLabel->font();
    font.setPointSize(9);
    whatsThisLabel->setFont(font);
    whatsThisLabel->setTextFormat(Qt::RichText);
    whatsThisLabel->setText(tr("<img src=\":/KolZendraResources/Info\" width=\"16\" "
                               "height=\"16\"> What's this?"));
    ui->horizontalLayout->addWidget(whatsThisLabel);
    connect(whatsThisLabel, SIGNAL(clicked()), this, SLOT(showWhatsThisContextMode()));

    fileList = new FileListWidget(ui->grpImportProfile);
    ui->lstProfileFiles->addWidget(fileList);

    ui->txtProfilesDirectory->setText(profilesDirectory(prefs));
    ui->grpProfilesAdvanced->hide();
    ui->btnImport->setEnabled(false);

    bool strict = false;
    prefs->GetBool(strictContextModeKey, strict, false);
    if (strict)
        ui->radioStrict->setChecked(true);
    else
        ui->radioLoose->setChecked(true);

    const int noted = width();
    adjustSize();
    resize(noted, height());
    setMaximumHeight(height());
}

void DlgPreferences::makeConnections()
{
    connect(ui->btnBrowse, SIGNAL(clicked()), this, SLOT(browseProfilesDirectory()));
    connect(ui->chkExpandProfilesAdvanced, SIGNAL(stateChanged(int)), this,
            SLOT(advancedExpandChanged(int)));
    connect(ui->btnImportBrowse, SIGNAL(clicked()), this, SLOT(importBrowseProfiles()));
    connect(ui->btnImport, SIGNAL(clicked()), this, SLOT(importProfiles()));
    connect(ui->buttonBox, SIGNAL(accepted()), this, SLOT(accept()));
    connect(ui->buttonBox, SIGNAL(rejected()), this, SLOT(close()));
    connect(fileList, SIGNAL(itemsChanged()), this, SLOT(updateImportButtonText()));
}

void DlgPreferences::accept()
{
    setPreferenceString(prefs, profilesDirectoryKey, ui->txtProfilesDirectory->text());
    prefs->SetBool(strictContextModeKey, ui->radioStrict->isChecked());
    prefs->Save(false);
    close();
}

void DlgPreferences::browseProfilesDirectory()
{
    const QString chosen = QFileDialog::getExistingDirectory(
        this, tr("Choose directory"), ui->txtProfilesDirectory->text(),
        QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (!chosen.isEmpty())
        ui->txtProfilesDirectory->setText(chosen);
}

void DlgPreferences::importBrowseProfiles()
{
    const QStringList chosen = QFileDialog::getOpenFileNames(
        this, tr("Select profile data files"), QString(), tr("XML files (*.xml);;All files (*)"));
    fileList->addFiles(chosen);
}

void DlgPreferences::importProfiles()
{
    tinyxml2::XMLDocument output(true, tinyxml2::PRESERVE_WHITESPACE);
    // Files are read like profile files: a FIFO, a device or a huge file is skipped, never
    // waited on.
    for (int i = 0; i < fileList->count(); ++i)
        mergeProfileFile(output, QFile::encodeName(fileList->item(i)->text()).toStdString());
    if (isImportableProfile(output)) {
        saveImportedProfile(output);
        return;
    }
    QMessageBox::critical(nullptr, tr("Failed to import profile"),
                          tr("Import failed. Data badly formatted"), QMessageBox::Ok);
}

void DlgPreferences::saveImportedProfile(tinyxml2::XMLDocument& document)
{
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Save file..."), ui->txtProfilesDirectory->text(), tr("XML files (*.xml)"));
    if (path.isEmpty())
        return;

    // Saved as the editor saves a profile: a failed write never leaves the chosen file half
    // overwritten, a file its user may not write is left alone, and nothing is written where a
    // link that leads nowhere points.
    tinyxml2::XMLPrinter printer(nullptr, false);
    document.Print(&printer);
    const std::string bytes(printer.CStr(), static_cast<std::size_t>(printer.CStrSize() - 1));
    int error = 0;
    const FileWrite written = replaceFile(QFile::encodeName(path).toStdString(), bytes, &error);
    if (written != FileWrite::Written) {
        // Merged files can together take more than a profile file may hold.
        QMessageBox box(QMessageBox::Critical, tr("Error"), tr("Failed to save file"),
                        QMessageBox::Ok);
        box.setInformativeText(
            notSavedText(QFileInfo(path).absoluteFilePath().toStdString(), written, error, bytes));
        // The path is shown as it is, never read as markup.
        for (QLabel* label : box.findChildren<QLabel*>())
            label->setTextFormat(Qt::PlainText);
        box.exec();
    }
    fileList->clearFiles();
}

void DlgPreferences::advancedExpandChanged(int state)
{
    const bool expanded = (state == Qt::Checked);
    if (expanded) {
        ui->grpProfilesAdvanced->show();
        setMaximumHeight(expandedMaximumHeight);
    } else {
        ui->grpProfilesAdvanced->hide();
    }

    const int noted = width();
    // Up to this dialog and no further: the window behind it keeps its size.
    for (QWidget* widget = ui->grpProfilesAdvanced; widget && widget != this;
         widget = widget->parentWidget()) {
        widget->adjustSize();
    }
    adjustSize();
    resize(noted, height());
    if (!expanded)
        setMaximumHeight(height());
}

void DlgPreferences::updateImportButtonText()
{
    const int count = fileList->count();
    ui->btnImport->setText(count < 2 ? tr("Import") : tr("Merge"));
    ui->btnImport->setEnabled(count >= 1);
}

void DlgPreferences::showWhatsThisContextMode()
{
    QWhatsThis::showText(mapToGlobal(whatsThisLabel->pos()), contextModeHelpText);
}
