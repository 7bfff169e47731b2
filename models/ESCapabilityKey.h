#pragma once

#include <QStringList>

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

// The two names of an OpenGL ES implementation limit are types of their own, so that each
// lookup takes exactly one kind of name.
namespace ESCapabilityKey {

struct XMLName
{
    std::string text;

    XMLName() = default;
    explicit XMLName(std::string name) : text(std::move(name)) {}
    bool operator==(const XMLName&) const = default;
};

struct DisplayName
{
    std::string text;

    DisplayName() = default;
    explicit DisplayName(std::string name) : text(std::move(name)) {}
    bool operator==(const DisplayName&) const = default;
};

} // namespace ESCapabilityKey

// One known limit (or one of the sub-keys min, max, width, height that two-valued limits use
// as children). `value` is the GL enum of the limit, 0 for a sub-key.
struct ESCapabilityKeyNode
{
    std::uint64_t value = 0;
    ESCapabilityKey::XMLName xmlName;
    ESCapabilityKey::DisplayName displayName;
    // False for format lists, which an <es> block repeats once per format.
    bool single = true;
    std::vector<ESCapabilityKeyNode> children;
};

// The lookups search the four sub-keys first, then the 28 limits, and copy the first match
// (children included) into *out; on a miss they return false and leave *out untouched.
bool findKeyNode(const ESCapabilityKey::XMLName& name, ESCapabilityKeyNode* out);
bool findKeyNode(const ESCapabilityKey::DisplayName& name, ESCapabilityKeyNode* out);

// Calls f for each of the 28 limits in table order; sub-keys are not visited.
void forEachKeyNode(const std::function<void(const ESCapabilityKeyNode&)>& f);

// Display names of the known XML names among `xmlNames`, in the set's order.
QStringList capabilityDisplayNames(const std::set<std::string>& xmlNames);

// The names themselves, in the set's order.
QStringList toQStringList(const std::set<std::string>& names);
