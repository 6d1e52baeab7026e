#pragma once
// Interface identifiers, as COM names them. The values are this layer's own; only their
// identity matters (QueryInterface and GetBuffer compare them).

#include "platform/win/Types.h"

#include <cstring>

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
using IID = GUID;
using REFIID = const IID&;
using REFGUID = const GUID&;

inline bool IsEqualGUID(REFGUID a, REFGUID b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
inline bool operator==(REFGUID a, REFGUID b) { return IsEqualGUID(a, b); }

namespace d3d11sw {
// Every identifier of this layer differs in its first word only.
constexpr GUID MakeIid(std::uint32_t number)
{
    return GUID{0x5157D300u + number, 0x1D3D, 0x4C11, {0x9A, 0x0B, 0x51, 0x0F, 0x7D, 0x3D, 0x11, 0x00}};
}
}  // namespace d3d11sw

// Each interface names its identifier as the static member Iid; __uuidof(T) reads it, as
// code written for COM expects.
#define __uuidof(type) (type::Iid)
