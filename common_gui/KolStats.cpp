#include "common_gui/KolStats.h"

#include <stdexcept>

namespace {

std::string requireText(const char* text)
{
    if (!text)
        throw std::logic_error("basic_string: construction from null is not valid");
    return std::string(text);
}

} // namespace

KolStats::KolStats(const char* name, const char* version, KolPreferences* /*store*/, int /*n*/)
    : m_name(requireText(name)), m_version(requireText(version))
{}

KolStats::~KolStats()
{
    // Back-ends are switched off before any of them is deleted.
    disable();
}

bool KolStats::enable()
{
    for (auto& [key, child] : m_children) {
        if (!child->enable())
            return false;
    }
    return true;
}

bool KolStats::disable()
{
    for (auto& [key, child] : m_children)
        child->disable();
    return true;
}

bool KolStats::record(const std::string& category, const std::string& action, std::int64_t value)
{
    for (auto& [key, child] : m_children)
        child->record(category, action, value);
    return true;
}

void KolStats::addChild(std::uint64_t key, std::unique_ptr<KolStatsInterface> child)
{
    if (child)
        m_children[key] = std::move(child);
}
