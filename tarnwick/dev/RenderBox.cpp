#include "tarnwick/dev/RenderBox.h"

#include "tarnwick/dx11/IndexBuffer.h"
#include "tarnwick/dx11/VertexBuffer.h"
#include "tarnwick/engine/EngineRoot.h"

namespace qz::dev {

namespace {

GuiResources& Resources() { return engine::QZRoot.CurrentDeviceData().guiResources; }

// A buffer that is missing, or whose creation failed, counts nothing, so draws with it
// draw nothing.
const dx11::IndexBuffer* IndexBufferOf(const GuiResources& resources, const char* name)
{
    const auto found = resources.buffers.find(name);
    return found == resources.buffers.end() ? nullptr : dynamic_cast<const dx11::IndexBuffer*>(found->second.get());
}

UINT IndexCountOf(const dx11::IndexBuffer* buffer) { return buffer && buffer->GetBuffer() ? buffer->GetIndexCount() : 0; }

void BindIndices(ID3D11DeviceContext* context, const dx11::IndexBuffer* buffer)
{
    context->IASetIndexBuffer(buffer ? buffer->GetBuffer() : nullptr, DXGI_FORMAT_R32_UINT, 0);
}

}  // namespace

void RenderBox::Render(ID3D11DeviceContext* context, const DirectX::XMFLOAT4X4& worldViewProjection,
                       const float color[4]) const
{
    ID3DX11Effect* effect = Resources().effects.at("3dobjects").get();
    effect->GetVariableByName("g_matWorldViewProjection")->AsMatrix()->SetMatrix(&worldViewProjection.m[0][0]);
    effect->GetVariableByName("g_color")->AsVector()->SetFloatVector(color);
    RenderLines(context, effect->GetTechniqueByIndex(0)->GetPassByIndex(0));
}

void RenderBox::RenderFaces(ID3D11DeviceContext* context, ID3DX11EffectPass* pass) const
{
    PrepareDraw(context);
    pass->Apply(0, context);
    context->DrawIndexed(IndexCountOf(IndexBufferOf(Resources(), "boxFace")), 0, 0);
}

void RenderBox::RenderLines(ID3D11DeviceContext* context, ID3DX11EffectPass* pass) const
{
    PrepareDraw(context);
    const dx11::IndexBuffer* lines = IndexBufferOf(Resources(), "boxLine");
    BindIndices(context, lines);
    context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_LINELIST);
    pass->Apply(0, context);
    context->DrawIndexed(IndexCountOf(lines), 0, 0);
}

void RenderBox::PrepareDraw(ID3D11DeviceContext* context) const
{
    GuiResources& resources = Resources();
    const auto layout = resources.inputLayouts.find("3dobjects");
    context->IASetInputLayout(layout == resources.inputLayouts.end() ? nullptr : layout->second.get());
    const auto found = resources.buffers.find("boxVertex");
    const auto* vertices =
        found == resources.buffers.end() ? nullptr : dynamic_cast<const dx11::VertexBuffer*>(found->second.get());
    ID3D11Buffer* buffer = vertices ? vertices->GetBuffer() : nullptr;
    const UINT stride = vertices ? vertices->GetStride() : 0;
    const UINT offset = 0;
    context->IASetVertexBuffers(0, 1, &buffer, &stride, &offset);
    BindIndices(context, IndexBufferOf(resources, "boxFace"));
    context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
}

}  // namespace qz::dev
