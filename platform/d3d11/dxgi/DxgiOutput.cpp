#include "platform/d3d11/dxgi/DxgiOutput.h"

#include <cwchar>

namespace d3d11sw {

HRESULT DxgiOutput::GetDesc(DXGI_OUTPUT_DESC* desc)
{
    if (!desc) {
        return E_INVALIDARG;
    }
    *desc = DXGI_OUTPUT_DESC{};
    std::wcsncpy(desc->DeviceName, L"\\\\.\\DISPLAY1", 31);
    desc->DesktopCoordinates = RECT{0, 0, 1920, 1080};
    desc->AttachedToDesktop = TRUE;
    desc->Rotation = DXGI_MODE_ROTATION_IDENTITY;
    desc->Monitor = nullptr;
    return S_OK;
}

void* DxgiOutput::Query(REFIID riid) { return QueryFaces<IDXGIOutput>(this, riid); }

}  // namespace d3d11sw
