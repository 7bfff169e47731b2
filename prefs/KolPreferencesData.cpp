#include "prefs/KolPreferences.h"

#include "prefs/ByteWrappers.h"
#include "prefs/PlistFormat.h"

#include <cstring>
#include <istream>
#include <limits>
#include <memory>
#include <ostream>
#include <sstream>

extern "C" {
#include <b64/cdecode.h>
#include <b64/cencode.h>
}

namespace {

// Scratch memory per call stays bounded whatever the size of the value.
constexpr int blockSize = 65536;

bool isBase64Character(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/';
}

void encode(std::istream& in, std::ostream& out)
{
    base64_encodestate state;
    base64_init_encodestate(&state);
    const auto plain = std::make_unique<char[]>(blockSize);
    const auto code = std::make_unique<char[]>(2 * blockSize);
    while (in.good()) {
        in.read(plain.get(), blockSize);
        const auto count = static_cast<int>(in.gcount());
        if (count == 0)
            break;
        const int produced = base64_encode_block(plain.get(), count, code.get(), &state);
        out.write(code.get(), produced);
    }
    const int produced = base64_encode_blockend(code.get(), &state);
    out.write(code.get(), produced);
}

void decode(std::istream& in, std::ostream& out)
{
    base64_decodestate state;
    base64_init_decodestate(&state);
    const auto code = std::make_unique<char[]>(blockSize);
    const auto plain = std::make_unique<char[]>(blockSize);
    while (in.good()) {
        in.read(code.get(), blockSize);
        const auto count = static_cast<int>(in.gcount());
        if (count == 0)
            break;
        const int produced = base64_decode_block(code.get(), count, plain.get(), &state);
        out.write(plain.get(), produced);
    }
}

} // namespace

KolPreferences::Result KolPreferences::SetData(const std::string& key, const void* data,
                                               std::uint32_t size)
{
    if (!data && size != 0)
        return CRITICAL_ERROR;
    const char* bytes = data ? static_cast<const char*>(data) : "";
    CImmutableByteWrapper source(bytes, size);
    std::istream in(&source);
    std::ostringstream text;
    encode(in, text);
    if (text.bad())
        return CRITICAL_ERROR;
    const std::string encoded = text.str();
    return SetScalarImpl(key, &encoded, PLIST_DATA);
}

KolPreferences::Result KolPreferences::GetData(const std::string& key, void*& data,
                                               std::uint32_t& size)
{
    std::string text;
    const std::string none;
    const Result read = GetScalarImpl(key, &text, PLIST_DATA, &none, false);
    if (read != SUCCESS)
        return read;

    std::string cleaned;
    cleaned.reserve(text.size());
    for (const char c : text) {
        if (isBase64Character(c))
            cleaned.push_back(c);
    }
    CImmutableByteWrapper source(cleaned.data(), cleaned.size());
    std::istream in(&source);
    CVectorByteWrapper sink;
    std::ostream out(&sink);
    decode(in, out);
    const std::vector<char>& bytes = sink.bytes();
    if (out.bad() || bytes.size() > std::numeric_limits<std::uint32_t>::max())
        return CRITICAL_ERROR;

    char* buffer = new (std::nothrow) char[bytes.size()];
    if (!buffer)
        return CRITICAL_ERROR;
    if (!bytes.empty())
        std::memcpy(buffer, bytes.data(), bytes.size());
    data = buffer;
    size = static_cast<std::uint32_t>(bytes.size());
    return SUCCESS;
}
