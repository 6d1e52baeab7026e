// The immediate context's clears, copies and CPU access. Calls that Direct3D would
// reject do nothing, as Direct3D does without its debug layer.

#include "platform/d3d11/formats/FormatCodec.h"
#include "platform/d3d11/formats/FormatLayout.h"
#include "platform/d3d11/objects/DeviceContext.h"
#include "platform/d3d11/objects/Surface.h"

#include <algorithm>
#include <cstring>

namespace d3d11sw {
namespace {

constexpr UINT kMapDoNotWait = 0x100000;

// The first row by doubling a filled prefix, the others copied from it; bands of rows on
// the raster threads when there are several (a frame's clear is a fill of megabytes that
// one core's stores take a good part of a frame to do).
void FillSurface(const Surface& surface, const std::byte* element, WorkerPool* workers = nullptr)
{
    if (surface.height == 0 || surface.width == 0) {
        return;
    }
    const std::size_t rowBytes = std::size_t{surface.width} * surface.elementBytes;
    std::memcpy(surface.data, element, surface.elementBytes);
    for (std::size_t filled = surface.elementBytes; filled < rowBytes; filled *= 2) {
        std::memcpy(surface.data + filled, surface.data, std::min(filled, rowBytes - filled));
    }
    auto copyRows = [&surface, rowBytes](UINT first, UINT end) {
        for (UINT y = std::max(first, 1u); y < end; ++y) {
            std::memcpy(surface.Element(0, y), surface.data, rowBytes);
        }
    };
    constexpr std::size_t kBandBytes = 256 * 1024;
    const std::size_t total = rowBytes * surface.height;
    if (!workers || total < 2 * kBandBytes) {
        copyRows(1, surface.height);
        return;
    }
    const auto bands = static_cast<UINT>(std::min<std::size_t>(total / kBandBytes, 4u * workers->Threads()));
    const UINT rowsPerBand = (surface.height + bands - 1) / bands;
    workers->ForEach(bands, [&copyRows, rowsPerBand, &surface](unsigned band) {
        copyRows(band * rowsPerBand, std::min(surface.height, (band + 1) * rowsPerBand));
    });
}

// A box in elements (blocks) of a subresource; false when it does not fit or is empty.
struct ElementBox {
    UINT x = 0;
    UINT y = 0;
    UINT z = 0;
    UINT columns = 0;  // elements (bytes for buffers) per row
    UINT rows = 0;
    UINT slices = 0;
};

bool ToElementBox(const ResourceCore& core, UINT subresource, const D3D11_BOX* box, ElementBox& out)
{
    const SubresourceLayout& layout = core.Layout(subresource);
    const D3D11_BOX whole{0, 0, 0, layout.width, layout.height, layout.depth};
    const D3D11_BOX& b = box ? *box : whole;
    if (b.left >= b.right || b.top >= b.bottom || b.front >= b.back || b.right > layout.width ||
        b.bottom > layout.height || b.back > layout.depth) {
        return false;
    }
    const bool isBuffer = core.Shape().dimension == D3D11_RESOURCE_DIMENSION_BUFFER;
    const UINT block = isBuffer ? 1 : LayoutOf(core.Shape().format).blockSize;
    auto aligned = [&](UINT value, UINT size) { return value % block == 0 || value == size; };
    if (!aligned(b.left, layout.width) || !aligned(b.right, layout.width) || !aligned(b.top, layout.height) ||
        !aligned(b.bottom, layout.height)) {
        return false;
    }
    out = {b.left / block, b.top / block, b.front, (b.right - b.left + block - 1) / block,
           (b.bottom - b.top + block - 1) / block, b.back - b.front};
    return true;
}

UINT ElementBytes(const ResourceCore& core)
{
    return core.Shape().dimension == D3D11_RESOURCE_DIMENSION_BUFFER ? 1 : LayoutOf(core.Shape().format).bytes;
}

std::byte* ElementAt(ResourceCore& core, UINT subresource, UINT x, UINT y, UINT z)
{
    const SubresourceLayout& layout = core.Layout(subresource);
    return core.Data(subresource) + std::size_t{z} * layout.depthPitch + std::size_t{y} * layout.rowPitch +
           std::size_t{x} * ElementBytes(core);
}

bool AnyMapped(const ResourceCore& core)
{
    for (UINT i = 0; i < core.SubresourceCount(); ++i) {
        if (core.IsMapped(i)) {
            return true;
        }
    }
    return false;
}

// Direct3D copies between resources of one kind, one memory family and one sample count.
bool Copyable(const ResourceCore& destination, const ResourceCore& source)
{
    const ResourceShape& to = destination.Shape();
    const ResourceShape& from = source.Shape();
    return &destination != &source && to.dimension == from.dimension && to.usage != D3D11_USAGE_IMMUTABLE &&
           to.sampleCount == from.sampleCount && ElementBytes(destination) == ElementBytes(source) &&
           (to.dimension == D3D11_RESOURCE_DIMENSION_BUFFER || SameFamily(to.format, from.format));
}

bool MapAllowed(const ResourceShape& shape, D3D11_MAP type)
{
    const bool read = (shape.cpuAccessFlags & D3D11_CPU_ACCESS_READ) != 0;
    const bool write = (shape.cpuAccessFlags & D3D11_CPU_ACCESS_WRITE) != 0;
    if (shape.usage == D3D11_USAGE_STAGING) {
        switch (type) {
        case D3D11_MAP_READ: return read;
        case D3D11_MAP_WRITE: return write;
        case D3D11_MAP_READ_WRITE: return read && write;
        default: return false;
        }
    }
    if (shape.usage == D3D11_USAGE_DYNAMIC) {
        return type == D3D11_MAP_WRITE_DISCARD ||
               (type == D3D11_MAP_WRITE_NO_OVERWRITE && shape.dimension == D3D11_RESOURCE_DIMENSION_BUFFER);
    }
    return false;
}

}  // namespace

void DeviceContext::ClearRenderTargetView(ID3D11RenderTargetView* view, const FLOAT color[4])
{
    if (!view || !color) {
        return;
    }
    RenderTargetView* target = Impl(view);
    ShadePendingTouching(&target->Core());
    const FormatCodec& codec = CodecOf(target->Range().format);
    if (!codec.store) {
        return;
    }
    std::byte element[16] = {};
    codec.store(Float4{color[0], color[1], color[2], color[3]}, element);
    for (UINT slice = 0; slice < target->Range().sliceCount; ++slice) {
        FillSurface(SurfaceOf(target->Core(), target->Range(), slice), element, Workers());
    }
}

void DeviceContext::ClearDepthStencilView(ID3D11DepthStencilView* view, UINT clearFlags, FLOAT depth, UINT8 stencil)
{
    if (!view) {
        return;
    }
    DepthStencilView* target = Impl(view);
    ShadePendingTouching(&target->Core());
    const DepthCodec& codec = DepthCodecOf(target->Range().format);
    const UINT bytes = codec.bytes;
    if (bytes == 0 || bytes > 8) {
        return;
    }
    // The clear as bits: writing into an element of zeros and one of ones tells which
    // bits it sets (equal in both) and to what; the others are kept.
    auto clear = [&](std::byte* element) {
        if (clearFlags & D3D11_CLEAR_DEPTH) {
            codec.write(codec.key(depth), element);
        }
        if ((clearFlags & D3D11_CLEAR_STENCIL) && codec.writeStencil) {
            codec.writeStencil(stencil, element);
        }
    };
    std::byte zeros[8] = {};
    std::byte ones[8];
    std::memset(ones, 0xFF, sizeof(ones));
    clear(zeros);
    clear(ones);
    std::uint64_t set = 0;
    std::uint64_t onesWord = 0;
    std::memcpy(&set, zeros, bytes);
    std::memcpy(&onesWord, ones, bytes);
    const std::uint64_t all = bytes == 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * bytes)) - 1;
    const std::uint64_t cleared = ~(set ^ onesWord) & all;
    for (UINT slice = 0; slice < target->Range().sliceCount; ++slice) {
        const Surface surface = SurfaceOf(target->Core(), target->Range(), slice);
        if (cleared == all) {
            FillSurface(surface, zeros, Workers());
            continue;
        }
        for (UINT y = 0; y < surface.height; ++y) {
            std::byte* row = surface.Element(0, y);
            for (UINT x = 0; x < surface.width; ++x) {
                std::uint64_t word = 0;
                std::memcpy(&word, row + std::size_t{x} * bytes, bytes);
                word = (word & ~cleared) | set;
                std::memcpy(row + std::size_t{x} * bytes, &word, bytes);
            }
        }
    }
}

