#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tinyxml2 {
class XMLDocument;
}

// The largest file taken for a profile. The built-in profiles hold 15 to 58 KB; a file many times
// larger is no profile, and one of tiny elements costs far more memory and time than its size.
constexpr std::int64_t maxProfileFileSize = std::int64_t(1) << 20;

// Whether bytes are what a profile file may hold to be read: no more than maxProfileFileSize of
// them, of an XML shape within the bounds that XmlShapeWithinBounds checks.
bool isReadableProfileText(std::string_view bytes);

// Parses the file at path into document. False, without waiting or throwing, when the path is
// not a regular file (a FIFO, a device, a directory), does not hold readable profile text (see
// isReadableProfileText), cannot be read or held in memory, or is not XML.
bool loadXmlFile(tinyxml2::XMLDocument& document, const std::string& path);

enum class FileWrite
{
    Written,
    CouldNotOpen,
    Failed,
    Unreadable, // bytes that would not be read back as a profile: nothing written
};

// Replaces the file at path with bytes, or leaves it as it was. The bytes go to a new file with
// a short name beside it, which is renamed over it once complete. A link to a regular file has
// that file replaced; any other link (one that leads nowhere, to a folder) is replaced itself, so
// no file is ever created where such a link points. An existing file that the user may not
// write (permissions checked as opening it to write would check them) is left alone and gives
// CouldNotOpen, as does a folder where no file can be created. Bytes that are not readable
// profile text are refused before anything is touched. When the system refused (CouldNotOpen,
// Failed) and error is given, it gets the errno of the call that failed, for telling the user why.
FileWrite replaceFile(const std::string& path, const std::string& bytes, int* error = nullptr);
