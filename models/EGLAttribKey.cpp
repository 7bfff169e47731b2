#include "models/EGLAttribKey.h"

#include <algorithm>
#include <vector>

namespace {

EGLAttribKey key(int value, std::deque<std::string> path, const char* name, bool single = true)
{
    EGLAttribKey k;
    k.value = value;
    k.xmlPath = std::move(path);
    k.displayName = EGLAttribKey::DisplayName(name);
    k.single = single;
    return k;
}

// Built on first use so that a caller in another translation unit's static initialiser still
// finds the table complete; the reference below forces it to exist before main in any case.
const std::vector<EGLAttribKey>& eglAttribKeyTable()
{
    static const std::vector<EGLAttribKey> table{
        key(0x3021, {"alpha_size"}, "EGL_ALPHA_SIZE"),
        key(0x3024, {"red_size"}, "EGL_RED_SIZE"),
        key(0x3023, {"green_size"}, "EGL_GREEN_SIZE"),
        key(0x3022, {"blue_size"}, "EGL_BLUE_SIZE"),
        key(0x3025, {"depth_size"}, "EGL_DEPTH_SIZE"),
        key(0x3026, {"stencil_size"}, "EGL_STENCIL_SIZE"),
        key(0x3020, {"buffer_size"}, "EGL_BUFFER_SIZE"),
        key(0x3039, {"bind_to_texture_rgb"}, "EGL_BIND_TO_TEXTURE_RGB"),
        key(0x303A, {"bind_to_texture_rgba"}, "EGL_BIND_TO_TEXTURE_RGBA"),
        key(0x3027, {"config_caveat"}, "EGL_CONFIG_CAVEAT"),
        key(0x3029, {"level"}, "EGL_LEVEL"),
        key(0x302C, {"max_pbuffer", "width"}, "EGL_MAX_PBUFFER_WIDTH"),
        key(0x302A, {"max_pbuffer", "height"}, "EGL_MAX_PBUFFER_HEIGHT"),
        key(0x302B, {"max_pbuffer", "pixels"}, "EGL_MAX_PBUFFER_PIXELS"),
        key(0x303C, {"swap_interval", "max"}, "EGL_MAX_SWAP_INTERVAL"),
        key(0x303B, {"swap_interval", "min"}, "EGL_MIN_SWAP_INTERVAL"),
        key(0x302D, {"native_renderable"}, "EGL_NATIVE_RENDERABLE"),
        key(0x302F, {"native_visual_type"}, "EGL_NATIVE_VISUAL_TYPE"),
        key(0x3040, {"renderable_type"}, "EGL_RENDERABLE_TYPE", false),
        key(0x3042, {"conformant"}, "EGL_CONFORMANT"),
        key(0x3032, {"sample_buffers"}, "EGL_SAMPLE_BUFFERS"),
        key(0x3031, {"samples"}, "EGL_SAMPLES"),
        key(0x3033, {"surface_type"}, "EGL_SURFACE_TYPE", false),
        key(0x3034, {"transparency", "type"}, "EGL_TRANSPARENT_TYPE"),
        key(0x3035, {"transparency", "blue"}, "EGL_TRANSPARENT_BLUE"),
        key(0x3036, {"transparency", "green"}, "EGL_TRANSPARENT_GREEN"),
        key(0x3037, {"transparency", "red"}, "EGL_TRANSPARENT_RED"),
    };
    return table;
}

[[maybe_unused]] const std::vector<EGLAttribKey>& EGLAttribKeyTable = eglAttribKeyTable();

template <typename Predicate> bool findFirst(Predicate matches, EGLAttribKey* out)
{
    const auto& table = eglAttribKeyTable();
    const auto it = std::find_if(table.begin(), table.end(), matches);
    if (it == table.end())
        return false;
    *out = *it;
    return true;
}

} // namespace

bool findEGLAttribKey(int value, EGLAttribKey* out)
{
    return findFirst([value](const EGLAttribKey& k) { return k.value == value; }, out);
}

bool findEGLAttribKey(const EGLAttribKey::DisplayName& name, EGLAttribKey* out)
{
    return findFirst([&name](const EGLAttribKey& k) { return k.displayName == name; }, out);
}

bool findEGLAttribKey(const std::deque<std::string>& path, EGLAttribKey* out)
{
    return findFirst([&path](const EGLAttribKey& k) { return k.xmlPath == path; }, out);
}

void forEachEGLAttribKey(const std::function<void(const EGLAttribKey&)>& f)
{
    if (!f)
        throw std::bad_function_call();
    for (const EGLAttribKey& k : eglAttribKeyTable())
        f(k);
}

QStringList eglAttribDisplayNames(const std::set<int>& values)
{
    QStringList names;
    for (int value : values) {
        EGLAttribKey k;
        if (findEGLAttribKey(value, &k))
            names.append(QString::fromUtf8(k.displayName.text.c_str()));
    }
    return names;
}
