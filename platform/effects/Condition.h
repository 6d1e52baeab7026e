#pragma once
// The value of an #if or #elif line: defined() first, then macro expansion, then an
// integer expression in which every remaining identifier is 0 (true is 1).

#include "platform/effects/Macros.h"

namespace platform::effects {

// False after an error, which is reported.
bool EvaluateCondition(std::vector<PpToken> tokens, const MacroTable& macros, MacroExpander& expander,
                       Diagnostics& diagnostics, const SourceLocation& where, bool& value);

}  // namespace platform::effects
