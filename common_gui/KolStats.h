#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

class KolPreferences;

// Usage statistics as the kit sees them: something that can be switched on and off and that
// records events.
class KolStatsInterface
{
public:
    virtual ~KolStatsInterface() = default;

    virtual bool enable() = 0;
    virtual bool disable() = 0;
    virtual bool record(const std::string& category, const std::string& action,
                        std::int64_t value) = 0;
};

// A composite that forwards to the statistics back-ends it owns. Without back-ends it only
// answers; the user's choice itself lives in the preference store (see FeedbackDialog).
class KolStats : public KolStatsInterface
{
public:
    // name and version must not be null (std::logic_error otherwise); store and n do not change
    // the object.
    KolStats(const char* name, const char* version, KolPreferences* store, int n);
    ~KolStats() override;
    KolStats(const KolStats&) = delete;
    KolStats& operator=(const KolStats&) = delete;

    // Stops at the first back-end that refuses, in key order.
    bool enable() override;
    // Switches every back-end off; true.
    bool disable() override;
    // Hands the event to every back-end; true.
    bool record(const std::string& category, const std::string& action,
                std::int64_t value) override;

    // Takes ownership; a back-end already under key is replaced (and deleted).
    void addChild(std::uint64_t key, std::unique_ptr<KolStatsInterface> child);

    const std::string& name() const { return m_name; }
    const std::string& version() const { return m_version; }

private:
    std::string m_name;
    std::string m_version;
    std::map<std::uint64_t, std::unique_ptr<KolStatsInterface>> m_children;
};
