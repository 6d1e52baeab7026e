#pragma once
// ID3DBlob over a byte vector.

#include "platform/effects/D3DCompiler.h"

#include <string_view>
#include <vector>

namespace platform::effects {

// A new blob with one reference for the caller.
ID3DBlob* MakeBlob(std::vector<std::byte> bytes);
// The text with a terminating zero byte counted in the size.
ID3DBlob* MakeTextBlob(std::string_view text);

}  // namespace platform::effects
