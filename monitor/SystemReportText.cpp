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

namespace {

// A text that stops taking lines once it has reached its limit, and remembers that it did.
class BoundedText
{
public:
    explicit BoundedText(std::size_t limit) : m_limit(limit) {}

    // Whether a further line fits; once one does not, none does.
    bool room()
    {
        if (text.size() >= m_limit)
            m_stopped = true;
        return !m_stopped;
    }
    bool stopped() const { return m_stopped; }

    std::string text;

private:
    std::size_t m_limit;
    bool m_stopped = false;
};

void appendMissingFeatures(BoundedText& out, const std::vector<SupportCheck>& checks)
{
    for (const SupportCheck& check : checks) {
        if (check.missing.empty())
            continue;
        if (!out.room())
            return;
        out.text += "Missing features required for " + check.title + ":\n";
        for (const SystemReport::FeaturePtr& feature : check.missing) {
            if (!feature || feature->alternatives.empty())
                continue;
            const auto& alternatives = feature->alternatives;
            if (!out.room())
                return;
            out.text += '\t' + withCapitalInitial(feature->name) + '\n';
            out.text += "\t\tRequires";
            if (alternatives.size() >= 2)
                out.text += " either";
            out.text += ": " + formatAlternative(alternatives.front());
            for (std::size_t i = 1; i < alternatives.size(); ++i) {
                if (!out.room())
                    return;
                out.text += "\t\tor: " + formatAlternative(alternatives[i]);
            }
            out.text += '\n';
        }
    }
}

} // namespace

std::string formatMissingFeatures(const std::vector<SupportCheck>& checks)
{
    BoundedText out(std::string::npos);
    appendMissingFeatures(out, checks);
    return out.text;
}

std::string formatSystemReport(const SystemReport& report, bool withHostExtensions)
{
    BoundedText out(systemReportTextLimit);
    out.text = "OpenGL Version: ";
    out.text += glVersionName(report.glVersion);
    out.text += "\n\n";

    // Each level builds on the ones before it, so once one lacks a feature all later ones do.
    std::vector<SupportCheck> checks;
    bool unsupported = false;
    for (const ApiLevelTitle& level : apiLevelTitles) {
        SupportCheck check = report.checkAPISupport(level.level, level.title);
        if (!check.missing.empty())
            unsupported = true;
        out.text += check.title + ": " + (unsupported ? "no" : "yes") + '\n';
        checks.push_back(std::move(check));
    }
    out.text += '\n';

    for (const auto& [id, names] : report.extensionFeatures) {
        (void)names;
        const std::string title =
            std::string(esExtensionName(static_cast<std::uint32_t>(id), false)) + " support";
        SupportCheck check = report.checkExtensionSupport(id, title);
        if (check.missing.empty())
            continue;
        if (!out.room())
            break;
        out.text += check.title + ": no\n";
        checks.push_back(std::move(check));
    }
    out.text += '\n';

    appendMissingFeatures(out, checks);

    if (withHostExtensions && out.room()) {
        out.text += "Supported OpenGL Extensions:\n";
        for (const auto& [id, supported] : report.hostExtensions) {
            if (supported) {
                if (!out.room())
                    break;
                out.text += '\t';
                out.text += glExtensionName(static_cast<std::uint32_t>(id));
                out.text += '\n';
            }
        }
    }
    // Said once, first, where it is seen before anything that may be missing.
    if (report.isCutShort() || out.stopped())
        return systemReportCutShortNotice + std::string("\n\n") + out.text;
    return std::move(out.text);
}
