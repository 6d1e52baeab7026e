#pragma once
// Source text to compiled-effect bytes: preprocess, parse, write. D3DCompileFromFile
// reads the file and calls this; tests and the fuzz target call it on text in memory.

#include "platform/effects/Diagnostics.h"
#include "platform/effects/Includes.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform::effects {

struct CompileRequest {
    std::string_view source;
    std::string sourceName;   // for messages and includes
    std::string effectName;   // the name kernels are registered under
    std::vector<std::pair<std::string, std::string>> macros;
    IncludeSource* includes = nullptr;
};

// False after errors; warnings may come with success. Both are in diagnostics.
bool CompileEffectSource(const CompileRequest& request, std::vector<std::byte>& code, Diagnostics& diagnostics);

// "shader/graph.fx" -> "graph".
std::string EffectNameOf(const std::string& path);

}  // namespace platform::effects
