#pragma once

#include "monitor/SystemReport.h"

#include <cstdint>
#include <string>
#include <vector>

// The plain text of the "System Report" tab, UTF-8 with "\n" line ends, made anew from the
// whole report each time.
std::string formatSystemReport(const SystemReport& report, bool withHostExtensions);
std::string formatMissingFeatures(const std::vector<SupportCheck>& checks);
// One alternative, ended by a line end.
std::string formatAlternative(const SystemReport::Requirement& requirement);
std::string joinExtensionNames(const std::vector<std::uint32_t>& extensionIds);
