#pragma once
// How deeply the elements of an XML text nest, as the XML library would see them, found
// without recursion. The library parses elements recursively, so a small document nested
// tens of thousands deep would overflow the stack; such texts are measured first and
// refused.

#include <cstddef>

namespace qz::engine {

// Deeper documents are refused; the configuration file itself is four levels deep.
inline constexpr std::size_t MaxXmlNesting = 256;

struct XmlNesting {
    std::size_t depth = 0;     // the deepest element reached, at most limit + 1
    std::size_t offset = 0;    // where the element beyond the limit begins
    bool tooDeep = false;
};

// Walks the text (NUL-terminated, followed by three more NUL bytes) with the library's
// own rules for names, attributes, text, comments, declarations and CDATA, and stops at
// the first element deeper than the limit, or where the library would stop with an error.
XmlNesting MeasureXmlNesting(const char* text, std::size_t limit = MaxXmlNesting);

}  // namespace qz::engine
