#pragma once
// How a format is stored: bytes per element (per 4x4 block for block-compressed
// formats), its typeless family (formats that may view one another's memory), and
// whether it is typeless, a depth format or sRGB.

#include "platform/d3d11/api/DxgiFormat.h"

namespace d3d11sw {

struct FormatLayout {
    UINT bytes = 0;           // 0: not storable by this device
    UINT blockSize = 1;       // 4 for block-compressed formats
    DXGI_FORMAT family = DXGI_FORMAT_UNKNOWN;
    bool typeless = false;
    bool depth = false;
    bool srgb = false;
};

const FormatLayout& LayoutOf(DXGI_FORMAT format);

inline bool IsStorable(DXGI_FORMAT format) { return LayoutOf(format).bytes != 0; }
inline bool SameFamily(DXGI_FORMAT a, DXGI_FORMAT b) { return LayoutOf(a).family == LayoutOf(b).family; }

// Bytes of one row of elements (of blocks) of a subresource width, and its row count.
UINT RowBytes(DXGI_FORMAT format, UINT width);
UINT RowCount(DXGI_FORMAT format, UINT height);

// The size of mip level `mip` of a side, at least 1; the number of levels down to 1x1x1.
constexpr UINT MipSize(UINT size, UINT mip) { return (size >> mip) > 0 ? (size >> mip) : 1; }
UINT FullMipCount(UINT width, UINT height = 1, UINT depth = 1);

}  // namespace d3d11sw
