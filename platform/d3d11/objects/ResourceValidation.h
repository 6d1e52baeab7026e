#pragma once
// Description checks of resource creation, with Direct3D's results: E_INVALIDARG for
// anything Direct3D rejects.

#include "platform/d3d11/objects/Resource.h"

namespace d3d11sw {

// The shape of a buffer description, checked.
HRESULT CheckBufferDesc(const D3D11_BUFFER_DESC& desc, bool hasData, ResourceShape& shape);

// Checks a texture shape (dimension 2D or 3D) and replaces a mip count of 0 by the full
// chain.
HRESULT CheckTextureShape(ResourceShape& shape, UINT sampleQuality, bool hasData);

// A typeless family whose memory a depth-stencil view can use.
bool FamilyHasDepth(DXGI_FORMAT format);

}  // namespace d3d11sw
