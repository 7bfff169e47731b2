#pragma once

#include "models/ProfileNode.h"

#include <map>
#include <string>
#include <vector>

namespace models {
class Profile;
}

// The longest device, renderer or vendor text, counted as the editor's fields count (UTF-16
// units). Real names are a few dozen characters; a name of a megabyte costs the window seconds
// and gigabytes to lay out. A profile with a longer text is unreadable, and the fields take no
// more, so that what the editor saves is read back whole.
constexpr int maxHeaderTextLength = 1024;

// One device profile: its identifying texts, per OpenGL ES version its extensions and limit
// nodes, and per EGL configuration id its attribute nodes.
class ProfileData
{
public:
    ProfileData() = default;

    // Both throw std::runtime_error when the document cannot be read or has no <profile>.
    static ProfileData fromFile(const std::string& path);
    static ProfileData fromXml(const std::string& xmlText);

    // The device text, else "Generic " + renderer, else the file name; throws
    // std::runtime_error("Profile has no name") when all three are empty.
    std::string displayName() const;

    std::string fileName() const { return m_fileName; }
    const std::string& device() const { return m_device; }
    const std::string& renderer() const { return m_renderer; }
    const std::string& vendor() const { return m_vendor; }

    void setFileName(const std::string& fileName) { m_fileName = fileName; }
    void setDevice(const std::string& device) { m_device = device; }
    void setRenderer(const std::string& renderer) { m_renderer = renderer; }
    void setVendor(const std::string& vendor) { m_vendor = vendor; }

    // Write the profile into profilesDir, prompting for a file name when none is set (save) or
    // always (saveAs). Failures are shown to the user; true only when the file was written. A
    // set file name that would leave the directory ('/', "." or "..") and a limit or attribute
    // whose name cannot be an XML element name refuse the save rather than write a file that
    // lacks them.
    bool save(const std::string& profilesDir);
    bool saveAs(const std::string& profilesDir);

    // Replaces the three maps with what the profile's tree models hold.
    void updateFromModels(const models::Profile& profile);

    bool operator==(const ProfileData&) const = default;

    // Key: OpenGL ES version; limit and format nodes in document order.
    std::map<int, std::vector<ProfileNode>> capabilities;
    // Key: OpenGL ES version; extension names, sorted after a load.
    std::map<int, std::vector<std::string>> extensions;
    // Key: EGL configuration id; attribute nodes in document order.
    std::map<int, std::vector<ProfileNode>> eglConfigs;

private:
    std::string m_fileName;
    std::string m_device;
    std::string m_renderer;
    std::string m_vendor;
};
