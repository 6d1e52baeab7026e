#include "platform/d3d11/dxgi/DxgiAdapter.h"

#include <cwchar>
#include <unistd.h>

namespace d3d11sw {
namespace {

SIZE_T PhysicalMemory()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    return pages > 0 && pageSize > 0 ? static_cast<SIZE_T>(pages) * static_cast<SIZE_T>(pageSize) : 0;
}

}  // namespace

DxgiAdapter::DxgiAdapter() : output_(ComPtr<DxgiOutput>::Attach(new DxgiOutput)) {}

HRESULT DxgiAdapter::EnumOutputs(UINT output, IDXGIOutput** out)
{
    if (!out) {
        return E_INVALIDARG;
    }
    *out = nullptr;
    if (output != 0) {
        return DXGI_ERROR_NOT_FOUND;
    }
    output_->AddRef();
    *out = output_.Get();
    return S_OK;
}

// The device keeps its resources in host memory: what it may use for them is the
// machine's memory, which it shares with the system.
HRESULT DxgiAdapter::GetDesc(DXGI_ADAPTER_DESC* desc)
{
    if (!desc) {
        return E_INVALIDARG;
    }
    *desc = DXGI_ADAPTER_DESC{};
    std::wcsncpy(desc->Description, L"Software Adapter", 127);
    const SIZE_T memory = PhysicalMemory();
    desc->DedicatedVideoMemory = memory / 2;
    desc->DedicatedSystemMemory = 0;
    desc->SharedSystemMemory = memory / 2;
    return S_OK;
}

void* DxgiAdapter::Query(REFIID riid) { return QueryFaces<IDXGIAdapter1, IDXGIAdapter>(this, riid); }

}  // namespace d3d11sw
