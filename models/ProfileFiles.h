#pragma once

#include <cstdint>
#include <string>

namespace tinyxml2 {
class XMLDocument;
}

// The largest file taken for a profile. Real profiles are well below 1 MiB; a bigger file is
// not one, and reading it whole could exhaust memory.
constexpr std::int64_t maxProfileFileSize = std::int64_t(64) << 20;

// Parses the file at path into document. False, without waiting or throwing, when the path is
// not a regular file (a FIFO, a device, a directory), is larger than maxProfileFileSize, cannot
// be read or held in memory, or is not XML.
bool loadXmlFile(tinyxml2::XMLDocument& document, const std::string& path);

enum class FileWrite
{
    Written,
    CouldNotOpen,
    Failed,
};

// Replaces the file at path with bytes, or leaves it as it was. The bytes go to a new file with
// a short name beside it, which is renamed over it once complete. A link to a regular file has
// that file replaced; any other link (one that leads nowhere, to a folder) is replaced itself, so
// no file is ever created where such a link points. An existing file that the user may not
// write (permissions checked as opening it to write would check them) is left alone and gives
// CouldNotOpen, as does a folder where no file can be created.
FileWrite replaceFile(const std::string& path, const std::string& bytes);
