#include "prefs/XmlAttributeBound.h"

namespace {

// The position just past the first occurrence of end at or after from, or the text's size.
std::size_t pastNext(std::string_view text, std::size_t from, std::string_view end)
{
    const std::size_t found = text.find(end, from);
    return found == std::string_view::npos ? text.size() : found + end.size();
}

bool startsAt(std::string_view text, std::size_t at, std::string_view prefix)
{
    return text.substr(at, prefix.size()) == prefix;
}

} // namespace

bool XmlAttributesWithinBound(std::string_view text, std::size_t bound)
{
    // The parser reads its text up to the first NUL character, and so does this count.
    text = text.substr(0, text.find('\0'));
    std::size_t at = 0;
    while ((at = text.find('<', at)) != std::string_view::npos) {
        // The same order of tests as the parser: each kind of markup ends where it says it does.
        if (startsAt(text, at, "<!--")) {
            at = pastNext(text, at + 4, "-->");
        } else if (startsAt(text, at, "<![CDATA[")) {
            at = pastNext(text, at + 9, "]]>");
        } else if (startsAt(text, at, "<?")) {
            at = pastNext(text, at + 2, "?>");
        } else if (startsAt(text, at, "<!")) {
            at = pastNext(text, at + 2, ">");
        } else {
            // Start and end tags alike: the parser reads attributes in both.
            std::size_t attributes = 0;
            for (++at; at < text.size() && text[at] != '>'; ++at) {
                const char c = text[at];
                if (c == '"' || c == '\'') {
                    // A value ends at its own kind of quote; "<" and ">" inside it are text.
                    const std::size_t close = text.find(c, at + 1);
                    if (close == std::string_view::npos)
                        return true;
                    at = close;
                } else if (c == '=' && ++attributes > bound) {
                    return false;
                }
            }
        }
    }
    return true;
}
