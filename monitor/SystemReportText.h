#pragma once

#include "monitor/SystemReport.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Where the text stops growing: a real report reads some tens of kilobytes. The text may pass
// this by the one line that reached it.
inline constexpr std::size_t systemReportTextLimit = std::size_t(512) << 10;

// The first line of a report that was cut short, at a bound of the report or of its text.
inline constexpr const char* systemReportCutShortNotice =
    "This report was cut short: the applications reported more than it keeps, so some of what "
    "they sent is not shown.";

// The plain text of the "System Report" tab, UTF-8 with "\n" line ends, made anew from the
// whole report each time.
std::string formatSystemReport(const SystemReport& report, bool withHostExtensions);
std::string formatMissingFeatures(const std::vector<SupportCheck>& checks);
// One alternative, ended by a line end.
std::string formatAlternative(const SystemReport::Requirement& requirement);
std::string joinExtensionNames(const std::vector<std::uint32_t>& extensionIds);
