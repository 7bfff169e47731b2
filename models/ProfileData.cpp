#include "models/ProfileData.h"

#include "models/ProfileFileDialogs.h"
#include "models/ProfileFiles.h"
#include "models/ProfileXml.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <tinyxml2.h>

#include <new>
#include <optional>
#include <stdexcept>

namespace {

const char* const noProfileElement = " (No <profile> element was found)";

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
bool refuseUnwritableRows(const ProfileData& data, const std::string& absolutePath)
{
    for (const auto& [version, nodes] : data.capabilities) {
        if (const auto name = firstUnwritableName(nodes)) {
            showUnwritableRow(absolutePath, *name, UnwritableRowPlace::Capabilities, version);
            return true;
        }
    }
    for (const auto& [id, nodes] : data.eglConfigs) {
        if (const auto name = firstUnwritableName(nodes)) {
            showUnwritableRow(absolutePath, *name, UnwritableRowPlace::EglConfiguration, id);
            return true;
        }
    }
    return false;
}

// Reads a document into a profile. Memory running out on the way is the document's fault as
// much as a syntax error is: the caller skips it as unreadable instead of ending the program.
template <typename Load> ProfileData readDocument(const std::string& failure, Load load)
{
    try {
        tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
        // A name too long for the editor's fields makes the profile as unreadable as bad XML.
        if (!load(document) || !headerTextsWithinBound(document))
            throw std::runtime_error(failure);
        ProfileData data;
        if (!readProfileDocument(document, data))
            throw std::runtime_error(failure + noProfileElement);
        return data;
    } catch (const std::bad_alloc&) {
        throw std::runtime_error(failure);
    }
}

} // namespace

ProfileData ProfileData::fromFile(const std::string& path)
{
    ProfileData data = readDocument(
        "Failed to load profile data from file: '" + path + "'",
        [&path](tinyxml2::XMLDocument& document) { return loadXmlFile(document, path); });
    data.m_fileName = QFileInfo(QString::fromUtf8(path)).fileName().toUtf8().toStdString();
    return data;
}

ProfileData ProfileData::fromXml(const std::string& xmlText)
{
    // Without a length the text ends at its first NUL character.
    return readDocument("Failed to load profile data", [&xmlText](tinyxml2::XMLDocument& document) {
        return document.Parse(xmlText.c_str()) == tinyxml2::XML_SUCCESS;
    });
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
    const QString path =
        QDir(QString::fromUtf8(profilesDir)).absoluteFilePath(QString::fromUtf8(m_fileName));
    const std::string absolutePath = path.toUtf8().toStdString();
    if (refuseUnwritableRows(*this, absolutePath))
        return false;

    // The old file is replaced only by a complete new one: a full disk or a failed write never
    // leaves a truncated profile behind.
    const std::string bytes = printProfile(*this);
    int error = 0;
    const FileWrite written = replaceFile(QFile::encodeName(path).toStdString(), bytes, &error);
    if (written == FileWrite::Written)
        return true;
    showSaveFailure(absolutePath, written, error, bytes);
    return false;
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
