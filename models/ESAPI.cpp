#include "models/ESAPI.h"

#include <algorithm>
#include <array>

namespace esapi {

namespace {

using APITable = std::array<API, 4>;

// Built on first use, and forced before main by the reference below (see EGLAttribKey.cpp).
const APITable& esApiVersionTable()
{
    static const APITable table{{
        {{1, 11}, "OpenGL ES 1.1"},
        {{2, 20}, "OpenGL ES 2.0"},
        {{3, 30}, "OpenGL ES 3.0"},
        {{31}, "OpenGL ES 3.1"},
    }};
    return table;
}

[[maybe_unused]] const APITable& EsApiVersionTable = esApiVersionTable();

template <typename Predicate> bool findFirst(Predicate matches, API* out)
{
    const auto& table = esApiVersionTable();
    const auto it = std::find_if(table.begin(), table.end(), matches);
    if (it == table.end())
        return false;
    *out = *it;
    return true;
}

} // namespace

bool API::operator<(const API& other) const
{
    // std::set compares lexicographically in ascending element order, which is exactly the
    // ordering wanted here (a proper prefix is the smaller set).
    if (ids != other.ids)
        return ids < other.ids;
    return name < other.name;
}

bool findAPI(const std::string& name, API* out)
{
    return findFirst([&name](const API& api) { return api.name == name; }, out);
}

bool findAPI(int id, API* out)
{
    return findFirst([id](const API& api) { return api.ids.contains(id); }, out);
}

void forEachAPI(const std::function<void(const API&)>& f)
{
    if (!f)
        throw std::bad_function_call();
    for (const API& api : esApiVersionTable())
        f(api);
}

} // namespace esapi
