#pragma once
// An XML file read into a document the way the XML library reads files (line ends made
// "\n", the text ending at the first NUL byte), after two checks of our own: only regular
// files are read, and documents nested deeper than MaxXmlNesting are refused before the
// library parses them.

#include <tinyxml.h>

#include <string>

namespace qz::engine {

struct XmlFileFailure {
    std::string description;  // the parser's description, or ours
    int line = 0;             // 1-based, 0 when no place in the file is known
};

// False with the failure when the file cannot be opened or read, is no regular file, nests
// too deeply or does not parse.
bool ReadXmlFile(const std::string& fileName, TiXmlDocument& document, XmlFileFailure& failure);

// The text the library parses from the bytes of a file, with the NUL bytes after it that
// MeasureXmlNesting and the parser may look at.
std::string XmlParserText(const std::string& bytes);

}  // namespace qz::engine
