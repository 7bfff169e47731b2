#include "prefs/BoundedPrinter.h"

#include <cstdarg>
#include <cstdio>
#include <string>

using tinyxml2::XMLPrinter;

BoundedPrinter::BoundedPrinter(std::size_t bound) : XMLPrinter(nullptr, false), m_bound(bound) {}

std::string_view BoundedPrinter::printed() const
{
    return std::string_view(CStr(), m_size);
}

// A visit that returns false ends the walk of its siblings, and every enclosing element's walk
// in turn: after an overflow, what is left costs one call per open element.
bool BoundedPrinter::VisitEnter(const tinyxml2::XMLElement& element,
                                const tinyxml2::XMLAttribute* attribute)
{
    return !m_overflowed && XMLPrinter::VisitEnter(element, attribute) && !m_overflowed;
}

bool BoundedPrinter::VisitExit(const tinyxml2::XMLElement& element)
{
    return XMLPrinter::VisitExit(element) && !m_overflowed;
}

bool BoundedPrinter::Visit(const tinyxml2::XMLText& text)
{
    return !m_overflowed && XMLPrinter::Visit(text) && !m_overflowed;
}

bool BoundedPrinter::Visit(const tinyxml2::XMLComment& comment)
{
    return !m_overflowed && XMLPrinter::Visit(comment) && !m_overflowed;
}

bool BoundedPrinter::Visit(const tinyxml2::XMLDeclaration& declaration)
{
    return !m_overflowed && XMLPrinter::Visit(declaration) && !m_overflowed;
}

bool BoundedPrinter::Visit(const tinyxml2::XMLUnknown& unknown)
{
    return !m_overflowed && XMLPrinter::Visit(unknown) && !m_overflowed;
}

void BoundedPrinter::Print(const char* format, ...)
{
    if (m_overflowed)
        return;
    std::va_list arguments;
    va_start(arguments, format);
    std::va_list counting;
    va_copy(counting, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, counting);
    va_end(counting);
    if (length > 0) {
        std::string text(std::size_t(length), '\0');
        std::vsnprintf(text.data(), text.size() + 1, format, arguments);
        Write(text.data(), text.size());
    }
    va_end(arguments);
}

void BoundedPrinter::Write(const char* data, std::size_t size)
{
    if (m_overflowed)
        return;
    if (size > m_bound - m_size) {
        m_overflowed = true;
        return;
    }
    XMLPrinter::Write(data, size);
    m_size += size;
}

void BoundedPrinter::Putc(char ch)
{
    Write(&ch, 1);
}
