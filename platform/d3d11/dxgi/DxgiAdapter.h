#pragma once
// IDXGIAdapter1: the software adapter, "Software Adapter", with its one output.

#include "platform/d3d11/com/ComPtr.h"
#include "platform/d3d11/dxgi/DxgiOutput.h"

namespace d3d11sw {

class DxgiAdapter final : public ComObject<IDXGIAdapter1> {
public:
    DxgiAdapter();

    HRESULT EnumOutputs(UINT output, IDXGIOutput** out) override;
    HRESULT GetDesc(DXGI_ADAPTER_DESC* desc) override;
    const ComPtr<DxgiOutput>& Output() const { return output_; }

protected:
    void* Query(REFIID riid) override;

private:
    ComPtr<DxgiOutput> output_;
};

}  // namespace d3d11sw
