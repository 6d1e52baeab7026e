#pragma once
// ID3D11VertexShader and ID3D11PixelShader: a native kernel and what the pipeline needs
// to know about it.

#include "platform/d3d11/kernels/ShaderKernels.h"
#include "platform/d3d11/objects/DeviceChild.h"

namespace d3d11sw {

template <class Face, class Desc>
class Shader final : public DeviceChild<Face> {
public:
    Shader(ID3D11Device* device, Desc desc) : DeviceChild<Face>(device), desc_(std::move(desc)) {}
    const Desc& Description() const { return desc_; }

protected:
    void* Query(REFIID riid) override { return QueryFaces<Face, ID3D11DeviceChild>(this, riid); }

private:
    Desc desc_;
};

using VertexShader = Shader<ID3D11VertexShader, VertexShaderDesc>;
using PixelShader = Shader<ID3D11PixelShader, PixelShaderDesc>;

}  // namespace d3d11sw
