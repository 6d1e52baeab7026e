// Any bytes as an effect source: the preprocessor and the effect compiler give compiled
// bytes or messages, never a crash, an overrun or a runaway. The bytes after the first
// zero byte are the content of every file the source includes. What compiles reads back
// as the same effect.

#include "fuzz/FuzzInput.h"
#include "platform/effects/CompileSource.h"
#include "platform/effects/EffectFormat.h"

#include <string>
#include <string_view>

namespace {

class InputIncludes final : public platform::effects::IncludeSource {
public:
    explicit InputIncludes(std::string_view content) : content_(content) {}
    bool Open(bool, const std::string& name, const platform::effects::IncludedFile&,
              platform::effects::IncludedFile& file) override
    {
        file.name = name;
        file.content = content_;
        file.data = content_.data();
        return !name.empty();
    }
    void Close(const platform::effects::IncludedFile&) override {}

private:
    std::string_view content_;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qz::fuzz::SilenceLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find('\0');
    InputIncludes includes(split == std::string_view::npos ? std::string_view() : input.substr(split + 1));
    platform::effects::CompileRequest request;
    request.source = input.substr(0, split);
    request.sourceName = "fuzz.fx";
    request.effectName = "fuzz";
    request.macros = {{"MODE", "1"}, {"EMPTY", ""}};
    request.includes = &includes;
    platform::effects::Diagnostics diagnostics;
    std::vector<std::byte> code;
    const bool compiled = platform::effects::CompileEffectSource(request, code, diagnostics);
    qz::fuzz::Require(compiled != diagnostics.HasErrors());
    if (compiled) {
        platform::effects::EffectInfo effect;
        std::string error;
        qz::fuzz::Require(platform::effects::ReadEffect(code.data(), code.size(), effect, error));
        qz::fuzz::Require(platform::effects::WriteEffect(effect) == code);
    }
    return 0;
}
