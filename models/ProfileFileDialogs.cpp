#include "models/ProfileFileDialogs.h"

#include "models/ProfileData.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace {

// Gives the free functions below a translation context of their own.
struct ProfileFileTexts
{
    Q_DECLARE_TR_FUNCTIONS(ProfileFileDialogs)
};

// The name is joined to the profiles directory as it stands, so anything that would leave the
// directory or name the directory itself is not a file name.
bool isPlainFileName(const QString& name)
{
    return !name.contains(QLatin1Char('/')) && name != QLatin1String(".") &&
           name != QLatin1String("..");
}

bool confirmReplace(const QString& name)
{
    const QMessageBox::StandardButton answer = QMessageBox::question(
        QApplication::activeWindow(), ProfileFileTexts::tr("Choose a file name"),
        ProfileFileTexts::tr("A file named '%1' already exists. Do you want to replace it?")
            .arg(name),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return answer == QMessageBox::Yes;
}

} // namespace

std::string defaultFileName(const ProfileData& data)
{
    if (!data.fileName().empty())
        return data.fileName();
    const std::string name = data.displayName();
    if (QFileInfo(QString::fromStdString(name)).suffix() == QLatin1String("xml"))
        return name;
    return name + ".xml";
}

std::string askFileName(const ProfileData& data, const std::string& profilesDir)
{
    QString proposal = QString::fromStdString(defaultFileName(data));
    const QDir directory(QString::fromStdString(profilesDir));
    const QString ownName = QString::fromStdString(data.fileName());

    for (;;) {
        bool accepted = false;
        const QString name = QInputDialog::getText(
            QApplication::activeWindow(), ProfileFileTexts::tr("Choose a file name"),
            ProfileFileTexts::tr("File name:"), QLineEdit::Normal, proposal, &accepted);
        if (!accepted)
            return {};
        if (name.isEmpty())
            continue;
        proposal = name;
        if (!isPlainFileName(name)) {
            QMessageBox::warning(
                QApplication::activeWindow(), ProfileFileTexts::tr("Error"),
                ProfileFileTexts::tr("'%1' is not a valid file name: it must not contain '/' "
                                     "and must not be '.' or '..'.")
                    .arg(name));
            continue;
        }
        if (name != ownName && QFileInfo::exists(directory.absoluteFilePath(name)) &&
            !confirmReplace(name))
            continue;
        return name.toStdString();
    }
}

void showSaveFailure(const std::string& absolutePath, bool couldNotOpen)
{
    QMessageBox box;
    box.setText(ProfileFileTexts::tr("Failed to save file"));
    if (couldNotOpen)
        box.setInformativeText(ProfileFileTexts::tr("Could not open file '%1'")
                                   .arg(QString::fromStdString(absolutePath)));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}
