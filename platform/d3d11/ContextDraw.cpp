#include "platform/d3d11/DeviceContext.h"

namespace d3d11sw {

void DeviceContext::Draw(UINT, UINT) {}
void DeviceContext::DrawIndexed(UINT, UINT, INT) {}

}  // namespace d3d11sw
