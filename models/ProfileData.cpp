#include "models/ProfileData.h"

#include "models/ProfileFileDialogs.h"
#include "models/ProfileXml.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <tinyxml2.h>

#include <stdexcept>

namespace {

const char* const noProfileElement = " (No <profile> element was found)";

} // namespace

ProfileData ProfileData::fromFile(const std::string& path)
{
    const std::string failure = "Failed to load profile data from file: '" + path + "'";
    const QFileInfo info(QString::fromUtf8(path));
    // tinyxml2 sizes its buffer from the end offset of the stream, which a directory reports
    // as a huge number; only regular files are loaded.
    if (info.isDir())
        throw std::runtime_error(failure);

    tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
    if (document.LoadFile(path.c_str()) != tinyxml2::XML_SUCCESS)
        throw std::runtime_error(failure);

    ProfileData data;
    if (!readProfileDocument(document, data))
        throw std::runtime_error(failure + noProfileElement);
    data.m_fileName = info.fileName().toUtf8().toStdString();
    return data;
}

ProfileData ProfileData::fromXml(const std::string& xmlText)
{
    const std::string failure = "Failed to load profile data";
    tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
    // Without a length the text ends at its first NUL character.
    if (document.Parse(xmlText.c_str()) != tinyxml2::XML_SUCCESS)
        throw std::runtime_error(failure);

    ProfileData data;
    if (!readProfileDocument(document, data))
        throw std::runtime_error(failure + noProfileElement);
    return data;
}

std::string ProfileData::displayName() const
{
    if (!m_device.empty())
        return m_device;
    if (!m_renderer.empty())
        return "Generic " + m_renderer;
    if (!m_fileName.empty())
        return m_fileName;
    throw std::runtime_error("Profile has no name");
}

bool ProfileData::save(const std::string& profilesDir)
{
    if (m_fileName.empty()) {
        m_fileName = askFileName(*this, profilesDir);
        if (m_fileName.empty())
            return false;
    }

    const std::string bytes = printProfile(*this);
    const QString path =
        QDir(QString::fromUtf8(profilesDir)).absoluteFilePath(QString::fromUtf8(m_fileName));

    // The document goes to a temporary file that replaces the old one only once it is complete,
    // so a full disk or a failed write never leaves a truncated profile behind.
    // Unbuffered, so that a short write (file size limit, full disk) shows in write()'s result:
    // a buffered QSaveFile can lose it while flushing and still commit the truncated file.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        showSaveFailure(path.toUtf8().toStdString(), true);
        return false;
    }
    const auto size = static_cast<qint64>(bytes.size());
    if (file.write(bytes.data(), size) != size || !file.commit()) {
        showSaveFailure(path.toUtf8().toStdString(), false);
        return false;
    }
    return true;
}

bool ProfileData::saveAs(const std::string& profilesDir)
{
    // A cancelled prompt leaves the profile without a file name on purpose: the caller's copy
    // has not been written anywhere.
    m_fileName = askFileName(*this, profilesDir);
    if (m_fileName.empty())
        return false;
    return save(profilesDir);
}
