// Reads arbitrary bytes as a profile document and, when they read, writes the profile back.
// Whatever the reader accepts, the writer must produce a document that reads again, and a
// second round through writer and reader must change nothing. The same bytes read from a file
// give the same profile, and the import's merge of them gives one output either way.
#include "FuzzScratch.h"
#include "app/ProfileImport.h"
#include "models/ProfileData.h"
#include "models/ProfileFiles.h"
#include "models/ProfileXml.h"

#include <tinyxml2.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace {

std::string printed(const tinyxml2::XMLDocument& document)
{
    tinyxml2::XMLPrinter printer(nullptr, true);
    document.Print(&printer);
    return printer.CStr();
}

std::string writtenToFile(const std::string& text)
{
    static const std::string path = kolz::fuzz::scratchFolder("profile") + "/profile.xml";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(text.data(), 1, text.size(), file) != text.size() ||
        std::fclose(file) != 0)
        std::abort();
    return path;
}

// As a file, the bytes read exactly as the text does, unless the file is refused unread for its
// size or its shape (isReadableProfileText); text handed over in memory is not checked.
void readAsFile(const std::string& path, const ProfileData* fromText)
{
    try {
        ProfileData fromFile = ProfileData::fromFile(path);
        fromFile.setFileName({});
        if (!fromText || !(fromFile == *fromText))
            std::abort();
    } catch (const std::runtime_error&) {
        if (fromText)
            std::abort();
    }
}

// What a save writes of an admitted file reads again, unless only too large, which the save
// refuses.
void checkReadBack(const std::string& written)
{
    if (std::int64_t(written.size()) <= maxProfileFileSize && !isReadableProfileText(written))
        std::abort();
}

// The import's first file, parsed into the output, makes the same output as the copy that
// mergeProfileDocument makes of it; merging the same document again adds nothing.
void mergeAsImport(const std::string& text, const std::string& path)
{
    tinyxml2::XMLDocument input(true, tinyxml2::PRESERVE_WHITESPACE);
    tinyxml2::XMLDocument copied(true, tinyxml2::PRESERVE_WHITESPACE);
    if (isReadableProfileText(text) && input.Parse(text.c_str()) == tinyxml2::XML_SUCCESS) {
        // A name longer than the editor takes makes the file unreadable: none of it is merged.
        if (!headerTextsWithinBound(input))
            input.Clear();
        mergeProfileDocument(copied, input);
    }
    tinyxml2::XMLDocument imported(true, tinyxml2::PRESERVE_WHITESPACE);
    mergeProfileFile(imported, path);
    const std::string once = printed(copied);
    if (printed(imported) != once)
        std::abort();
    mergeProfileFile(imported, path);
    mergeProfileDocument(copied, input);
    if (printed(imported) != once || printed(copied) != once)
        std::abort();
    (void)isImportableProfile(imported);
    tinyxml2::XMLPrinter saved(nullptr, false);
    imported.Print(&saved);
    checkReadBack(saved.CStr());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(bytes), size);
    const std::string path = writtenToFile(text);
    mergeAsImport(text, path);
    ProfileData profile;
    try {
        profile = ProfileData::fromXml(text);
    } catch (const std::runtime_error&) {
        readAsFile(path, nullptr);
        return 0;
    }
    readAsFile(path, isReadableProfileText(text) ? &profile : nullptr);
    try {
        (void)profile.displayName();
    } catch (const std::runtime_error&) {
    }

    // The first round may normalise values (a carriage return or blank-only text from
    // character references); from then on the document is a fixed point.
    const std::string first = printProfile(profile);
    if (isReadableProfileText(text))
        checkReadBack(first);
    const ProfileData once = ProfileData::fromXml(first);
    const std::string written = printProfile(once);
    const ProfileData twice = ProfileData::fromXml(written);
    if (!(twice == once) || printProfile(twice) != written)
        std::abort();
    return 0;
}
