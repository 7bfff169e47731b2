// Reads arbitrary bytes as a profile document and, when they read, writes the profile back.
// Whatever the reader accepts, the writer must produce a document that reads again, and a
// second round through writer and reader must change nothing.
#include "models/ProfileData.h"
#include "models/ProfileXml.h"

#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(bytes), size);
    ProfileData profile;
    try {
        profile = ProfileData::fromXml(text);
    } catch (const std::runtime_error&) {
        return 0;
    }
    try {
        (void)profile.displayName();
    } catch (const std::runtime_error&) {
    }

    // The first round may normalise values (a carriage return or blank-only text from
    // character references); from then on the document is a fixed point.
    const ProfileData once = ProfileData::fromXml(printProfile(profile));
    const std::string written = printProfile(once);
    const ProfileData twice = ProfileData::fromXml(written);
    if (!(twice == once) || printProfile(twice) != written)
        std::abort();
    return 0;
}
