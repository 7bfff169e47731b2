#pragma once

#include <string>
#include <vector>

// The documents of the built-in profiles in their fixed order, filled before main runs.
extern const std::vector<std::string> builtinProfiles;
