#include "monitor/SystemReport.h"

void SystemReport::setGLVersion(std::uint32_t id)
{
    glVersion = id;
}

void SystemReport::setHostExtension(std::int32_t id, bool supported)
{
    hostExtensions[id] = supported;
}

void SystemReport::addFeature(const std::string& name, bool supported)
{
    if (features.count(name) != 0)
        return;
    auto feature = std::make_shared<Feature>();
    feature->name = name;
    feature->supported = supported;
    features.emplace(name, std::move(feature));
}

void SystemReport::addRequirement(const std::string& name, std::uint32_t version,
                                  const std::vector<std::uint32_t>& extensionIds)
{
    const auto found = features.find(name);
    if (found == features.end() || !found->second)
        return;
    Requirement requirement{version, extensionIds};
    if (!m_listedAlternatives[name].insert(requirement).second)
        return;
    found->second->alternatives.push_back(std::move(requirement));
}

void SystemReport::addAPIFeature(std::int32_t level, const std::string& name)
{
    if (m_listedAPINames[level].insert(name).second)
        apiFeatures[level].push_back(name);
}

void SystemReport::addExtensionFeature(std::int32_t id, const std::string& name)
{
    if (m_listedExtensionNames[id].insert(name).second)
        extensionFeatures[id].push_back(name);
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
