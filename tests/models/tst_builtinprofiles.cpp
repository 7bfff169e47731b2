#include "support/TestEnvironment.h"

#include "models/BuiltinProfiles.h"
#include "models/ProfileDataWrapper.h"

#include "glvocab/Extensions.h"
#include "glvocab/Formats.h"

#include <tinyxml2.h>

#include <algorithm>
#include <set>

namespace {

using Strings = std::vector<std::string>;

// What each built-in document holds, in vector order.
struct Expected
{
    Strings texts; // order of the text elements
    std::vector<int> versions;
    std::vector<int> extensions; // per version
    std::vector<int> limits;     // per version
    int configs;
    bool prefixed; // extension names written with "GL_"
};

const std::vector<Expected> table = {
    {{"vendor", "renderer", "device"}, {1, 2}, {35, 29}, {25, 24}, 36, true},
    {{"vendor", "renderer", "device"}, {1, 2}, {36, 32}, {25, 26}, 33, true},
    {{"device", "vendor", "renderer"}, {1, 2, 3}, {38, 44, 44}, {25, 36, 83}, 28, true},
    {{"vendor", "renderer", "device"}, {1, 2}, {36, 30}, {25, 24}, 22, true},
    {{"device", "renderer", "vendor"}, {1, 2, 3}, {37, 50, 50}, {25, 36, 102}, 28, true},
    {{"vendor", "renderer", "device"}, {1, 2}, {35, 29}, {7, 12}, 33, false},
    {{"vendor", "device"}, {1, 2}, {35, 29}, {7, 12}, 36, false},
    {{"device", "vendor", "renderer"}, {1, 2}, {37, 32}, {25, 26}, 34, true},
    {{"device", "vendor", "renderer"}, {1, 2}, {37, 37}, {25, 26}, 22, true},
    {{"vendor", "renderer"}, {1, 3}, {36, 33}, {25, 81}, 22, true},
    {{"vendor", "renderer"}, {1, 2}, {36, 30}, {25, 24}, 10, true},
    {{"vendor", "renderer", "device"}, {1, 2}, {37, 36}, {25, 26}, 22, true},
    {{"vendor", "renderer", "device"}, {1, 2}, {36, 30}, {7, 12}, 10, false},
};

Strings repeated(const std::string& name, int times)
{
    return Strings(static_cast<std::size_t>(times), name);
}

Strings joined(std::initializer_list<Strings> parts)
{
    Strings all;
    for (const Strings& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

const Strings es1Full =
    joined({{"smooth_point_size_range", "smooth_line_width_range", "max_lights", "max_clip_planes",
             "max_modelview_stack_depth", "max_projection_stack_depth", "max_texture_stack_depth",
             "max_texture_units"},
            repeated("compressed_texture_format", 15),
            {"implementation_color_read_type", "implementation_color_read_format"}});

const Strings es1Short = {"smooth_point_size_range",
                          "smooth_line_width_range",
                          "max_lights",
                          "max_clip_planes",
                          "max_modelview_stack_depth",
                          "max_projection_stack_depth",
                          "implementation_color_read_type"};

const Strings es2Head = {"aliased_line_width_range",
                         "aliased_point_size_range",
                         "max_texture_size",
                         "max_combined_texture_image_units",
                         "max_cube_map_texture_size",
                         "max_fragment_uniform_vectors",
                         "max_renderbuffer_size",
                         "max_varying_vectors",
                         "max_vertex_attribs",
                         "max_vertex_uniform_vectors",
                         "max_vertex_texture_image_units",
                         "shader_compiler",
                         "max_viewport_dims",
                         "sample_buffers",
                         "samples",
                         "subpixel_bits",
                         "shader_binary_format"};

const Strings readType = {"implementation_color_read_type", "implementation_color_read_format"};

const Strings es2Short = joined(
    {{"aliased_point_size_range", "aliased_line_width_range"},
     repeated("compressed_texture_format", 5),
     {"max_texture_size", "max_viewport_dims", "sample_buffers", "samples", "subpixel_bits"}});

const Strings es3Middle = {"max_3d_texture_size",
                           "max_array_texture_layers",
                           "max_color_attachments",
                           "max_combined_fragment_uniform_components",
                           "max_combined_uniform_blocks",
                           "max_combined_vertex_uniform_components",
                           "max_draw_buffers",
                           "max_element_index",
                           "max_elements_indices",
                           "max_elements_vertices",
                           "max_fragment_input_components",
                           "max_fragment_uniform_blocks",
                           "max_fragment_uniform_components",
                           "max_program_texel_offset",
                           "max_samples",
                           "max_server_wait_timeout",
                           "max_texture_image_units",
                           "max_texture_lod_bias",
                           "max_texture_size",
                           "max_transform_feedback_interleaved_components",
                           "max_transform_feedback_separate_attribs",
                           "max_transform_feedback_separate_components",
                           "max_uniform_buffer_bindings",
                           "max_uniform_block_size",
                           "max_varying_components",
                           "max_vertex_output_components",
                           "max_vertex_uniform_blocks",
                           "max_vertex_uniform_components",
                           "min_program_texel_offset",
                           "uniform_buffer_offset_alignment",
                           "program_binary_format"};

// The limit sets a block of the given version and size may hold.
std::vector<Strings> allowedLimits(int version)
{
    std::vector<Strings> sets;
    if (version == 1)
        return {es1Full, es1Short};
    if (version == 2) {
        sets.push_back(es2Short);
        for (int formats : {5, 7, 17})
            sets.push_back(
                joined({es2Head, repeated("compressed_texture_format", formats), readType}));
        return sets;
    }
    for (int formats : {15, 17})
        for (int internals : {16, 35})
            sets.push_back(
                joined({es2Head, es3Middle, repeated("compressed_texture_format", formats),
                        readType, repeated("internal_format", internals)}));
    return sets;
}

Strings childNames(const tinyxml2::XMLElement* element)
{
    Strings names;
    for (auto* child = element->FirstChildElement(); child; child = child->NextSiblingElement())
        names.push_back(child->Name());
    return names;
}

Strings sortedCopy(Strings names)
{
    std::sort(names.begin(), names.end());
    return names;
}

// The attribute elements of one EGL configuration, with their allowed repeats, in order.
struct AttributeRun
{
    const char* name;
    int least;
    int most;
};
const std::vector<AttributeRun> eglOrder = {
    {"alpha_size", 1, 1},
    {"red_size", 1, 1},
    {"green_size", 1, 1},
    {"blue_size", 1, 1},
    {"depth_size", 1, 1},
    {"stencil_size", 1, 1},
    {"buffer_size", 1, 1},
    {"bind_to_texture_rgb", 0, 1},
    {"bind_to_texture_rgba", 1, 1},
    {"config_caveat", 1, 1},
    {"level", 1, 1},
    {"max_pbuffer", 1, 1},
    {"swap_interval", 1, 1},
    {"native_renderable", 1, 1},
    {"native_visual_type", 1, 1},
    {"renderable_type", 1, 2},
    {"conformant", 1, 2},
    {"sample_buffers", 1, 1},
    {"samples", 1, 1},
    {"surface_type", 1, 3},
    {"transparency", 1, 1},
};

QString checkConfig(const tinyxml2::XMLElement* config)
{
    const Strings names = childNames(config);
    if (names.size() < 21 || names.size() > 24)
        return QString("has %1 attributes").arg(names.size());
    std::size_t at = 0;
    for (const AttributeRun& run : eglOrder) {
        int count = 0;
        while (at < names.size() && names[at] == run.name) {
            ++at;
            ++count;
        }
        if (count < run.least || count > run.most)
            return QString("%1 occurs %2 times").arg(run.name).arg(count);
    }
    if (at != names.size())
        return QString("unexpected %1").arg(names[at].c_str());

    const auto children = [&](const char* name) {
        return childNames(config->FirstChildElement(name));
    };
    if (sortedCopy(children("max_pbuffer")) != Strings{"height", "pixels", "width"})
        return "max_pbuffer children";
    if (sortedCopy(children("swap_interval")) != Strings{"max", "min"})
        return "swap_interval children";
    if (children("transparency") != Strings{"type", "blue", "green", "red"})
        return "transparency children";
    return {};
}

} // namespace

class TestBuiltinProfiles : public QObject
{
    Q_OBJECT

private slots:
    void documentsFollowTheirTable_data();
    void documentsFollowTheirTable();
    void namesAreDistinctWithOneVendor();
    void extensionListsComeBackSorted();
    void namesAndFormatsComeFromTheVocabulary();
};

void TestBuiltinProfiles::documentsFollowTheirTable_data()
{
    QTest::addColumn<int>("index");
    QCOMPARE(builtinProfiles.size(), table.size());
    for (int i = 0; i < static_cast<int>(table.size()); ++i)
        QTest::addRow("document %d", i + 1) << i;
}

void TestBuiltinProfiles::documentsFollowTheirTable()
{
    QFETCH(int, index);
    const Expected& expected = table[static_cast<std::size_t>(index)];
    const std::string& text = builtinProfiles[static_cast<std::size_t>(index)];

    QVERIFY(text.size() >= 14404 && text.size() <= 60342);
    QVERIFY(text.rfind("<profile>", 0) == 0);
    QVERIFY(text.size() > 11 && text.compare(text.size() - 11, 11, "</profile>\n") == 0);
    QVERIFY(text.find("<!--") == std::string::npos);

    tinyxml2::XMLDocument document(true, tinyxml2::PRESERVE_WHITESPACE);
    QCOMPARE(document.Parse(text.c_str()), tinyxml2::XML_SUCCESS);
    const tinyxml2::XMLElement* root = document.RootElement();
    QCOMPARE(std::string(root->Name()), std::string("profile"));

    Strings texts;
    std::vector<int> versions;
    int eglBlocks = 0;
    for (auto* child = root->FirstChildElement(); child; child = child->NextSiblingElement()) {
        const std::string name = child->Name();
        if (name == "es") {
            versions.push_back(child->IntAttribute("version"));
            const int position = static_cast<int>(versions.size()) - 1;
            Strings extensions;
            Strings limits;
            for (auto* entry = child->FirstChildElement(); entry;
                 entry = entry->NextSiblingElement()) {
                if (std::string(entry->Name()) == "extension")
                    extensions.push_back(entry->GetText() ? entry->GetText() : "");
                else
                    limits.push_back(entry->Name());
            }
            QCOMPARE(static_cast<int>(extensions.size()), expected.extensions[position]);
            QCOMPARE(static_cast<int>(limits.size()), expected.limits[position]);
            QVERIFY2(extensions != sortedCopy(extensions), "extension list is sorted");
            QCOMPARE(std::set<std::string>(extensions.begin(), extensions.end()).size(),
                     extensions.size());
            for (const std::string& extension : extensions)
                QVERIFY2((extension.rfind("GL_", 0) == 0) == expected.prefixed, extension.c_str());
            const std::vector<Strings> allowed = allowedLimits(versions.back());
            QVERIFY2(std::find(allowed.begin(), allowed.end(), limits) != allowed.end(),
                     "limit elements out of order");
        } else if (name == "egl") {
            ++eglBlocks;
            int id = 0;
            for (auto* config = child->FirstChildElement(); config;
                 config = config->NextSiblingElement()) {
                QCOMPARE(std::string(config->Name()), std::string("config"));
                QCOMPARE(config->IntAttribute("id"), ++id);
                const QString problem = checkConfig(config);
                QVERIFY2(problem.isEmpty(),
                         qPrintable(QString("config %1: %2").arg(id).arg(problem)));
            }
            QCOMPARE(id, expected.configs);
        } else {
            texts.push_back(name);
        }
    }
    QCOMPARE(texts, expected.texts);
    QCOMPARE(versions, expected.versions);
    QCOMPARE(eglBlocks, 1);
}

void TestBuiltinProfiles::namesAreDistinctWithOneVendor()
{
    std::set<std::string> names;
    std::set<std::string> vendors;
    for (const std::string& text : builtinProfiles) {
        const ProfileDataWrapper profile = ProfileDataWrapper::fromXml(text, false);
        QVERIFY(!profile.isWritable());
        QVERIFY(profile.data()->fileName().empty());
        QCOMPARE(profile.identifier(), profile.data()->displayName());
        names.insert(profile.data()->displayName());
        vendors.insert(profile.data()->vendor());
    }
    QCOMPARE(names.size(), builtinProfiles.size());
    QCOMPARE(vendors.size(), std::size_t(1));
    QVERIFY(!vendors.begin()->empty());
}

void TestBuiltinProfiles::extensionListsComeBackSorted()
{
    for (const std::string& text : builtinProfiles) {
        const ProfileData data = ProfileData::fromXml(text);
        for (const auto& [version, names] : data.extensions) {
            QVERIFY(!names.empty());
            QCOMPARE(names, sortedCopy(names));
        }
    }
}

// Whether an OpenGL ES extension id belongs to the extension list of the given version.
static bool inVersionList(ESExtensionID id, int version)
{
    if (id >= 1 && id <= 49)
        return true;
    switch (version) {
    case 1:
        return id <= 69;
    case 2:
        return id >= 70 && id <= 103;
    default:
        return id >= 70 && id <= 115;
    }
}

static bool isFormatIn(const std::set<GLuint64>& formats, const std::string& value)
{
    bool ok = false;
    const qulonglong number = QString::fromStdString(value).toULongLong(&ok);
    return ok && formats.count(number) == 1;
}

void TestBuiltinProfiles::namesAndFormatsComeFromTheVocabulary()
{
    for (const std::string& text : builtinProfiles) {
        const ProfileData data = ProfileData::fromXml(text);
        for (const auto& [version, names] : data.extensions)
            for (const std::string& name : names) {
                const ESExtensionID id = esExtensionFromName(name.c_str());
                QVERIFY2(id != 0 && inVersionList(id, version), name.c_str());
            }
        for (const auto& [version, nodes] : data.capabilities)
            for (const ProfileNode& node : nodes) {
                if (node.name == "compressed_texture_format" ||
                    node.name == "implementation_color_read_format")
                    QVERIFY2(isFormatIn(knownImageFormats, node.value), node.value.c_str());
                else if (node.name == "shader_binary_format")
                    QVERIFY2(isFormatIn(knownShaderBinaryFormats, node.value), node.value.c_str());
            }
    }
}

KOLZ_TEST_MAIN_CORE(TestBuiltinProfiles)
#include "tst_builtinprofiles.moc"
