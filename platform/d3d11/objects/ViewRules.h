#pragma once
// The checks every view kind shares.

#include "platform/d3d11/com/HandOut.h"
#include "platform/d3d11/objects/View.h"

namespace d3d11sw {

constexpr UINT kAll = 0xFFFFFFFFu;  // "all remaining levels or slices"

// A typed resource is viewed in its own format (UNKNOWN stands for it); a typeless one
// through a typed member of its family. Depth formats are refused unless allowed.
bool ResolveViewFormat(DXGI_FORMAT resourceFormat, DXGI_FORMAT requested, bool depthView, ViewRange& range);
bool ResolveMips(UINT first, UINT count, UINT total, ViewRange& range);
bool ResolveSlices(UINT first, UINT count, UINT total, ViewRange& range);
// Elements of a buffer view: the structure stride, or the size of a typed format.
bool ResolveElements(const ResourceShape& shape, DXGI_FORMAT format, UINT first, UINT count, ViewRange& range);

bool Is2D(const ResourceShape& shape);
bool Is3D(const ResourceShape& shape);
bool IsBuffer(const ResourceShape& shape);

// View creation: the resource needs the view kind's bind flag; a null description views
// the whole resource; `fits` checks the description and resolves its range.
template <class ViewType, class Face, class Desc>
HRESULT CreateView(ID3D11Device* device, ID3D11Resource* resource, const Desc* desc, Face** out, UINT bindFlag,
                   Desc (*whole)(const ResourceShape&), bool (*fits)(const ResourceShape&, const Desc&, ViewRange&))
{
    if (out) {
        *out = nullptr;
    }
    const ResourceCore* core = CoreOf(resource);
    if (!core || (core->Shape().bindFlags & bindFlag) == 0) {
        return E_INVALIDARG;
    }
    const Desc resolved = desc ? *desc : whole(core->Shape());
    ViewRange range;
    if (!fits(core->Shape(), resolved, range)) {
        return E_INVALIDARG;
    }
    if (!out) {
        return S_FALSE;
    }
    return HandOut(new ViewType(device, resource, resolved, range), S_OK, out);
}

}  // namespace d3d11sw
