#pragma once

#include <functional>
#include <set>
#include <string>

namespace esapi {

// One OpenGL ES API level. Several <es version="..."> numbers may denote the same level; the
// smallest of them is the level's canonical number.
struct API
{
    std::set<int> ids;
    std::string name;

    // Orders by the version numbers first, then by name, so that a std::set of levels lists
    // them in table order.
    bool operator<(const API& other) const;
};

// The lookups copy the first matching level into *out and return true; on a miss they return
// false and leave *out exactly as it was.
bool findAPI(const std::string& name, API* out);
bool findAPI(int id, API* out);

// Calls f for each of the four levels in table order.
void forEachAPI(const std::function<void(const API&)>& f);

} // namespace esapi

using esapi::findAPI;
using esapi::forEachAPI;
