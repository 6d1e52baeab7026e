#pragma once
// How many threads rasterise the large draws of an immediate context: 1 draws on the
// calling thread alone. The default is the number of hardware threads, at most 8.
// Results are the same for every count.

#include "platform/d3d11/api/D3D11Interfaces.h"

namespace d3d11sw {

void SetRasterThreads(ID3D11DeviceContext* context, unsigned threads);

}  // namespace d3d11sw
