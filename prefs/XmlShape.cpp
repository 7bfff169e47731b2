#include "prefs/XmlShape.h"

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

// White space as the parser skips it inside tags: ASCII only, whatever the locale.
bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace

bool XmlShapeWithinBounds(std::string_view text)
{
    if (text.find('\0') != std::string_view::npos)
        return false;
    std::size_t depth = 0; // elements open around the current position
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
            // Start and end tags alike: the parser reads attributes in both, and takes "/>" as
            // the end of an empty element in both.
            for (++at; at < text.size() && isSpace(text[at]);)
                ++at;
            const bool endTag = at < text.size() && text[at] == '/';
            std::size_t attributes = 0;
            char last = '\0'; // the last character outside quoted values
            for (at += endTag ? 1 : 0; at < text.size() && text[at] != '>'; ++at) {
                const char c = text[at];
                if (c == '"' || c == '\'') {
                    // A value ends at its own kind of quote; "<" and ">" inside it are text.
                    const std::size_t close = text.find(c, at + 1);
                    if (close == std::string_view::npos)
                        return true;
                    at = close;
                } else if (c == '=' && ++attributes > maxXmlAttributesPerElement) {
                    return false;
                }
                last = c;
            }
            if (last == '/') {
                if (depth + 1 > maxXmlElementDepth)
                    return false;
            } else if (!endTag) {
                if (++depth > maxXmlElementDepth)
                    return false;
            } else if (depth == 0) {
                // Nothing left to close: the parser would end the document here.
                return false;
            } else {
                --depth;
            }
        }
    }
    return true;
}
