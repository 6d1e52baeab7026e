#pragma once
// Base of every object a device creates: it holds a public reference to its device while
// it has public references of its own, and answers the interface queries of its faces.

#include "platform/d3d11/api/D3D11Interfaces.h"
#include "platform/d3d11/com/ComObject.h"

namespace d3d11sw {

template <class... Interfaces>
class DeviceChild : public ComObject<Interfaces...> {
public:
    explicit DeviceChild(ID3D11Device* device) : device_(device) { device_->AddRef(); }

    void GetDevice(ID3D11Device** device) override
    {
        device_->AddRef();
        *device = device_;
    }

protected:
    void OnPublicReferencesGone() override { device_->Release(); }
    void OnPublicReferencesBack() override { device_->AddRef(); }

private:
    ID3D11Device* device_;
};

}  // namespace d3d11sw
