#pragma once

#include <cstddef>
#include <string_view>

// The most attributes an element of a file the program reads may carry. Real preference and
// profile files have at most one or two; the XML parser checks each new attribute against all
// earlier ones of its element, so an element with hundreds of thousands of them takes minutes.
constexpr std::size_t maxXmlAttributesPerElement = 256;

// Whether no element of the XML text carries more than bound attributes. One pass over the bytes,
// far cheaper than a parse: markup is followed as the parser reads it (comments, CDATA sections,
// processing instructions and declarations hold no attributes, and quoted values are skipped
// whole), and every "=" outside quotes in a start tag counts as an attribute. A file the parser
// would refuse may be counted high, never a file it reads.
bool XmlAttributesWithinBound(std::string_view text,
                              std::size_t bound = maxXmlAttributesPerElement);
