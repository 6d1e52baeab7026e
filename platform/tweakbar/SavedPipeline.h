#pragma once
// The pipeline state a bar draw changes, taken from a context and put back when the
// owner goes, so drawing the bars leaves the application's state as it was.

#include "platform/d3d11/D3D11.h"
#include "platform/d3d11/com/ComPtr.h"

namespace platform::tweakbar {

class SavedPipeline {
public:
    explicit SavedPipeline(ID3D11DeviceContext* context);
    ~SavedPipeline();
    SavedPipeline(const SavedPipeline&) = delete;
    SavedPipeline& operator=(const SavedPipeline&) = delete;

    // The constant-buffer slots the bars' pixel kernels read.
    static constexpr UINT ConstantSlots = 2;

private:
    ID3D11DeviceContext* context_;
    d3d11sw::ComPtr<ID3D11InputLayout> layout_;
    D3D11_PRIMITIVE_TOPOLOGY topology_ {};
    d3d11sw::ComPtr<ID3D11VertexShader> vertexShader_;
    d3d11sw::ComPtr<ID3D11PixelShader> pixelShader_;
    d3d11sw::ComPtr<ID3D11Buffer> pixelConstants_[ConstantSlots];
    d3d11sw::ComPtr<ID3D11RasterizerState> raster_;
    UINT viewportCount_ = D3D11_VIEWPORT_AND_SCISSORRECT_OBJECT_COUNT_PER_PIPELINE;
    D3D11_VIEWPORT viewports_[D3D11_VIEWPORT_AND_SCISSORRECT_OBJECT_COUNT_PER_PIPELINE] {};
    UINT scissorCount_ = D3D11_VIEWPORT_AND_SCISSORRECT_OBJECT_COUNT_PER_PIPELINE;
    D3D11_RECT scissors_[D3D11_VIEWPORT_AND_SCISSORRECT_OBJECT_COUNT_PER_PIPELINE] {};
    d3d11sw::ComPtr<ID3D11BlendState> blend_;
    FLOAT blendFactor_[4] {};
    UINT sampleMask_ = 0;
    d3d11sw::ComPtr<ID3D11DepthStencilState> depth_;
    UINT stencilRef_ = 0;
};

}  // namespace platform::tweakbar
