#pragma once
// How the components of a format or of a kernel register are read: as floats, or as
// unsigned or signed integers.

#include "platform/win/Types.h"

namespace d3d11sw {

enum class ComponentType : UINT { Float = 0, Uint = 1, Sint = 2 };

}  // namespace d3d11sw