void DeviceContext::UpdateSubresource(ID3D11Resource* destination, UINT subresource, const D3D11_BOX* box,
                                      const void* data, UINT rowPitch, UINT depthPitch)
{
    ResourceCore* core = CoreOf(destination);
    ShadePendingTouching(core);
    ElementBox region;
    if (!core || !data || subresource >= core->SubresourceCount() || core->Shape().usage != D3D11_USAGE_DEFAULT ||
        core->Shape().sampleCount != 1 || (core->Shape().bindFlags & D3D11_BIND_DEPTH_STENCIL) ||
        core->IsMapped(subresource) || !ToElementBox(*core, subresource, box, region)) {
        return;
    }
    const std::size_t rowBytes = std::size_t{region.columns} * ElementBytes(*core);
    const auto* from = static_cast<const std::byte*>(data);
    for (UINT z = 0; z < region.slices; ++z) {
        for (UINT row = 0; row < region.rows; ++row) {
            std::memcpy(ElementAt(*core, subresource, region.x, region.y + row, region.z + z),
                        from + std::size_t{z} * depthPitch + std::size_t{row} * rowPitch, rowBytes);
        }
    }
}

void DeviceContext::CopyResource(ID3D11Resource* destination, ID3D11Resource* source)
{
    ResourceCore* to = CoreOf(destination);
    ResourceCore* from = CoreOf(source);
    ShadePendingTouching(to);
    ShadePendingTouching(from);
    if (!to || !from || !Copyable(*to, *from) || AnyMapped(*to) || AnyMapped(*from)) {
        return;
    }
    const ResourceShape& a = to->Shape();
    const ResourceShape& b = from->Shape();
    if (a.width != b.width || a.height != b.height || a.depth != b.depth || a.mipLevels != b.mipLevels ||
        a.arraySize != b.arraySize || to->TotalBytes() != from->TotalBytes()) {
        return;
    }
    std::memcpy(to->Data(0), from->Data(0), to->TotalBytes());
}

