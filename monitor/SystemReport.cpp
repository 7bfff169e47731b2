#include "monitor/SystemReport.h"

namespace {

// What the containers allocate beside the bytes of the names and ids themselves: map and set
// nodes, shared-pointer control blocks, string and vector headers.
constexpr std::size_t nodeBytes = 64;
constexpr std::size_t featureBytes = sizeof(SystemReport::Feature) + 2 * nodeBytes;
constexpr std::size_t requirementBytes = sizeof(SystemReport::Requirement);

} // namespace

std::uint64_t SystemReport::s_lastRevision = 0;

void SystemReport::changed()
{
    m_revision = ++s_lastRevision;
}

void SystemReport::cutShort()
{
    if (!m_cutShort)
        changed();
    m_cutShort = true;
}

void SystemReport::setGLVersion(std::uint32_t id)
{
    if (glVersion != id)
        changed();
    glVersion = id;
}

bool SystemReport::makeRoom(std::size_t bytes)
{
    if (bytes > maxBytes - m_bytes) {
        cutShort();
        return false;
    }
    m_bytes += bytes;
    return true;
}

void SystemReport::setHostExtension(std::int32_t id, bool supported)
{
    const auto known = hostExtensions.find(id);
    if (known != hostExtensions.end()) {
        if (known->second != supported)
            changed();
        known->second = supported;
        return;
    }
    if (hostExtensions.size() >= maxKeys || !makeRoom(nodeBytes)) {
        cutShort();
        return;
    }
    hostExtensions.emplace(id, supported);
    changed();
}

void SystemReport::addFeature(const std::string& name, bool supported)
{
    if (features.count(name) != 0)
        return;
    // The name is held twice: as the key and inside the feature.
    if (features.size() >= maxFeatures || !makeRoom(featureBytes + 2 * name.size())) {
        cutShort();
        return;
    }
    auto feature = std::make_shared<Feature>();
    feature->name = name;
    feature->supported = supported;
    features.emplace(name, std::move(feature));
    changed();
}

void SystemReport::addRequirement(const std::string& name, std::uint32_t version,
                                  const std::vector<std::uint32_t>& extensionIds)
{
    const auto found = features.find(name);
    if (found == features.end() || !found->second)
        return;
    // Few alternatives per feature: a walk finds a repeat without keeping a second copy of each.
    std::vector<Requirement>& alternatives = found->second->alternatives;
    for (const Requirement& known : alternatives) {
        if (known.glVersion == version && known.extensionIds == extensionIds)
            return;
    }
    if (alternatives.size() >= maxAlternatives ||
        !makeRoom(requirementBytes + extensionIds.size() * sizeof(std::uint32_t))) {
        cutShort();
        return;
    }
    alternatives.push_back(Requirement{version, extensionIds});
    changed();
}

void SystemReport::addName(std::map<std::int32_t, NameList>& lists,
                           std::map<std::int32_t, std::set<std::string>>& listed, std::int32_t key,
                           const std::string& name)
{
    const auto names = listed.find(key);
    if (names != listed.end() && names->second.count(name) != 0)
        return;
    const bool newKey = names == listed.end();
    if (newKey && lists.size() >= maxKeys) {
        cutShort();
        return;
    }
    // The name is held twice: in the list, and in the set that finds repeats.
    const std::size_t keyBytes = newKey ? 2 * nodeBytes : 0;
    if (!makeRoom(keyBytes + 2 * (nodeBytes + name.size())))
        return;
    listed[key].insert(name);
    lists[key].push_back(name);
    changed();
}

void SystemReport::addAPIFeature(std::int32_t level, const std::string& name)
{
    addName(apiFeatures, m_listedAPINames, level, name);
}

void SystemReport::addExtensionFeature(std::int32_t id, const std::string& name)
{
    addName(extensionFeatures, m_listedExtensionNames, id, name);
}

SupportCheck SystemReport::checkAPISupport(std::int32_t level, const std::string& title) const
{
    return check(apiFeatures, level, title);
}

SupportCheck SystemReport::checkExtensionSupport(std::int32_t id, const std::string& title) const
{
    return check(extensionFeatures, id, title);
}

SupportCheck SystemReport::check(const std::map<std::int32_t, NameList>& lists, std::int32_t key,
                                 const std::string& title) const
{
    SupportCheck result{title, {}};
    const auto list = lists.find(key);
    if (list == lists.end())
        return result;
    for (const std::string& name : list->second) {
        const auto feature = features.find(name);
        if (feature == features.end() || !feature->second)
            continue;
        if (!feature->second->supported)
            result.missing.push_back(feature->second);
    }
    return result;
}
