#pragma once

#include <cstddef>
#include <string_view>
#include <tinyxml2.h>

// Prints a document into memory, indented, as tinyxml2's own printer does, but holds no more
// than a bound: past it, the printer keeps nothing more, stops walking the document and says it
// overflowed. Finding out that a document is too large to be written then costs no more than
// printing the bound, where a whole print of a deeply nested document can take many times that.
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

protected:
    using XMLPrinter::Write;
    void Print(const char* format, ...) override;
    void Write(const char* data, std::size_t size) override;
    void Putc(char ch) override;

private:
    std::size_t m_bound;
    std::size_t m_size = 0;
    bool m_overflowed = false;
};
