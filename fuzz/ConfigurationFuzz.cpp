// Any bytes as a configuration file: loading either warns and keeps the values, or reads
// the groups; never a crash or an overrun. Beside it, the nesting measure is checked
// against the parser: a document it lets through is never nested deeper than it said.

#include "fuzz/FuzzInput.h"
#include "fuzz/SettingsFixture.h"
#include "tarnwick/core/Exception.h"
#include "tarnwick/engine/Configuration.h"
#include "tarnwick/engine/XmlFile.h"
#include "tarnwick/engine/XmlNesting.h"

#include <tinyxml.h>

#include <utility>
#include <vector>

namespace {

// The deepest element of the parsed document, walked without recursion.
std::size_t ParsedDepth(const TiXmlDocument& document)
{
    std::size_t deepest = 0;
    std::vector<std::pair<const TiXmlNode*, std::size_t>> pending {{&document, 0}};
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        if (depth > deepest) deepest = depth;
        for (const TiXmlElement* child = node->FirstChildElement(); child; child = child->NextSiblingElement()) {
            pending.emplace_back(child, depth + 1);
        }
    }
    return deepest;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qz::fuzz::SilenceLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text = qz::engine::XmlParserText(std::string(reinterpret_cast<const char*>(data), size));
    const qz::engine::XmlNesting nesting = qz::engine::MeasureXmlNesting(text.c_str());
    if (!nesting.tooDeep) {
        TiXmlDocument document;
        document.Parse(text.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
        qz::fuzz::Require(ParsedDepth(document) <= nesting.depth);
    }

    qz::fuzz::SettingsFixture settings;
    Configuration configuration(qz::fuzz::InputFile(data, size));
    configuration.appSettings[settings.volume.Name()] = &settings.volume;
    configuration.engineSettings[settings.camera.Name()] = &settings.camera;
    configuration.Load();
    try {
        configuration.ReloadAppSettings(configuration.FileName());
    } catch (const qz::core::Exception&) {
    }
    return 0;
}
