// D3DPreprocess and D3DCompileFromFile over the preprocessor and the effect compiler.

#include "platform/effects/D3DCompiler.h"

#include "platform/effects/Blob.h"
#include "platform/effects/CompileSource.h"
#include "platform/effects/Preprocessor.h"

#include <memory>

namespace platform::effects {
namespace {

// Far more macros than any caller gives; a list without its {null, null} end stops here.
constexpr std::size_t kMaxMacros = 65536;

std::vector<std::pair<std::string, std::string>> MacroList(const D3D_SHADER_MACRO* defines)
{
    std::vector<std::pair<std::string, std::string>> macros;
    for (std::size_t i = 0; defines && defines[i].Name && i < kMaxMacros; ++i) {
        macros.emplace_back(defines[i].Name, defines[i].Definition ? defines[i].Definition : "");
    }
    return macros;
}

// Wide names carry one character per unit, as the callers widen them.
std::string Narrow(LPCWSTR text)
{
    std::string narrow;
    for (; text && *text; ++text) {
        narrow.push_back(static_cast<char>(static_cast<unsigned>(*text) & 0xFFu));
    }
    return narrow;
}

std::unique_ptr<IncludeSource> IncludesFor(ID3DInclude* include)
{
    if (include == D3D_COMPILE_STANDARD_FILE_INCLUDE) {
        return std::make_unique<FileIncludeSource>();
    }
    if (include) {
        return std::make_unique<CallerIncludeSource>(include);
    }
    return nullptr;
}

void HandOutMessages(const std::string& text, ID3DBlob** messages)
{
    if (messages) {
        *messages = text.empty() ? nullptr : MakeTextBlob(text);
    }
}

}  // namespace
}  // namespace platform::effects

using namespace platform::effects;

HRESULT D3DPreprocess(const void* sourceData, SIZE_T sourceSize, LPCSTR sourceName, const D3D_SHADER_MACRO* defines,
                      ID3DInclude* include, ID3DBlob** codeText, ID3DBlob** errorMessages)
{
    if (codeText) {
        *codeText = nullptr;
    }
    if (errorMessages) {
        *errorMessages = nullptr;
    }
    if (!codeText || (!sourceData && sourceSize > 0)) {
        return E_INVALIDARG;
    }
    const std::unique_ptr<IncludeSource> includes = IncludesFor(include);
    PreprocessRequest request;
    request.source = std::string_view(static_cast<const char*>(sourceData), sourceData ? sourceSize : 0);
    request.sourceName = sourceName ? sourceName : "";
    request.sourceData = sourceData;
    request.macros = MacroList(defines);
    request.includes = includes.get();
    Diagnostics diagnostics;
    std::string text;
    const bool ok = Preprocess(request, text, diagnostics);
    HandOutMessages(diagnostics.Text(), errorMessages);
    if (!ok) {
        return E_FAIL;
    }
    *codeText = MakeTextBlob(text);
    return S_OK;
}

HRESULT D3DCompileFromFile(LPCWSTR fileName, const D3D_SHADER_MACRO* defines, ID3DInclude* include, LPCSTR,
                           LPCSTR target, UINT, UINT, ID3DBlob** code, ID3DBlob** errorMessages)
{
    if (code) {
        *code = nullptr;
    }
    if (errorMessages) {
        *errorMessages = nullptr;
    }
    if (!fileName || !code || !target) {
        return E_INVALIDARG;
    }
    const std::string path = Narrow(fileName);
    Diagnostics diagnostics;
    if (std::string(target) != "fx_5_0") {
        diagnostics.Error({path, 1, 1}, message::kBadTarget,
                          "target '" + std::string(target) + "' is not supported; this compiler builds fx_5_0 effects");
        HandOutMessages(diagnostics.Text(), errorMessages);
        return E_FAIL;
    }
    std::string source;
    if (!ReadWholeFile(path, source)) {
        diagnostics.Error({path, 1, 1}, message::kIncludeNotFound, "cannot open source file");
        HandOutMessages(diagnostics.Text(), errorMessages);
        return HRESULT_FILE_NOT_FOUND;
    }
    const std::unique_ptr<IncludeSource> includes = IncludesFor(include);
    CompileRequest request;
    request.source = source;
    request.sourceName = path;
    request.effectName = EffectNameOf(path);
    request.macros = MacroList(defines);
    request.includes = includes.get();
    std::vector<std::byte> bytes;
    const bool ok = CompileEffectSource(request, bytes, diagnostics);
    HandOutMessages(diagnostics.Text(), errorMessages);
    if (!ok) {
        return E_FAIL;
    }
    *code = MakeBlob(std::move(bytes));
    return S_OK;
}
