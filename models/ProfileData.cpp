#include "models/ProfileData.h"

#include "models/ProfileFileDialogs.h"
#include "models/ProfileXml.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <tinyxml2.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>

namespace {

const char* const noProfileElement = " (No <profile> element was found)";

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

// Opens the file without waiting on it, and only when it is a regular file: a FIFO or a device
// in the profiles directory would otherwise hang the listing, and a directory reports a huge
// size that tinyxml2 would try to allocate.
File openRegularFile(const std::string& path)
{
    File none(nullptr, &std::fclose);
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return none;
    struct stat info
    {
    };
    const int flags = ::fcntl(fd, F_GETFL);
    std::FILE* fp = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && flags >= 0 &&
                            ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0
                        ? ::fdopen(fd, "rb")
                        : nullptr;
    if (!fp) {
        ::close(fd);
        return none;
    }
    return File(fp, &std::fclose);
}

// The path of the first node whose name cannot be written as an element name, if any. A row
// added in the editor and never named is the usual case, so it gets a readable stand-in.
std::optional<std::string> firstUnwritableName(const std::vector<ProfileNode>& nodes)
{
    for (const ProfileNode& node : nodes) {
        if (!isValidElementName(node.name))
            return node.name.empty() ? std::string("(no name)") : node.name;
        if (const auto inner = firstUnwritableName(node.children))
            return node.name + "/" + *inner;
    }
    return std::nullopt;
}

// The writer would leave such a row out of the file, and the save would report success for a
// file that lost it: the save is refused instead, naming the row.
bool refuseUnwritableRows(const ProfileData& data)
{
    for (const auto& [version, nodes] : data.capabilities) {
        if (const auto name = firstUnwritableName(nodes)) {
            showUnwritableRow(*name, UnwritableRowPlace::Capabilities, version);
            return true;
        }
    }
    for (const auto& [id, nodes] : data.eglConfigs) {
        if (const auto name = firstUnwritableName(nodes)) {
            showUnwritableRow(*name, UnwritableRowPlace::EglConfiguration, id);
            return true;
        }
    }
    return false;
}

} // namespace

ProfileData ProfileData::fromFile(const std::string& path)
{
    const std::string failure = "Failed to load profile data from file: '" + path + "'";
    const QFileInfo info(QString::fromUtf8(path));
    const File file = openRegularFile(path);
    tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
    if (!file || document.LoadFile(file.get()) != tinyxml2::XML_SUCCESS)
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
    // A name set by a caller gets the prompt's rules: it must name a file in the directory.
    if (!isPlainFileName(QString::fromUtf8(m_fileName))) {
        showInvalidFileName(m_fileName);
        return false;
    }
    if (refuseUnwritableRows(*this))
        return false;

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
