#include "models/BuiltinProfiles.h"

namespace kolz::detail {
std::vector<std::string> builtinProfileTexts();
}

const std::vector<std::string> builtinProfiles = kolz::detail::builtinProfileTexts();
