#pragma once

#include <cstddef>
#include <string_view>

// The most attributes an element of a file the program reads may carry. Real preference and
// profile files have at most one or two; the XML parser checks each new attribute against all
// earlier ones of its element, so an element with hundreds of thousands of them takes minutes.
constexpr std::size_t maxXmlAttributesPerElement = 256;

// The deepest level (the outermost element is level 1) an element of a file the program reads
// may lie at. Real files nest four levels deep; a written file indents each element by its level,
// so a file of small elements nested this deep grows up to about as many times when saved.
constexpr std::size_t maxXmlElementDepth = 32;

// Whether the XML text has a shape the program reads: no element carries more than
// maxXmlAttributesPerElement attributes or lies deeper than maxXmlElementDepth, and the parser
// would take in all of the text. The parser stops, reporting success, at a NUL character and at
// an end tag outside any element, dropping everything after it; such a text is refused.
//
// One pass over the bytes, far cheaper than a parse: markup is followed as the parser reads it
// (comments, CDATA sections, processing instructions and declarations hold no elements, and
// quoted values are skipped whole), and every "=" outside quotes in a tag counts as an
// attribute. A text the parser would refuse may be refused here too; a text it reads whole within
// the bounds never is.
bool XmlShapeWithinBounds(std::string_view text);
