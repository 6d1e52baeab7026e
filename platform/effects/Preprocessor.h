#pragma once
// The preprocessor: #include, #define/#undef (object- and function-like), #if, #ifdef,
// #ifndef, #elif, #else, #endif, #error, #line, #pragma (passed on). The output keeps
// the line numbers of its sources and marks file changes with #line lines, so that the
// compiler's messages point into the right file and line.

#include "platform/effects/Diagnostics.h"
#include "platform/effects/Includes.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform::effects {

struct PreprocessRequest {
    std::string_view source;
    std::string sourceName;
    const void* sourceData = nullptr;  // the including data ID3DInclude sees for the top file
    std::vector<std::pair<std::string, std::string>> macros;
    IncludeSource* includes = nullptr;  // null: #include fails
};

// False after an error; the messages (errors and warnings) are in diagnostics.
bool Preprocess(const PreprocessRequest& request, std::string& text, Diagnostics& diagnostics);

}  // namespace platform::effects
