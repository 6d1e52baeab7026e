#include "tarnwick/engine/XmlFile.h"

#include "platform/win/RegularFile.h"
#include "tarnwick/engine/XmlNesting.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace qz::engine {

namespace {

struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

bool ReadAll(std::FILE* file, std::string& bytes)
{
    char buffer[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0) bytes.append(buffer, got);
    return !std::ferror(file);
}

bool Fail(TiXmlDocument& document, XmlFileFailure& failure)
{
    failure.description = document.ErrorDesc();
    failure.line = document.ErrorRow();
    return false;
}

}  // namespace

std::string XmlParserText(const std::string& bytes)
{
    std::string text;
    text.reserve(bytes.size() + 4);
    for (std::size_t i = 0; i < bytes.size() && bytes[i] != '\0'; ++i) {
        if (bytes[i] == '\r') {
            text += '\n';
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        } else {
            text += bytes[i];
        }
    }
    // The library's UTF-8 reading may step up to three bytes past the terminating NUL.
    text.append(3, '\0');
    return text;
}

bool ReadXmlFile(const std::string& fileName, TiXmlDocument& document, XmlFileFailure& failure)
{
    std::string reason;
    const std::unique_ptr<std::FILE, CloseFile> file(platform::win::OpenRegularFile(fileName, reason));
    std::string bytes;
    if (!file || !ReadAll(file.get(), bytes)) {
        document.SetError(TiXmlBase::TIXML_ERROR_OPENING_FILE, nullptr, nullptr, TIXML_ENCODING_UNKNOWN);
        return Fail(document, failure);
    }
    const std::string text = XmlParserText(bytes);
    const XmlNesting nesting = MeasureXmlNesting(text.c_str());
    if (nesting.tooDeep) {
        failure.description = "Elements nested deeper than " + std::to_string(MaxXmlNesting) + " levels";
        failure.line = 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(nesting.offset), '\n'));
        return false;
    }
    document.Parse(text.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
    if (document.Error()) return Fail(document, failure);
    return true;
}

}  // namespace qz::engine
