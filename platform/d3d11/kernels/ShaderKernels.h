#pragma once
// Shaders of the software device are native kernels: C++ callables for the vertex and
// the pixel stage. The effect runtime makes shader objects from them with the two
// functions below and binds them with VSSetShader/PSSetShader; draws then run them.
//
// A vertex kernel gets the vertex index and the attributes its input signature names
// (in signature order, fetched through the bound input layout), and writes the clip
// position and its varyings. A pixel kernel gets the perspective-correct varyings at
// the pixel centre (and their screen derivatives when it asks for them) and writes up to
// eight colours; returning false discards the pixel. Both read their stage's constant
// buffers, shader resources and samplers through StageResources.

#include "platform/d3d11/api/D3D11Interfaces.h"
#include "platform/d3d11/kernels/Float4.h"
#include "platform/d3d11/kernels/InputSignature.h"

#include <cstring>
#include <functional>
#include <vector>

namespace d3d11sw {

class StageBindings;

constexpr UINT kMaxVaryings = 16;

struct VertexInput {
    UINT vertexId = 0;
    UINT instanceId = 0;
    const Float4* attributes = nullptr;  // one per input signature element
};

struct VertexOutput {
    Float4 position;  // clip space
    Float4 varyings[kMaxVaryings];
};

struct PixelInput {
    Float4 position;                // pixel centre x, y; depth z; 1/w in w
    const Float4* varyings = nullptr;
    const Float4* ddx = nullptr;    // set when the pixel kernel asked for derivatives
    const Float4* ddy = nullptr;
    bool frontFace = true;
};

struct PixelOutput {
    Float4 targets[D3D11_SIMULTANEOUS_RENDER_TARGET_COUNT];
};

// What a kernel reads of its stage: the constant buffers, shader resources and samplers
// bound to its slots when the draw was issued.
class StageResources {
public:
    explicit StageResources(const StageBindings& bindings);

    // The bytes of a constant buffer slot; null (and size 0) when nothing is bound.
    const std::byte* ConstantBuffer(UINT slot, UINT* size = nullptr) const
    {
        const bool bound = slot < kConstantSlots;
        if (size) {
            *size = bound ? constantSizes_[slot] : 0;
        }
        return bound ? constantData_[slot] : nullptr;
    }
    // A value at a byte offset of a constant buffer; zero outside the buffer.
    template <class T>
    T Constant(UINT slot, UINT offset) const
    {
        T value{};
        UINT size = 0;
        const std::byte* bytes = ConstantBuffer(slot, &size);
        if (bytes && offset <= size && sizeof(T) <= size - offset) {
            std::memcpy(&value, bytes + offset, sizeof(T));
        }
        return value;
    }

    // Filtered sample of a texture view at coord (u, v[, w or array index]); the level of
    // detail comes from the screen derivatives of the coordinate.
    Float4 Sample(UINT texture, UINT sampler, const Float4& coord, const Float4& ddx, const Float4& ddy) const;
    Float4 SampleLevel(UINT texture, UINT sampler, const Float4& coord, float lod) const;
    // One texel of a view's mip level (z: array slice or depth); 0 outside.
    Float4 Load(UINT texture, int x, int y, int z, UINT mip) const;
    // An element of a buffer view; null outside the view.
    const std::byte* Element(UINT buffer, UINT index) const;
    // Size of a view's mip level and its level count; false when the slot is empty.
    bool Dimensions(UINT texture, UINT mip, UINT& width, UINT& height, UINT& depth, UINT& levels) const;

private:
    static constexpr UINT kConstantSlots = D3D11_COMMONSHADER_CONSTANT_BUFFER_API_SLOT_COUNT;

    const StageBindings& bindings_;
    // Read on every pixel, so taken from the bindings once per draw.
    const std::byte* constantData_[kConstantSlots] = {};
    UINT constantSizes_[kConstantSlots] = {};
};

using VertexKernel = std::function<void(const StageResources&, const VertexInput&, VertexOutput&)>;
using PixelKernel = std::function<bool(const StageResources&, const PixelInput&, PixelOutput&)>;

struct VertexShaderDesc {
    VertexKernel kernel;
    std::vector<SignatureElement> inputs;
    UINT varyingCount = 0;  // up to kMaxVaryings
};

struct PixelShaderDesc {
    PixelKernel kernel;
    bool usesDerivatives = false;
};

// E_INVALIDARG without a kernel or with too many varyings.
HRESULT CreateVertexShader(ID3D11Device* device, VertexShaderDesc desc, ID3D11VertexShader** shader);
HRESULT CreatePixelShader(ID3D11Device* device, PixelShaderDesc desc, ID3D11PixelShader** shader);

}  // namespace d3d11sw
