#include "platform/d3d11/com/ComObject.h"

namespace d3d11sw {

void RefCounted::Destroy() { delete this; }

} // namespace d3d11sw
