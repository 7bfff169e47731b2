#include "models/ProfileFileDialogs.h"

#include "models/ProfileData.h"
#include "models/ProfileFiles.h"
#include "prefs/XmlShape.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>

#include <sys/stat.h>

#include <climits>
#include <cstring>

namespace {

// Gives the free functions below a translation context of their own.
struct ProfileFileTexts
{
    Q_DECLARE_TR_FUNCTIONS(ProfileFileDialogs)
};

QString invalidFileNameText(const QString& name)
{
    return ProfileFileTexts::tr("'%1' is not a valid file name: it must not contain '/' "
                                "and must not be '.' or '..'.")
        .arg(name);
}

QString hiddenFileNameText(const QString& name)
{
    return ProfileFileTexts::tr("'%1' is not a valid file name: a name beginning with '.' is a "
                                "hidden file, and hidden files are not listed among the profiles.")
        .arg(name);
}

QString tooLongFileNameText(const QString& name)
{
    return ProfileFileTexts::tr("'%1' is not a valid file name: it is longer than %2 bytes.")
        .arg(name)
        .arg(NAME_MAX);
}

// Every text of these boxes is shown as it is: names come from files and the user, and a name
// such as "<img src=...>" read as rich text would make the box load whatever it points to.
void plainTextLabels(QMessageBox& box)
{
    box.setTextFormat(Qt::PlainText);
    for (QLabel* label : box.findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
}

QMessageBox::StandardButton ask(QMessageBox::Icon icon, const QString& title, const QString& text,
                                QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton byDefault)
{
    QMessageBox box(icon, title, QString(), buttons, QApplication::activeWindow());
    plainTextLabels(box);
    box.setText(text);
    box.setDefaultButton(byDefault);
    return QMessageBox::StandardButton(box.exec());
}

// What the box says under "Failed to save file": the file, then why it was not written.
QString notWrittenText(const std::string& absolutePath, const QString& reason)
{
    return ProfileFileTexts::tr("Could not write file '%1': %2")
        .arg(QString::fromStdString(absolutePath), reason);
}

void showFailureBox(const QString& informativeText)
{
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Ok);
    // The informative label only exists once it has a text: it gets a harmless one first.
    box.setInformativeText(QStringLiteral(" "));
    plainTextLabels(box);
    box.setText(ProfileFileTexts::tr("Failed to save file"));
    box.setInformativeText(informativeText);
    box.exec();
}

} // namespace

