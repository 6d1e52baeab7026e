#pragma once
// How many threads shade the tiles of an immediate context's pending draws: 1 shades on
// the calling thread alone. The default is the number of hardware threads, at most 8.
// Pending draws are shaded first. Results are the same for every count.

#include "platform/d3d11/api/D3D11Interfaces.h"

namespace d3d11sw {

void SetRasterThreads(ID3D11DeviceContext* context, unsigned threads);

}  // namespace d3d11sw
