#include "platform/d3d11/objects/TextureCreation.h"

namespace d3d11sw {

ResourceShape ShapeOf(const D3D11_TEXTURE2D_DESC& desc)
{
    ResourceShape shape;
    shape.dimension = D3D11_RESOURCE_DIMENSION_TEXTURE2D;
    shape.format = desc.Format;
    shape.width = desc.Width;
    shape.height = desc.Height;
    shape.mipLevels = desc.MipLevels;
    shape.arraySize = desc.ArraySize;
    shape.sampleCount = desc.SampleDesc.Count;
    shape.usage = desc.Usage;
    shape.bindFlags = desc.BindFlags;
    shape.cpuAccessFlags = desc.CPUAccessFlags;
    shape.miscFlags = desc.MiscFlags;
    return shape;
}

ResourceShape ShapeOf(const D3D11_TEXTURE3D_DESC& desc)
{
    ResourceShape shape;
    shape.dimension = D3D11_RESOURCE_DIMENSION_TEXTURE3D;
    shape.format = desc.Format;
    shape.width = desc.Width;
    shape.height = desc.Height;
    shape.depth = desc.Depth;
    shape.mipLevels = desc.MipLevels;
    shape.usage = desc.Usage;
    shape.bindFlags = desc.BindFlags;
    shape.cpuAccessFlags = desc.CPUAccessFlags;
    shape.miscFlags = desc.MiscFlags;
    return shape;
}

}  // namespace d3d11sw
