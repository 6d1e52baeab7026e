#pragma once
// The four view kinds: a description, the part of the resource it covers, and a private
// reference to that resource for the view's lifetime (the view's own public references
// keep the device alive; the resource need not).

#include "platform/d3d11/objects/DeviceChild.h"
#include "platform/d3d11/objects/Resource.h"

namespace d3d11sw {

// The resolved range of a view ("all levels" and "all slices" replaced by counts).
struct ViewRange {
    DXGI_FORMAT format = DXGI_FORMAT_UNKNOWN;
    UINT firstMip = 0;
    UINT mipCount = 1;
    UINT firstSlice = 0;    // array slice, or depth slice of a 3D texture
    UINT sliceCount = 1;
    UINT firstElement = 0;  // buffers
    UINT elementCount = 0;
    UINT elementBytes = 0;
};

template <class Face, class Desc>
class View final : public DeviceChild<Face> {
public:
    View(ID3D11Device* device, ID3D11Resource* resource, const Desc& desc, const ViewRange& range)
        : DeviceChild<Face>(device), resource_(resource), core_(CoreOf(resource)), desc_(desc), range_(range)
    {
        core_->Object().AddPrivateRef();
    }
    ~View() override { core_->Object().ReleasePrivateRef(); }

    void GetResource(ID3D11Resource** resource) override
    {
        resource_->AddRef();
        *resource = resource_;
    }
    void GetDesc(Desc* desc) override { *desc = desc_; }

    ResourceCore& Core() const { return *core_; }
    const ViewRange& Range() const { return range_; }
    const Desc& Description() const { return desc_; }

protected:
    void* Query(REFIID riid) override { return QueryFaces<Face, ID3D11View, ID3D11DeviceChild>(this, riid); }

private:
    ID3D11Resource* resource_;
    ResourceCore* core_;
    Desc desc_;
    ViewRange range_;
};

using ShaderResourceView = View<ID3D11ShaderResourceView, D3D11_SHADER_RESOURCE_VIEW_DESC>;
using UnorderedAccessView = View<ID3D11UnorderedAccessView, D3D11_UNORDERED_ACCESS_VIEW_DESC>;
using RenderTargetView = View<ID3D11RenderTargetView, D3D11_RENDER_TARGET_VIEW_DESC>;
using DepthStencilView = View<ID3D11DepthStencilView, D3D11_DEPTH_STENCIL_VIEW_DESC>;

inline ShaderResourceView* Impl(ID3D11ShaderResourceView* view) { return static_cast<ShaderResourceView*>(view); }
inline UnorderedAccessView* Impl(ID3D11UnorderedAccessView* view) { return static_cast<UnorderedAccessView*>(view); }
inline RenderTargetView* Impl(ID3D11RenderTargetView* view) { return static_cast<RenderTargetView*>(view); }
inline DepthStencilView* Impl(ID3D11DepthStencilView* view) { return static_cast<DepthStencilView*>(view); }

// Creation with Direct3D's checks: the bind flag of the view kind, a format of the
// resource's family, a dimension that fits the resource, ranges inside it. A null
// description views the whole resource in its own format.
HRESULT CreateShaderResourceView(ID3D11Device* device, ID3D11Resource* resource,
                                 const D3D11_SHADER_RESOURCE_VIEW_DESC* desc, ID3D11ShaderResourceView** view);
HRESULT CreateUnorderedAccessView(ID3D11Device* device, ID3D11Resource* resource,
                                  const D3D11_UNORDERED_ACCESS_VIEW_DESC* desc, ID3D11UnorderedAccessView** view);
HRESULT CreateRenderTargetView(ID3D11Device* device, ID3D11Resource* resource,
                               const D3D11_RENDER_TARGET_VIEW_DESC* desc, ID3D11RenderTargetView** view);
HRESULT CreateDepthStencilView(ID3D11Device* device, ID3D11Resource* resource,
                               const D3D11_DEPTH_STENCIL_VIEW_DESC* desc, ID3D11DepthStencilView** view);

}  // namespace d3d11sw
