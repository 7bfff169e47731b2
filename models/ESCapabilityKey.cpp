#include "models/ESCapabilityKey.h"

#include <algorithm>

namespace {

using KeyNodes = std::vector<ESCapabilityKeyNode>;

ESCapabilityKeyNode node(std::uint64_t value, const char* xmlName, const char* displayName,
                         bool single = true, KeyNodes children = {})
{
    ESCapabilityKeyNode n;
    n.value = value;
    n.xmlName = ESCapabilityKey::XMLName(xmlName);
    n.displayName = ESCapabilityKey::DisplayName(displayName);
    n.single = single;
    n.children = std::move(children);
    return n;
}

// Both tables are built on first use: the limit table copies its children from the sub-key
// table, so the sub-keys must exist first whichever is asked for first. The references below
// force both before main.
const KeyNodes& subKeyTable()
{
    static const KeyNodes table{
        node(0, "min", "min", false),
        node(0, "max", "max", false),
        node(0, "width", "width", false),
        node(0, "height", "height", false),
    };
    return table;
}

const KeyNodes& keyTable()
{
    const KeyNodes& sub = subKeyTable();
    const KeyNodes range{sub[0], sub[1]};
    const KeyNodes dims{sub[2], sub[3]};
    static const KeyNodes table{
        node(0x846D, "aliased_point_size_range", "GL_ALIASED_POINT_SIZE_RANGE", true, range),
        node(0x846E, "aliased_line_width_range", "GL_ALIASED_LINE_WIDTH_RANGE", true, range),
        node(0x0D33, "max_texture_size", "GL_MAX_TEXTURE_SIZE"),
        node(0x8B4D, "max_combined_texture_image_units", "GL_MAX_COMBINED_TEXTURE_IMAGE_UNITS"),
        node(0x851C, "max_cube_map_texture_size", "GL_MAX_CUBE_MAP_TEXTURE_SIZE"),
        node(0x8DFD, "max_fragment_uniform_vectors", "GL_MAX_FRAGMENT_UNIFORM_VECTORS"),
        node(0x84E8, "max_renderbuffer_size", "GL_MAX_RENDERBUFFER_SIZE"),
        node(0x8DFC, "max_varying_vectors", "GL_MAX_VARYING_VECTORS"),
        node(0x8869, "max_vertex_attribs", "GL_MAX_VERTEX_ATTRIBS"),
        node(0x8DFB, "max_vertex_uniform_vectors", "GL_MAX_VERTEX_UNIFORM_VECTORS"),
        node(0x8B4C, "max_vertex_texture_image_units", "GL_MAX_VERTEX_TEXTURE_IMAGE_UNITS"),
        node(0x8DFA, "shader_compiler", "GL_SHADER_COMPILER"),
        node(0x0D3A, "max_viewport_dims", "GL_MAX_VIEWPORT_DIMS", true, dims),
        node(0x80A8, "sample_buffers", "GL_SAMPLE_BUFFERS"),
        node(0x80A9, "samples", "GL_SAMPLES"),
        node(0x0D50, "subpixel_bits", "GL_SUBPIXEL_BITS"),
        node(0x8DF8, "shader_binary_format", "GL_SHADER_BINARY_FORMATS", false),
        node(0x86A3, "compressed_texture_format", "GL_COMPRESSED_TEXTURE_FORMATS", false),
        node(0x8B9A, "implementation_color_read_type", "GL_IMPLEMENTATION_COLOR_READ_TYPE"),
        node(0x8B9B, "implementation_color_read_format", "GL_IMPLEMENTATION_COLOR_READ_FORMAT"),
        node(0x0B12, "smooth_point_size_range", "GL_SMOOTH_POINT_SIZE_RANGE", true, range),
        node(0x0B22, "smooth_line_width_range", "GL_SMOOTH_LINE_WIDTH_RANGE", true, range),
        node(0x0D31, "max_lights", "GL_MAX_LIGHTS"),
        node(0x0D32, "max_clip_planes", "GL_MAX_CLIP_PLANES"),
        node(0x0D36, "max_modelview_stack_depth", "GL_MAX_MODELVIEW_STACK_DEPTH"),
        node(0x0D38, "max_projection_stack_depth", "GL_MAX_PROJECTION_STACK_DEPTH"),
        node(0x0D39, "max_texture_stack_depth", "GL_MAX_TEXTURE_STACK_DEPTH"),
        node(0x84E2, "max_texture_units", "GL_MAX_TEXTURE_UNITS"),
    };
    return table;
}

[[maybe_unused]] const KeyNodes& ESCapabilitySubKeyTable = subKeyTable();
[[maybe_unused]] const KeyNodes& ESCapabilityKeyTable = keyTable();

template <typename Predicate> bool findFirst(Predicate matches, ESCapabilityKeyNode* out)
{
    for (const KeyNodes* table : {&subKeyTable(), &keyTable()}) {
        const auto it = std::find_if(table->begin(), table->end(), matches);
        if (it != table->end()) {
            *out = *it;
            return true;
        }
    }
    return false;
}

} // namespace

bool findKeyNode(const ESCapabilityKey::XMLName& name, ESCapabilityKeyNode* out)
{
    return findFirst([&name](const ESCapabilityKeyNode& n) { return n.xmlName == name; }, out);
}

bool findKeyNode(const ESCapabilityKey::DisplayName& name, ESCapabilityKeyNode* out)
{
    return findFirst([&name](const ESCapabilityKeyNode& n) { return n.displayName == name; }, out);
}

void forEachKeyNode(const std::function<void(const ESCapabilityKeyNode&)>& f)
{
    if (!f)
        throw std::bad_function_call();
    for (const ESCapabilityKeyNode& n : keyTable())
        f(n);
}

QStringList capabilityDisplayNames(const std::set<std::string>& xmlNames)
{
    QStringList names;
    for (const std::string& xmlName : xmlNames) {
        ESCapabilityKeyNode n;
        if (findKeyNode(ESCapabilityKey::XMLName(xmlName), &n))
            names.append(QString::fromUtf8(n.displayName.text.c_str()));
    }
    return names;
}

QStringList toQStringList(const std::set<std::string>& names)
{
    QStringList list;
    for (const std::string& name : names)
        list.append(QString::fromUtf8(name.c_str()));
    return list;
}
