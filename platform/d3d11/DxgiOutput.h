#pragma once
// IDXGIOutput: the one output of the software adapter.

#include "platform/d3d11/ComObject.h"
#include "platform/d3d11/DxgiInterfaces.h"

namespace d3d11sw {

class DxgiOutput final : public ComObject<IDXGIOutput> {
public:
    HRESULT GetDesc(DXGI_OUTPUT_DESC* desc) override;

protected:
    void* Query(REFIID riid) override;
};

}  // namespace d3d11sw
