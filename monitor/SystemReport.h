#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

struct SupportCheck;

// What the emulation layer found out about the host: its desktop OpenGL version and extensions,
// the emulator features and what each needs, and which features each OpenGL ES API level and
// extension relies on. Reports of every application merge into one of these.
class SystemReport
{
public:
    // One way in which a host can provide a feature: all of its conditions must hold.
    struct Requirement
    {
        std::uint32_t glVersion = 0;             // GLVersionID; shown only when above 1
        std::vector<std::uint32_t> extensionIds; // GLExtensionID, in the order sent

        auto operator<=>(const Requirement&) const = default;
    };

    struct Feature
    {
        std::string name;
        bool supported = false;
        std::vector<Requirement> alternatives; // any one of them suffices
    };

    using FeaturePtr = std::shared_ptr<Feature>;
    using NameList = std::vector<std::string>;

    // How much the merged report keeps. A real report names a few hundred features with a
    // handful of short alternatives each, some hundreds of host extensions and a few thousand
    // list entries in all, well under a megabyte; these bounds leave a wide margin for that while
    // a peer whose reports never repeat cannot make the report grow for the life of the program.
    static constexpr std::size_t maxFeatures = 4096;
    static constexpr std::size_t maxAlternatives = 64; // per feature
    static constexpr std::size_t maxKeys = 4096; // per map: host extensions, levels, extensions
    static constexpr std::size_t maxBytes = std::size_t(16) << 20; // as bytesHeld() counts

    // Past a bound, an entry that would add to the report is dropped and the report counts as
    // cut short; entries already known still merge as they always do.
    void setGLVersion(std::uint32_t id);
    void setHostExtension(std::int32_t id, bool supported);
    // A name reported before keeps its first flag.
    void addFeature(const std::string& name, bool supported);
    // Dropped when the feature was never reported, or when the same alternative is known already
    // (an application that reports again must not double what the report says).
    void addRequirement(const std::string& name, std::uint32_t glVersion,
                        const std::vector<std::uint32_t>& extensionIds);
    // A name already listed under the level or extension is not listed again.
    void addAPIFeature(std::int32_t level, const std::string& name);
    void addExtensionFeature(std::int32_t id, const std::string& name);

    // Whether something was dropped at a bound.
    bool isCutShort() const { return m_cutShort; }
    // Taken anew from one count for the whole program whenever the report changes, so that a
    // report announced again unchanged is known without reading it.
    std::uint64_t revision() const { return m_revision; }
    // What the kept entries take, names and ids with their bookkeeping, roughly as allocated.
    std::size_t bytesHeld() const { return m_bytes; }

    SupportCheck checkAPISupport(std::int32_t level, const std::string& title) const;
    SupportCheck checkExtensionSupport(std::int32_t id, const std::string& title) const;

    std::uint32_t glVersion = 0;
    std::map<std::int32_t, bool> hostExtensions;
    std::map<std::string, FeaturePtr> features;
    std::map<std::int32_t, NameList> apiFeatures;
    std::map<std::int32_t, NameList> extensionFeatures;

private:
    // What is listed already, so that repeats are found without walking ever longer lists.
    std::map<std::int32_t, std::set<std::string>> m_listedAPINames;
    std::map<std::int32_t, std::set<std::string>> m_listedExtensionNames;
    std::size_t m_bytes = 0;
    bool m_cutShort = false;
    std::uint64_t m_revision = 0;        // an empty report reads the same as any other empty one
    static std::uint64_t s_lastRevision; // the GUI thread's alone

    void changed();
    void cutShort();

    // Counts `bytes` as held when they fit; otherwise the report is cut short.
    bool makeRoom(std::size_t bytes);
    void addName(std::map<std::int32_t, NameList>& lists,
                 std::map<std::int32_t, std::set<std::string>>& listed, std::int32_t key,
                 const std::string& name);

    SupportCheck check(const std::map<std::int32_t, NameList>& lists, std::int32_t key,
                       const std::string& title) const;
};

// The unsupported features behind one API level or extension, as the report text lists them.
struct SupportCheck
{
    std::string title;
    std::vector<SystemReport::FeaturePtr> missing; // in the order the features are listed
};