void DeviceContext::CopySubresourceRegion(ID3D11Resource* destination, UINT destinationSubresource, UINT x, UINT y,
                                          UINT z, ID3D11Resource* source, UINT sourceSubresource, const D3D11_BOX* box)
{
    ResourceCore* to = CoreOf(destination);
    ResourceCore* from = CoreOf(source);
    ShadePendingTouching(to);
    ShadePendingTouching(from);
    ElementBox region;
    if (!to || !from || !Copyable(*to, *from) || destinationSubresource >= to->SubresourceCount() ||
        sourceSubresource >= from->SubresourceCount() || to->IsMapped(destinationSubresource) ||
        from->IsMapped(sourceSubresource) || !ToElementBox(*from, sourceSubresource, box, region)) {
        return;
    }
    // The destination box: the same size at (x, y, z), in texels (bytes for buffers).
    const UINT block = to->Shape().dimension == D3D11_RESOURCE_DIMENSION_BUFFER ? 1 : LayoutOf(to->Shape().format).blockSize;
    const SubresourceLayout& target = to->Layout(destinationSubresource);
    const SubresourceLayout& origin = from->Layout(sourceSubresource);
    const D3D11_BOX sourceBox = box ? *box : D3D11_BOX{0, 0, 0, origin.width, origin.height, origin.depth};
    const std::uint64_t right = std::uint64_t{x} + (sourceBox.right - sourceBox.left);
    const std::uint64_t bottom = std::uint64_t{y} + (sourceBox.bottom - sourceBox.top);
    const std::uint64_t back = std::uint64_t{z} + region.slices;
    if (x % block != 0 || y % block != 0 || right > target.width || bottom > target.height || back > target.depth) {
        return;
    }
    const std::size_t rowBytes = std::size_t{region.columns} * ElementBytes(*to);
    for (UINT slice = 0; slice < region.slices; ++slice) {
        for (UINT row = 0; row < region.rows; ++row) {
            std::memcpy(ElementAt(*to, destinationSubresource, x / block, y / block + row, z + slice),
                        ElementAt(*from, sourceSubresource, region.x, region.y + row, region.z + slice), rowBytes);
        }
    }
}

HRESULT DeviceContext::Map(ID3D11Resource* resource, UINT subresource, D3D11_MAP type, UINT flags,
                           D3D11_MAPPED_SUBRESOURCE* mapped)
{
    if (mapped) {
        *mapped = D3D11_MAPPED_SUBRESOURCE{};
    }
    ResourceCore* core = CoreOf(resource);
    ShadePendingTouching(core);
    if (!core || !mapped || subresource >= core->SubresourceCount() || (flags & ~kMapDoNotWait) != 0 ||
        !MapAllowed(core->Shape(), type) || core->IsMapped(subresource)) {
        return E_INVALIDARG;
    }
    const SubresourceLayout& layout = core->Layout(subresource);
    core->SetMapped(subresource, true);
    *mapped = D3D11_MAPPED_SUBRESOURCE{core->Data(subresource), layout.rowPitch, layout.depthPitch};
    return S_OK;
}

void DeviceContext::Unmap(ID3D11Resource* resource, UINT subresource)
{
    ResourceCore* core = CoreOf(resource);
    if (core && subresource < core->SubresourceCount()) {
        core->SetMapped(subresource, false);
    }
}

}  // namespace d3d11sw
