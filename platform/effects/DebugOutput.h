#pragma once
// Messages of the effects layer (a refused effect, a pass without kernels) go to the
// debugger output, as the platform's own do. A program or a tool may take them instead
// (to log or to drop them); an empty handler gives them back to the debugger output.

#include <functional>
#include <string>

namespace platform::effects {

using DebugOutputHandler = std::function<void(const std::string&)>;

void SetDebugOutputHandler(DebugOutputHandler handler);
void DebugOutput(const std::string& text);

}  // namespace platform::effects
