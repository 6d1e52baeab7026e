#pragma once
// Compiling effect text in tests, and reading preprocessed text back line by line.

#include "platform/d3d11/com/ComPtr.h"
#include "platform/effects/CompileSource.h"
#include "platform/effects/D3DCompiler.h"
#include "platform/effects/EffectFormat.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace qz::test {

using Macros = std::vector<std::pair<std::string, std::string>>;

struct Compiled {
    bool ok = false;
    std::vector<std::byte> code;
    std::string messages;
    platform::effects::EffectInfo effect;
};

inline Compiled CompileText(const std::string& source, const std::string& effectName = "test",
                            const Macros& macros = {})
{
    Compiled result;
    platform::effects::CompileRequest request;
    request.source = source;
    request.sourceName = effectName + ".fx";
    request.effectName = effectName;
    request.macros = macros;
    platform::effects::Diagnostics diagnostics;
    result.ok = platform::effects::CompileEffectSource(request, result.code, diagnostics);
    result.messages = diagnostics.Text();
    if (result.ok) {
        std::string error;
        EXPECT_TRUE(platform::effects::ReadEffect(result.code.data(), result.code.size(), result.effect, error))
            << error;
    }
    return result;
}

inline std::string BlobText(ID3DBlob* blob)
{
    if (!blob) {
        return {};
    }
    const char* text = static_cast<const char*>(blob->GetBufferPointer());
    std::string value(text, blob->GetBufferSize());
    while (!value.empty() && value.back() == '\0') {
        value.pop_back();
    }
    return value;
}

inline const platform::effects::VariableInfo* FindVariable(const platform::effects::EffectInfo& effect,
                                                            const std::string& name)
{
    for (const auto& variable : effect.variables) {
        if (variable.name == name) {
            return &variable;
        }
    }
    return nullptr;
}

}  // namespace qz::test
