#pragma once
// The assignments of blend, depth-stencil, rasterizer and sampler state blocks:
//   BlendEnable[0] = TRUE; SrcBlend = SRC_ALPHA; DepthFunc = LESS; AddressU = Clamp;
// Names and values compare without regard to case, as in effect files.

#include "platform/effects/EffectModel.h"
#include "platform/effects/FxTokens.h"

#include <string>
#include <vector>

namespace platform::effects {

// The platform's default description for the variable's state kind.
void SetDefaultState(VariableInfo& variable);

// index is -1 when the assignment has none. False with an error text for an unknown
// state, a wrong index or a value the state does not take.
bool AssignState(VariableInfo& variable, const std::string& key, int index, const std::vector<FxToken>& value,
                 std::string& error);

}  // namespace platform::effects
