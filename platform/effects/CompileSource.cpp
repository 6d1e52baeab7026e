#include "platform/effects/CompileSource.h"

#include "platform/effects/EffectFormat.h"
#include "platform/effects/EffectParser.h"
#include "platform/effects/FxTokens.h"
#include "platform/effects/Preprocessor.h"

namespace platform::effects {

bool CompileEffectSource(const CompileRequest& request, std::vector<std::byte>& code, Diagnostics& diagnostics)
{
    PreprocessRequest preprocess;
    preprocess.source = request.source;
    preprocess.sourceName = request.sourceName;
    preprocess.sourceData = request.source.data();
    preprocess.macros = request.macros;
    preprocess.includes = request.includes;
    std::string text;
    if (!Preprocess(preprocess, text, diagnostics)) {
        return false;
    }
    FxTokenList tokens;
    if (!LexEffect(text, request.sourceName, tokens, diagnostics)) {
        return false;
    }
    EffectInfo effect;
    if (!ParseEffect(tokens, effect, diagnostics)) {
        return false;
    }
    effect.name = request.effectName;
    effect.macros = request.macros;
    code = WriteEffect(effect);
    return true;
}

std::string EffectNameOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) {
        name.erase(dot);
    }
    return name;
}

}  // namespace platform::effects
