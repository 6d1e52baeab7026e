#pragma once
// What buffers and textures share: their shape, usage and flags, and their memory, one
// block in host memory holding every subresource (mip levels inside array slices,
// Direct3D's subresource order), rows packed without padding.

#include "platform/d3d11/api/D3D11Interfaces.h"
#include "platform/d3d11/com/ComObject.h"
#include "platform/d3d11/com/HandOut.h"

#include <cstddef>
#include <memory>
#include <vector>

namespace d3d11sw {

struct SubresourceLayout {
    std::size_t offset = 0;
    UINT width = 0;      // in elements (bytes for buffers)
    UINT height = 1;
    UINT depth = 1;
    UINT rowPitch = 0;   // bytes of one row of elements (of 4x4 blocks)
    UINT rowCount = 1;   // rows of elements (of blocks)
    UINT depthPitch = 0;
};

struct ResourceShape {
    D3D11_RESOURCE_DIMENSION dimension = D3D11_RESOURCE_DIMENSION_UNKNOWN;
    DXGI_FORMAT format = DXGI_FORMAT_UNKNOWN;  // UNKNOWN for buffers
    UINT width = 0;                            // bytes for buffers
    UINT height = 1;
    UINT depth = 1;
    UINT mipLevels = 1;
    UINT arraySize = 1;
    UINT sampleCount = 1;
    D3D11_USAGE usage = D3D11_USAGE_DEFAULT;
    UINT bindFlags = 0;
    UINT cpuAccessFlags = 0;
    UINT miscFlags = 0;
    UINT structureStride = 0;  // structured buffers
};

class ResourceCore {
public:
    ResourceCore(const ResourceShape& shape, RefCounted& object) : shape_(shape), object_(object) {}
    ResourceCore(const ResourceCore&) = delete;
    ResourceCore& operator=(const ResourceCore&) = delete;

    // Lays out and allocates zeroed memory; E_OUTOFMEMORY when it cannot.
    HRESULT Allocate();
    // Copies initial data, one entry per subresource (one for a buffer); E_INVALIDARG
    // for a missing pointer or a pitch shorter than a row.
    HRESULT Fill(const D3D11_SUBRESOURCE_DATA* data);

    const ResourceShape& Shape() const { return shape_; }
    UINT SubresourceCount() const { return static_cast<UINT>(layouts_.size()); }
    UINT Subresource(UINT mip, UINT slice) const { return mip + slice * shape_.mipLevels; }
    const SubresourceLayout& Layout(UINT subresource) const { return layouts_[subresource]; }
    std::byte* Data(UINT subresource) { return memory_.get() + layouts_[subresource].offset; }
    const std::byte* Data(UINT subresource) const { return memory_.get() + layouts_[subresource].offset; }
    std::size_t TotalBytes() const { return totalBytes_; }

    // The object this is part of, for the private references of its views.
    RefCounted& Object() const { return object_; }

    bool IsMapped(UINT subresource) const { return mapped_[subresource]; }
    void SetMapped(UINT subresource, bool mapped) { mapped_[subresource] = mapped; }

private:
    ResourceShape shape_;
    RefCounted& object_;
    std::vector<SubresourceLayout> layouts_;
    std::vector<bool> mapped_;
    std::unique_ptr<std::byte[]> memory_;
    std::size_t totalBytes_ = 0;
};

// The shared part of any resource of this device; null for null.
ResourceCore* CoreOf(ID3D11Resource* resource);

// Allocates a new resource's memory, fills it with the initial data when there is any,
// and hands the resource out.
template <class Object, class Face, class Data>
HRESULT AllocateAndHandOut(Object* object, const Data* data, Face** out)
{
    HRESULT result = object->Allocate();
    if (SUCCEEDED(result) && data) {
        result = object->Fill(data);
    }
    return HandOut(object, result, out);
}

}  // namespace d3d11sw
