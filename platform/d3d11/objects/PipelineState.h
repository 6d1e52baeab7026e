#pragma once
// What the immediate context has bound. Bindings hold private references, so a bound
// object lives until it is unbound but does not keep its device alive.

#include "platform/d3d11/objects/Buffer.h"
#include "platform/d3d11/objects/InputLayout.h"
#include "platform/d3d11/objects/Shaders.h"
#include "platform/d3d11/objects/StateObject.h"
#include "platform/d3d11/objects/View.h"

#include <array>
#include <utility>

namespace d3d11sw {

template <class T>
class Bound {
public:
    Bound() = default;
    Bound(const Bound&) = delete;
    Bound& operator=(const Bound&) = delete;
    ~Bound() { Set(nullptr); }

    void Set(T* object)
    {
        if (object) {
            object->AddPrivateRef();
        }
        if (T* old = std::exchange(object_, object)) {
            old->ReleasePrivateRef();
        }
    }
    T* Get() const { return object_; }
    // A public reference for a getter; null stays null.
    template <class Face>
    Face* Hand() const
    {
        if (object_) {
            object_->AddRef();
        }
        return object_;
    }

private:
    T* object_ = nullptr;
};

struct VertexBufferBinding {
    Bound<Buffer> buffer;
    UINT stride = 0;
    UINT offset = 0;
};

class StageBindings {
public:
    std::array<Bound<Buffer>, D3D11_COMMONSHADER_CONSTANT_BUFFER_API_SLOT_COUNT> constantBuffers;
    std::array<Bound<ShaderResourceView>, D3D11_COMMONSHADER_INPUT_RESOURCE_SLOT_COUNT> views;
    std::array<Bound<SamplerState>, D3D11_COMMONSHADER_SAMPLER_SLOT_COUNT> samplers;
};

struct PipelineState {
    Bound<InputLayout> inputLayout;
    std::array<VertexBufferBinding, D3D11_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT> vertexBuffers;
    Bound<Buffer> indexBuffer;
    DXGI_FORMAT indexFormat = DXGI_FORMAT_UNKNOWN;
    UINT indexOffset = 0;
    D3D11_PRIMITIVE_TOPOLOGY topology = D3D11_PRIMITIVE_TOPOLOGY_UNDEFINED;

    Bound<VertexShader> vertexShader;
    StageBindings vertexStage;
    Bound<PixelShader> pixelShader;
    StageBindings pixelStage;

    Bound<RasterizerState> rasterizer;
    std::array<D3D11_VIEWPORT, D3D11_VIEWPORT_AND_SCISSORRECT_OBJECT_COUNT_PER_PIPELINE> viewports{};
    UINT viewportCount = 0;
    std::array<D3D11_RECT, D3D11_VIEWPORT_AND_SCISSORRECT_OBJECT_COUNT_PER_PIPELINE> scissors{};
    UINT scissorCount = 0;

    std::array<Bound<RenderTargetView>, D3D11_SIMULTANEOUS_RENDER_TARGET_COUNT> renderTargets;
    Bound<DepthStencilView> depthStencilView;
    Bound<BlendState> blend;
    std::array<FLOAT, 4> blendFactor{1.0f, 1.0f, 1.0f, 1.0f};
    UINT sampleMask = D3D11_DEFAULT_SAMPLE_MASK;
    Bound<DepthStencilState> depthStencil;
    UINT stencilRef = 0;
};

}  // namespace d3d11sw
