#include "prefs/BoundedPrinter.h"

using tinyxml2::XMLPrinter;

BoundedPrinter::BoundedPrinter(std::size_t bound) : XMLPrinter(nullptr, false), m_bound(bound) {}

std::string_view BoundedPrinter::printed() const
{
    return std::string_view(CStr(), std::size_t(CStrSize() - 1));
}

// A visit that returns false ends the walk of its siblings, and each enclosing element's walk in
// turn, which still prints the element's end tag: after an overflow, what is left costs one end
// tag per open element.
bool BoundedPrinter::withinBound()
{
    if (std::size_t(CStrSize() - 1) > m_bound)
        m_overflowed = true;
    return !m_overflowed;
}

bool BoundedPrinter::VisitEnter(const tinyxml2::XMLElement& element,
                                const tinyxml2::XMLAttribute* attribute)
{
    return XMLPrinter::VisitEnter(element, attribute) && withinBound();
}

bool BoundedPrinter::VisitExit(const tinyxml2::XMLElement& element)
{
    return XMLPrinter::VisitExit(element) && withinBound();
}

bool BoundedPrinter::Visit(const tinyxml2::XMLText& text)
{
    return XMLPrinter::Visit(text) && withinBound();
}

bool BoundedPrinter::Visit(const tinyxml2::XMLComment& comment)
{
    return XMLPrinter::Visit(comment) && withinBound();
}

bool BoundedPrinter::Visit(const tinyxml2::XMLDeclaration& declaration)
{
    return XMLPrinter::Visit(declaration) && withinBound();
}

bool BoundedPrinter::Visit(const tinyxml2::XMLUnknown& unknown)
{
    return XMLPrinter::Visit(unknown) && withinBound();
}
