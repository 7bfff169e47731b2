#pragma once

#include <QStringList>

#include <deque>
#include <functional>
#include <set>
#include <string>

// One EGL configuration attribute that profiles know: its EGL registry value, the element
// path under a <config> element that holds its value, and the token name shown to the user.
struct EGLAttribKey
{
    // A display name is a type of its own so that the lookup by name cannot be confused with
    // the lookup by a single-element path or by an arbitrary text.
    struct DisplayName
    {
        std::string text;

        DisplayName() = default;
        explicit DisplayName(std::string name) : text(std::move(name)) {}
        bool operator==(const DisplayName&) const = default;
    };

    int value = 0;
    std::deque<std::string> xmlPath;
    DisplayName displayName;
    // False for bit-mask attributes, which a configuration repeats once per bit name.
    bool single = true;
};

// The lookups copy the first matching table entry into *out and return true; on a miss they
// return false and leave *out exactly as it was.
bool findEGLAttribKey(int value, EGLAttribKey* out);
bool findEGLAttribKey(const EGLAttribKey::DisplayName& name, EGLAttribKey* out);
bool findEGLAttribKey(const std::deque<std::string>& path, EGLAttribKey* out);

// Calls f for each of the 27 known attributes in table order.
void forEachEGLAttribKey(const std::function<void(const EGLAttribKey&)>& f);

// Display names of the known values among `values`, in ascending order of value.
QStringList eglAttribDisplayNames(const std::set<int>& values);
