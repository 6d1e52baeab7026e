#include "platform/d3d11/objects/ResourceValidation.h"

#include "platform/d3d11/formats/FormatLayout.h"

namespace d3d11sw {
namespace {

constexpr UINT kKnownBindFlags = 0xFF;
constexpr UINT kCpuAccessFlags = D3D11_CPU_ACCESS_READ | D3D11_CPU_ACCESS_WRITE;
constexpr UINT kGpuWriteBindFlags = D3D11_BIND_RENDER_TARGET | D3D11_BIND_DEPTH_STENCIL |
                                    D3D11_BIND_UNORDERED_ACCESS | D3D11_BIND_STREAM_OUTPUT;

bool Has(UINT flags, UINT flag) { return (flags & flag) != 0; }

// The rules of usage against CPU access and bind flags, common to all resources.
bool UsageAllowed(const ResourceShape& shape, bool hasData)
{
    if ((shape.bindFlags & ~kKnownBindFlags) != 0 || (shape.cpuAccessFlags & ~kCpuAccessFlags) != 0) {
        return false;
    }
    switch (shape.usage) {
    case D3D11_USAGE_DEFAULT:
        return shape.cpuAccessFlags == 0;
    case D3D11_USAGE_IMMUTABLE:
        return hasData && shape.cpuAccessFlags == 0 && !Has(shape.bindFlags, kGpuWriteBindFlags);
    case D3D11_USAGE_DYNAMIC:
        return shape.cpuAccessFlags == D3D11_CPU_ACCESS_WRITE && !Has(shape.bindFlags, kGpuWriteBindFlags);
    case D3D11_USAGE_STAGING:
        return shape.bindFlags == 0 && shape.cpuAccessFlags != 0;
    default:
        return false;
    }
}

}  // namespace

bool FamilyHasDepth(DXGI_FORMAT format)
{
    switch (LayoutOf(format).family) {
    case DXGI_FORMAT_R32_TYPELESS:
    case DXGI_FORMAT_R24G8_TYPELESS:
    case DXGI_FORMAT_R16_TYPELESS:
    case DXGI_FORMAT_R32G8X24_TYPELESS:
        return true;
    default:
        return false;
    }
}

HRESULT CheckBufferDesc(const D3D11_BUFFER_DESC& desc, bool hasData, ResourceShape& shape)
{
    shape = ResourceShape{};
    shape.dimension = D3D11_RESOURCE_DIMENSION_BUFFER;
    shape.width = desc.ByteWidth;
    shape.usage = desc.Usage;
    shape.bindFlags = desc.BindFlags;
    shape.cpuAccessFlags = desc.CPUAccessFlags;
    shape.miscFlags = desc.MiscFlags;
    shape.structureStride = desc.StructureByteStride;
    if (desc.ByteWidth == 0 || !UsageAllowed(shape, hasData) || Has(desc.BindFlags, D3D11_BIND_DEPTH_STENCIL) ||
        Has(desc.MiscFlags, D3D11_RESOURCE_MISC_GENERATE_MIPS | D3D11_RESOURCE_MISC_TEXTURECUBE)) {
        return E_INVALIDARG;
    }
    if (Has(desc.BindFlags, D3D11_BIND_CONSTANT_BUFFER) &&
        (desc.BindFlags != D3D11_BIND_CONSTANT_BUFFER || desc.ByteWidth % 16 != 0 || desc.ByteWidth > 65536)) {
        return E_INVALIDARG;
    }
    if (Has(desc.MiscFlags, D3D11_RESOURCE_MISC_BUFFER_STRUCTURED)) {
        const UINT stride = desc.StructureByteStride;
        if (stride == 0 || stride % 4 != 0 || stride > 2048 || desc.ByteWidth % stride != 0 ||
            Has(desc.MiscFlags, D3D11_RESOURCE_MISC_BUFFER_ALLOW_RAW_VIEWS) ||
            Has(desc.BindFlags, D3D11_BIND_VERTEX_BUFFER | D3D11_BIND_INDEX_BUFFER | D3D11_BIND_CONSTANT_BUFFER)) {
            return E_INVALIDARG;
        }
    }
    return S_OK;
}

HRESULT CheckTextureShape(ResourceShape& shape, UINT sampleQuality, bool hasData)
{
    const FormatLayout& layout = LayoutOf(shape.format);
    const bool is3D = shape.dimension == D3D11_RESOURCE_DIMENSION_TEXTURE3D;
    const UINT maxSide = is3D ? D3D11_REQ_TEXTURE3D_U_V_OR_W_DIMENSION : D3D11_REQ_TEXTURE2D_U_OR_V_DIMENSION;
    if (!IsStorable(shape.format) || shape.width == 0 || shape.height == 0 || shape.depth == 0 ||
        shape.width > maxSide || shape.height > maxSide || shape.depth > maxSide || shape.arraySize == 0 ||
        shape.arraySize > D3D11_REQ_TEXTURE2D_ARRAY_AXIS_DIMENSION || !UsageAllowed(shape, hasData)) {
        return E_INVALIDARG;
    }
    const UINT fullChain = FullMipCount(shape.width, shape.height, shape.depth);
    if (shape.mipLevels == 0) {
        shape.mipLevels = fullChain;
    }
    if (shape.mipLevels > fullChain) {
        return E_INVALIDARG;
    }
    // Multisampled textures keep one sample per pixel here; they follow Direct3D's
    // rules for everything else.
    const UINT samples = shape.sampleCount;
    if (samples == 0 || samples > 8 || (samples & (samples - 1)) != 0 || sampleQuality != 0) {
        return E_INVALIDARG;
    }
    if (samples > 1 && (shape.mipLevels != 1 || hasData || shape.usage != D3D11_USAGE_DEFAULT ||
                        !Has(shape.bindFlags, D3D11_BIND_RENDER_TARGET | D3D11_BIND_DEPTH_STENCIL) ||
                        Has(shape.bindFlags, D3D11_BIND_UNORDERED_ACCESS))) {
        return E_INVALIDARG;
    }
    if (shape.usage == D3D11_USAGE_DYNAMIC && (shape.mipLevels != 1 || shape.arraySize != 1)) {
        return E_INVALIDARG;
    }
    if (layout.blockSize > 1 && (shape.width % 4 != 0 || shape.height % 4 != 0 ||
                                 Has(shape.bindFlags, kGpuWriteBindFlags))) {
        return E_INVALIDARG;
    }
    if (Has(shape.bindFlags, D3D11_BIND_VERTEX_BUFFER | D3D11_BIND_INDEX_BUFFER | D3D11_BIND_CONSTANT_BUFFER |
                                 D3D11_BIND_STREAM_OUTPUT)) {
        return E_INVALIDARG;
    }
    if (Has(shape.bindFlags, D3D11_BIND_DEPTH_STENCIL) &&
        (is3D || Has(shape.bindFlags, D3D11_BIND_RENDER_TARGET | D3D11_BIND_UNORDERED_ACCESS) ||
         !(layout.depth || (layout.typeless && FamilyHasDepth(shape.format))))) {
        return E_INVALIDARG;
    }
    // A typed depth format is for depth-stencil views only; a readable depth buffer
    // needs a typeless texture with typed views.
    if (layout.depth && Has(shape.bindFlags, D3D11_BIND_SHADER_RESOURCE | D3D11_BIND_RENDER_TARGET |
                                                 D3D11_BIND_UNORDERED_ACCESS)) {
        return E_INVALIDARG;
    }
    if (Has(shape.miscFlags, D3D11_RESOURCE_MISC_BUFFER_STRUCTURED | D3D11_RESOURCE_MISC_BUFFER_ALLOW_RAW_VIEWS)) {
        return E_INVALIDARG;
    }
    if (Has(shape.miscFlags, D3D11_RESOURCE_MISC_TEXTURECUBE) &&
        (is3D || shape.arraySize % 6 != 0 || shape.width != shape.height)) {
        return E_INVALIDARG;
    }
    if (Has(shape.miscFlags, D3D11_RESOURCE_MISC_GENERATE_MIPS) &&
        (shape.bindFlags & (D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE)) !=
            (D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE)) {
        return E_INVALIDARG;
    }
    return S_OK;
}

}  // namespace d3d11sw
