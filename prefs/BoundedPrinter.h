#pragma once

#include <cstddef>
#include <string_view>
#include <tinyxml2.h>

// Prints a document into memory, indented, as tinyxml2's own printer does, but stops walking the
// document at the first node whose print passes a bound, and says it overflowed. Finding out that
// a document is too large to be written then costs about as much as printing the bound, where a
// whole print of a deeply nested document can take many times that. The print may pass the bound
// by what one node prints.
//
// The size is looked at once per node rather than at every write: the printer writes several
// times per node, and a check at each write made printing half again as slow.
class BoundedPrinter : public tinyxml2::XMLPrinter
{
public:
    explicit BoundedPrinter(std::size_t bound);

    bool overflowed() const { return m_overflowed; }
    // What was printed: the whole document unless the printer overflowed.
    std::string_view printed() const;

    using XMLPrinter::Visit;
    using XMLPrinter::VisitEnter;
    using XMLPrinter::VisitExit;
    bool VisitEnter(const tinyxml2::XMLElement& element,
                    const tinyxml2::XMLAttribute* attribute) override;
    bool VisitExit(const tinyxml2::XMLElement& element) override;
    bool Visit(const tinyxml2::XMLText& text) override;
    bool Visit(const tinyxml2::XMLComment& comment) override;
    bool Visit(const tinyxml2::XMLDeclaration& declaration) override;
    bool Visit(const tinyxml2::XMLUnknown& unknown) override;

private:
    bool withinBound();

    std::size_t m_bound;
    bool m_overflowed = false;
};