bool confirmReplace(const QString& name)
{
    return ask(QMessageBox::Question, ProfileFileTexts::tr("Choose a file name"),
               ProfileFileTexts::tr("A file named '%1' already exists. Do you want to replace it?")
                   .arg(name),
               QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

namespace {

// Asks for a file name in a prompt wide enough for its title (beside the window manager's
// buttons) and for the whole proposed name, up to most of the screen's width.
QString promptFileName(const QString& proposal, bool* accepted)
{
    QInputDialog prompt(QApplication::activeWindow());
    prompt.setInputMode(QInputDialog::TextInput);
    prompt.setWindowTitle(ProfileFileTexts::tr("Choose a file name"));
    prompt.setLabelText(ProfileFileTexts::tr("File name:"));
    prompt.setTextValue(proposal);

    const QFontMetrics metrics(prompt.font());
    int width = metrics.horizontalAdvance(prompt.windowTitle()) * 3 / 2 + 120;
    if (auto* field = prompt.findChild<QLineEdit*>()) {
        // The line edit's own margins, two pixels a side and the cursor, around the name.
        const QMargins margins = field->textMargins() + field->contentsMargins();
        QStyleOptionFrame option;
        option.initFrom(field);
        option.lineWidth =
            field->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, field);
        const QSize text(QFontMetrics(field->font()).horizontalAdvance(proposal) + 5 +
                             margins.left() + margins.right(),
                         field->sizeHint().height());
        const QMargins outer =
            prompt.layout() ? prompt.layout()->contentsMargins() : QMargins(11, 11, 11, 11);
        width = std::max(
            width,
            field->style()->sizeFromContents(QStyle::CT_LineEdit, &option, text, field).width() +
                outer.left() + outer.right());
    }
    if (const QScreen* screen = prompt.screen())
        width = std::min(width, screen->availableGeometry().width() * 4 / 5);
    prompt.resize(std::max(width, prompt.sizeHint().width()), prompt.sizeHint().height());
    *accepted = prompt.exec() == QDialog::Accepted;
    return prompt.textValue();
}

} // namespace

// A link that leads nowhere does not "exist" for QFileInfo, yet saving under its name would
// write wherever it points: any directory entry makes the name taken.
bool isNameTaken(const QString& profilesDir, const QString& name)
{
    struct stat entry
    {
    };
    const QByteArray path = QFile::encodeName(QDir(profilesDir).absoluteFilePath(name));
    return ::lstat(path.constData(), &entry) == 0;
}

// The name is joined to the profiles directory as it stands, so anything that would leave the
// directory or name the directory itself is not a file name.
bool isPlainFileName(const QString& name)
{
    return !name.contains(QLatin1Char('/')) && name != QLatin1String(".") &&
           name != QLatin1String("..");
}

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
        const QString name = promptFileName(proposal, &accepted);
        if (!accepted)
            return {};
        if (name.isEmpty())
            continue;
        proposal = name;
        if (!isPlainFileName(name)) {
            ask(QMessageBox::Warning, ProfileFileTexts::tr("Error"), invalidFileNameText(name),
                QMessageBox::Ok, QMessageBox::Ok);
            continue;
        }
        // The system refuses longer names; told now, the user can still shorten it.
        if (name.toUtf8().size() > NAME_MAX) {
            ask(QMessageBox::Warning, ProfileFileTexts::tr("Error"), tooLongFileNameText(name),
                QMessageBox::Ok, QMessageBox::Ok);
            continue;
        }
        // Written, it would never show in the profile selector: the profile would seem lost.
        if (name.startsWith(QLatin1Char('.'))) {
            ask(QMessageBox::Warning, ProfileFileTexts::tr("Error"), hiddenFileNameText(name),
                QMessageBox::Ok, QMessageBox::Ok);
            continue;
        }
        if (name != ownName && isNameTaken(directory.path(), name) && !confirmReplace(name))
            continue;
        return name.toStdString();
    }
}

QString unreadableProfileText(const std::string& bytes)
{
    if (std::int64_t(bytes.size()) > maxProfileFileSize)
        return ProfileFileTexts::tr("Written out, the profile would take %L1 bytes, more than the "
                                    "%L2 bytes a profile file may hold, and could not be read "
                                    "back. Nothing was written.")
            .arg(qulonglong(bytes.size()))
            .arg(maxProfileFileSize);
    return ProfileFileTexts::tr("Written out, the profile would nest elements more than %1 levels "
                                "deep or give one more than %2 attributes, and could not be read "
                                "back. Nothing was written.")
        .arg(maxXmlElementDepth)
        .arg(maxXmlAttributesPerElement);
}

QString notSavedText(const std::string& absolutePath, FileWrite outcome, int error,
                     const std::string& bytes)
{
    if (outcome == FileWrite::Unreadable)
        return notWrittenText(absolutePath, unreadableProfileText(bytes));
    const QString reason = QString::fromLocal8Bit(std::strerror(error));
    if (outcome == FileWrite::CouldNotOpen)
        return ProfileFileTexts::tr("Could not open file '%1': %2")
            .arg(QString::fromStdString(absolutePath), reason);
    return notWrittenText(absolutePath, reason);
}

void showSaveFailure(const std::string& absolutePath, FileWrite outcome, int error,
                     const std::string& bytes)
{
    showFailureBox(notSavedText(absolutePath, outcome, error, bytes));
}

void showInvalidFileName(const std::string& fileName)
{
    showFailureBox(invalidFileNameText(QString::fromStdString(fileName)));
}

void showUnwritableRow(const std::string& absolutePath, const std::string& row,
                       UnwritableRowPlace place, int key)
{
    const QString where = place == UnwritableRowPlace::Capabilities
                              ? ProfileFileTexts::tr("OpenGL ES version %1").arg(key)
                              : ProfileFileTexts::tr("EGL configuration %1").arg(key);
    showFailureBox(notWrittenText(
        absolutePath, ProfileFileTexts::tr("The row '%1' of %2 cannot be saved: a name must "
                                           "begin with a letter or '_' and hold only letters, "
                                           "digits, '_', '-', '.' and ':'.")
                          .arg(QString::fromStdString(row), where)));
}
