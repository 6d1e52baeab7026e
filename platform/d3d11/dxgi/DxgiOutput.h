#pragma once
// IDXGIOutput: the one output of the software adapter.

#include "platform/d3d11/api/DxgiInterfaces.h"
#include "platform/d3d11/com/ComObject.h"

namespace d3d11sw {

class DxgiOutput final : public ComObject<IDXGIOutput> {
public:
    HRESULT GetDesc(DXGI_OUTPUT_DESC* desc) override;

protected:
    void* Query(REFIID riid) override;
};

}  // namespace d3d11sw
