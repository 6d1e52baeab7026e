#include "platform/d3d11/objects/DeviceContext.h"

#include "platform/d3d11/objects/BindingHazards.h"

#include "platform/d3d11/pipeline/RasterThreads.h"
#include "platform/win/AvailableCores.h"

#include <algorithm>

namespace d3d11sw {
namespace {

// Binds count objects from startSlot on; slots outside the array are ignored, as a null
// array unbinds.
template <class Impl, class Face, std::size_t N>
void SetSlots(std::array<Bound<Impl>, N>& slots, UINT startSlot, UINT count, Face* const* objects)
{
    for (UINT i = 0; i < count && startSlot + i < N; ++i) {
        slots[startSlot + i].Set(objects ? static_cast<Impl*>(objects[i]) : nullptr);
    }
}

// Views of subresources bound for writing are bound as null.
template <std::size_t N>
void SetViews(const PipelineState& state, std::array<Bound<ShaderResourceView>, N>& slots, UINT startSlot, UINT count,
              ID3D11ShaderResourceView* const* views)
{
    for (UINT i = 0; i < count && startSlot + i < N; ++i) {
        auto* view = views ? static_cast<ShaderResourceView*>(views[i]) : nullptr;
        slots[startSlot + i].Set(view && !BoundForWriting(state, *view) ? view : nullptr);
    }
}

template <class Impl, class Face, std::size_t N>
void GetSlots(const std::array<Bound<Impl>, N>& slots, UINT startSlot, UINT count, Face** objects)
{
    for (UINT i = 0; i < count && objects; ++i) {
        objects[i] = startSlot + i < N ? slots[startSlot + i].template Hand<Face>() : nullptr;
    }
}

template <class Impl, class Face>
void SetShader(Bound<Impl>& slot, Face* shader)
{
    slot.Set(static_cast<Impl*>(shader));
}

template <class Impl, class Face>
void GetShader(const Bound<Impl>& slot, Face** shader, UINT* instanceCount)
{
    if (shader) {
        *shader = slot.template Hand<Face>();
    }
    if (instanceCount) {
        *instanceCount = 0;
    }
}

}  // namespace

DeviceContext::DeviceContext(ID3D11Device* device)
    : device_(device),
      state_(std::make_unique<PipelineState>()),
      frame_(std::make_unique<BinnedFrame>()),
      rasterThreads_(std::clamp(AvailableCores(), 1u, 8u))
{
}

void DeviceContext::SetRasterThreads(unsigned threads)
{
    ShadePending();
    rasterThreads_ = std::max(threads, 1u);
    if (workers_ && workers_->Threads() != rasterThreads_) {
        workers_.reset();
    }
}

WorkerPool* DeviceContext::Workers()
{
    if (rasterThreads_ < 2) {
        return nullptr;
    }
    if (!workers_) {
        workers_ = std::make_unique<WorkerPool>(rasterThreads_ - 1);
    }
    return workers_.get();
}

void DeviceContext::ShadePending(bool keepLastDraw)
{
    if (!frame_->Empty()) {
        frame_->Shade(Workers(), keepLastDraw);
    }
}

void DeviceContext::ShadePendingTouching(const ResourceCore* resource)
{
    if (resource && !frame_->Empty() && frame_->Touches(*resource)) {
        ShadePending();
    }
}

void SetRasterThreads(ID3D11DeviceContext* context, unsigned threads)
{
    static_cast<DeviceContext*>(context)->SetRasterThreads(threads);
}

HRESULT DeviceContext::QueryInterface(REFIID riid, void** object)
{
    if (!object) {
        return E_POINTER;
    }
    if (riid == IUnknown::Iid || riid == ID3D11DeviceChild::Iid || riid == ID3D11DeviceContext::Iid) {
        AddRef();
        *object = static_cast<ID3D11DeviceContext*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG DeviceContext::AddRef()
{
    device_->AddRef();
    return ++references_;
}

ULONG DeviceContext::Release()
{
    const ULONG left = --references_;
    device_->Release();  // may destroy the device and this context
    return left;
}

void DeviceContext::GetDevice(ID3D11Device** device)
{
    device_->AddRef();
    *device = device_;
}

void DeviceContext::ClearState()
{
    // Unbinding may end objects whose last reference was the binding.
    auto old = std::exchange(state_, std::make_unique<PipelineState>());
    old.reset();
}

// ---- input assembler -----------------------------------------------------------------

void DeviceContext::IASetInputLayout(ID3D11InputLayout* layout)
{
    state_->inputLayout.Set(static_cast<InputLayout*>(layout));
}

void DeviceContext::IAGetInputLayout(ID3D11InputLayout** layout)
{
    *layout = state_->inputLayout.Hand<ID3D11InputLayout>();
}

void DeviceContext::IASetVertexBuffers(UINT startSlot, UINT count, ID3D11Buffer* const* buffers, const UINT* strides,
                                       const UINT* offsets)
{
    for (UINT i = 0; i < count && startSlot + i < D3D11_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT; ++i) {
        VertexBufferBinding& binding = state_->vertexBuffers[startSlot + i];
        binding.buffer.Set(buffers ? static_cast<Buffer*>(buffers[i]) : nullptr);
        binding.stride = strides ? strides[i] : 0;
        binding.offset = offsets ? offsets[i] : 0;
    }
}

void DeviceContext::IAGetVertexBuffers(UINT startSlot, UINT count, ID3D11Buffer** buffers, UINT* strides,
                                       UINT* offsets)
{
    for (UINT i = 0; i < count; ++i) {
        const bool inside = startSlot + i < D3D11_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT;
        const VertexBufferBinding* binding = inside ? &state_->vertexBuffers[startSlot + i] : nullptr;
        if (buffers) {
            buffers[i] = binding ? binding->buffer.Hand<ID3D11Buffer>() : nullptr;
        }
        if (strides) {
            strides[i] = binding ? binding->stride : 0;
        }
        if (offsets) {
            offsets[i] = binding ? binding->offset : 0;
        }
    }
}

void DeviceContext::IASetIndexBuffer(ID3D11Buffer* buffer, DXGI_FORMAT format, UINT offset)
{
    state_->indexBuffer.Set(static_cast<Buffer*>(buffer));
    state_->indexFormat = format;
    state_->indexOffset = offset;
}

void DeviceContext::IAGetIndexBuffer(ID3D11Buffer** buffer, DXGI_FORMAT* format, UINT* offset)
{
    if (buffer) {
        *buffer = state_->indexBuffer.Hand<ID3D11Buffer>();
    }
    if (format) {
        *format = state_->indexFormat;
    }
    if (offset) {
        *offset = state_->indexOffset;
    }
}

void DeviceContext::IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY topology) { state_->topology = topology; }

void DeviceContext::IAGetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY* topology) { *topology = state_->topology; }

// ---- vertex and pixel stages ---------------------------------------------------------

void DeviceContext::VSSetShader(ID3D11VertexShader* shader, ID3D11ClassInstance* const*, UINT)
{
    SetShader(state_->vertexShader, shader);
}

void DeviceContext::VSGetShader(ID3D11VertexShader** shader, ID3D11ClassInstance**, UINT* count)
{
    GetShader(state_->vertexShader, shader, count);
}

void DeviceContext::VSSetConstantBuffers(UINT startSlot, UINT count, ID3D11Buffer* const* buffers)
{
    SetSlots(state_->vertexStage.constantBuffers, startSlot, count, buffers);
}

void DeviceContext::VSGetConstantBuffers(UINT startSlot, UINT count, ID3D11Buffer** buffers)
{
    GetSlots(state_->vertexStage.constantBuffers, startSlot, count, buffers);
}

void DeviceContext::VSSetShaderResources(UINT startSlot, UINT count, ID3D11ShaderResourceView* const* views)
{
    SetViews(*state_, state_->vertexStage.views, startSlot, count, views);
}

void DeviceContext::VSGetShaderResources(UINT startSlot, UINT count, ID3D11ShaderResourceView** views)
{
    GetSlots(state_->vertexStage.views, startSlot, count, views);
}

void DeviceContext::VSSetSamplers(UINT startSlot, UINT count, ID3D11SamplerState* const* samplers)
{
    SetSlots(state_->vertexStage.samplers, startSlot, count, samplers);
}

void DeviceContext::VSGetSamplers(UINT startSlot, UINT count, ID3D11SamplerState** samplers)
{
    GetSlots(state_->vertexStage.samplers, startSlot, count, samplers);
}

void DeviceContext::PSSetShader(ID3D11PixelShader* shader, ID3D11ClassInstance* const*, UINT)
{
    SetShader(state_->pixelShader, shader);
}

void DeviceContext::PSGetShader(ID3D11PixelShader** shader, ID3D11ClassInstance**, UINT* count)
{
    GetShader(state_->pixelShader, shader, count);
}

void DeviceContext::PSSetConstantBuffers(UINT startSlot, UINT count, ID3D11Buffer* const* buffers)
{
    SetSlots(state_->pixelStage.constantBuffers, startSlot, count, buffers);
}

void DeviceContext::PSGetConstantBuffers(UINT startSlot, UINT count, ID3D11Buffer** buffers)
{
    GetSlots(state_->pixelStage.constantBuffers, startSlot, count, buffers);
}

void DeviceContext::PSSetShaderResources(UINT startSlot, UINT count, ID3D11ShaderResourceView* const* views)
{
    SetViews(*state_, state_->pixelStage.views, startSlot, count, views);
}

void DeviceContext::PSGetShaderResources(UINT startSlot, UINT count, ID3D11ShaderResourceView** views)
{
    GetSlots(state_->pixelStage.views, startSlot, count, views);
}

void DeviceContext::PSSetSamplers(UINT startSlot, UINT count, ID3D11SamplerState* const* samplers)
{
    SetSlots(state_->pixelStage.samplers, startSlot, count, samplers);
}

void DeviceContext::PSGetSamplers(UINT startSlot, UINT count, ID3D11SamplerState** samplers)
{
    GetSlots(state_->pixelStage.samplers, startSlot, count, samplers);
}

// ---- rasteriser ----------------------------------------------------------------------

void DeviceContext::RSSetState(ID3D11RasterizerState* state)
{
    state_->rasterizer.Set(static_cast<RasterizerState*>(state));
}

void DeviceContext::RSGetState(ID3D11RasterizerState** state)
{
    *state = state_->rasterizer.Hand<ID3D11RasterizerState>();
}

void DeviceContext::RSSetViewports(UINT count, const D3D11_VIEWPORT* viewports)
{
    const UINT kept = viewports ? std::min<UINT>(count, state_->viewports.size()) : 0;
    std::copy(viewports, viewports + kept, state_->viewports.begin());
    state_->viewportCount = kept;
}

void DeviceContext::RSGetViewports(UINT* count, D3D11_VIEWPORT* viewports)
{
    if (!count) {
        return;
    }
    if (!viewports) {
        *count = state_->viewportCount;
        return;
    }
    const UINT written = std::min(*count, state_->viewportCount);
    std::copy(state_->viewports.begin(), state_->viewports.begin() + written, viewports);
    *count = written;
}

void DeviceContext::RSSetScissorRects(UINT count, const D3D11_RECT* rects)
{
    const UINT kept = rects ? std::min<UINT>(count, state_->scissors.size()) : 0;
    std::copy(rects, rects + kept, state_->scissors.begin());
    state_->scissorCount = kept;
}

void DeviceContext::RSGetScissorRects(UINT* count, D3D11_RECT* rects)
{
    if (!count) {
        return;
    }
    if (!rects) {
        *count = state_->scissorCount;
        return;
    }
    const UINT written = std::min(*count, state_->scissorCount);
    std::copy(state_->scissors.begin(), state_->scissors.begin() + written, rects);
    *count = written;
}

// ---- output merger -------------------------------------------------------------------

void DeviceContext::OMSetRenderTargets(UINT count, ID3D11RenderTargetView* const* views,
                                       ID3D11DepthStencilView* depthStencilView)
{
    for (UINT slot = 0; slot < D3D11_SIMULTANEOUS_RENDER_TARGET_COUNT; ++slot) {
        ID3D11RenderTargetView* view = (views && slot < count) ? views[slot] : nullptr;
        state_->renderTargets[slot].Set(static_cast<RenderTargetView*>(view));
    }
    state_->depthStencilView.Set(static_cast<DepthStencilView*>(depthStencilView));
    UnbindWrittenViews(*state_);
}

void DeviceContext::OMGetRenderTargets(UINT count, ID3D11RenderTargetView** views,
                                       ID3D11DepthStencilView** depthStencilView)
{
    GetSlots(state_->renderTargets, 0, count, views);
    if (depthStencilView) {
        *depthStencilView = state_->depthStencilView.Hand<ID3D11DepthStencilView>();
    }
}

void DeviceContext::OMSetBlendState(ID3D11BlendState* state, const FLOAT blendFactor[4], UINT sampleMask)
{
    state_->blend.Set(static_cast<BlendState*>(state));
    if (blendFactor) {
        std::copy(blendFactor, blendFactor + 4, state_->blendFactor.begin());
    } else {
        state_->blendFactor = {1.0f, 1.0f, 1.0f, 1.0f};
    }
    state_->sampleMask = sampleMask;
}

void DeviceContext::OMGetBlendState(ID3D11BlendState** state, FLOAT blendFactor[4], UINT* sampleMask)
{
    if (state) {
        *state = state_->blend.Hand<ID3D11BlendState>();
    }
    if (blendFactor) {
        std::copy(state_->blendFactor.begin(), state_->blendFactor.end(), blendFactor);
    }
    if (sampleMask) {
        *sampleMask = state_->sampleMask;
    }
}

void DeviceContext::OMSetDepthStencilState(ID3D11DepthStencilState* state, UINT stencilRef)
{
    state_->depthStencil.Set(static_cast<DepthStencilState*>(state));
    state_->stencilRef = stencilRef;
}

void DeviceContext::OMGetDepthStencilState(ID3D11DepthStencilState** state, UINT* stencilRef)
{
    if (state) {
        *state = state_->depthStencil.Hand<ID3D11DepthStencilState>();
    }
    if (stencilRef) {
        *stencilRef = state_->stencilRef;
    }
}

}  // namespace d3d11sw
