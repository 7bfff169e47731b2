#include "monitor/SystemReportText.h"

#include "glvocab/Extensions.h"
#include "glvocab/Versions.h"

#include <array>

namespace {

struct ApiLevelTitle
{
    std::int32_t level;
    const char* title;
};

// Level 1 is deliberately absent: it is stored but never shown.
constexpr std::array<ApiLevelTitle, 5> apiLevelTitles{{
    {0, "OpenGL ES base support"},
    {2, "OpenGL ES 2.0 core support"},
    {3, "OpenGL ES 3.0 core support"},
    {4, "OpenGL ES 3.1 core support"},
    {5, "OpenGL ES 3.2 core support"},
}};

// Feature names are UTF-8 and their first byte may start a multi-byte sequence, so only ASCII
// letters are changed, the same whatever the locale.
std::string withCapitalInitial(std::string name)
{
    if (!name.empty() && name[0] >= 'a' && name[0] <= 'z')
        name[0] = static_cast<char>(name[0] - 'a' + 'A');
    return name;
}

} // namespace

std::string joinExtensionNames(const std::vector<std::uint32_t>& extensionIds)
{
    std::string text;
    for (std::size_t i = 0; i < extensionIds.size(); ++i) {
        if (i != 0)
            text += ", ";
        text += glExtensionName(extensionIds[i]);
    }
    return text;
}

std::string formatAlternative(const SystemReport::Requirement& requirement)
{
    std::string text;
    // Version ids 0 (not queried) and 1 (OpenGL 1.0) impose nothing worth showing.
    if (static_cast<std::int32_t>(requirement.glVersion) > 1) {
        text += "OpenGL ";
        text += glVersionName(requirement.glVersion);
        if (!requirement.extensionIds.empty())
            text += " + ";
    }
    if (!requirement.extensionIds.empty())
        text += joinExtensionNames(requirement.extensionIds);
    text += '\n';
    return text;
}

std::string formatMissingFeatures(const std::vector<SupportCheck>& checks)
{
    std::string text;
    for (const SupportCheck& check : checks) {
        if (check.missing.empty())
            continue;
        text += "Missing features required for " + check.title + ":\n";
        for (const SystemReport::FeaturePtr& feature : check.missing) {
            if (!feature || feature->alternatives.empty())
                continue;
            const auto& alternatives = feature->alternatives;
            text += '\t' + withCapitalInitial(feature->name) + '\n';
            text += "\t\tRequires";
            if (alternatives.size() >= 2)
                text += " either";
            text += ": " + formatAlternative(alternatives.front());
            for (std::size_t i = 1; i < alternatives.size(); ++i)
                text += "\t\tor: " + formatAlternative(alternatives[i]);
            text += '\n';
        }
    }
    return text;
}

std::string formatSystemReport(const SystemReport& report, bool withHostExtensions)
{
    std::string text = "OpenGL Version: ";
    text += glVersionName(report.glVersion);
    text += "\n\n";

    // Each level builds on the ones before it, so once one lacks a feature all later ones do.
    std::vector<SupportCheck> checks;
    bool unsupported = false;
    for (const ApiLevelTitle& level : apiLevelTitles) {
        SupportCheck check = report.checkAPISupport(level.level, level.title);
        if (!check.missing.empty())
            unsupported = true;
        text += check.title + ": " + (unsupported ? "no" : "yes") + '\n';
        checks.push_back(std::move(check));
    }
    text += '\n';

    for (const auto& [id, names] : report.extensionFeatures) {
        (void)names;
        const std::string title =
            std::string(esExtensionName(static_cast<std::uint32_t>(id), false)) + " support";
        SupportCheck check = report.checkExtensionSupport(id, title);
        if (check.missing.empty())
            continue;
        text += check.title + ": no\n";
        checks.push_back(std::move(check));
    }
    text += '\n';

    text += formatMissingFeatures(checks);

    if (withHostExtensions) {
        text += "Supported OpenGL Extensions:\n";
        for (const auto& [id, supported] : report.hostExtensions) {
            if (supported) {
                text += '\t';
                text += glExtensionName(static_cast<std::uint32_t>(id));
                text += '\n';
            }
        }
    }
    return text;
}
