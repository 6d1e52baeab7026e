#include "tarnwick/dev/GuiDrawing.h"

#include "platform/effects/D3DX11Effect.h"
#include "tarnwick/engine/EngineRoot.h"

namespace qz::dev {

ClipRectangle RectangleInClipSpace(Int2 pixelPosition, Int2 pixelSize, Int2 screenSize)
{
    const float width = static_cast<float>(screenSize[0]);
    const float height = static_cast<float>(screenSize[1]);
    return {{2.0f * static_cast<float>(pixelPosition[0]) / width - 1.0f,
             1.0f - 2.0f * static_cast<float>(pixelPosition[1]) / height},
            {2.0f * static_cast<float>(pixelSize[0]) / width, -2.0f * static_cast<float>(pixelSize[1]) / height}};
}

GuiDrawing::GuiDrawing(const char* passName)
{
    engine::QZRootImpl::DeviceData* data = engine::QZRoot.FindCurrentDeviceData();
    if (!data) {
        return;
    }
    const auto found = data->guiResources.effects.find("graph");
    if (found == data->guiResources.effects.end() || !found->second) {
        return;
    }
    effect_ = found->second.get();
    ID3DX11EffectPass* pass = effect_->GetTechniqueByName("RenderGraphs")->GetPassByName(passName);
    if (pass->IsValid()) {
        pass_ = pass;
    }
}

void GuiDrawing::SetColor(const Float4& color)
{
    effect_->GetVariableByName("g_graphColor")->AsVector()->SetFloatVector(color.data());
}

void GuiDrawing::SetImage(ID3D11ShaderResourceView* view, float rotationAngle)
{
    effect_->GetVariableByName("g_texImage")->AsShaderResource()->SetResource(view);
    effect_->GetVariableByName("g_rotationAngle")->AsScalar()->SetFloat(rotationAngle);
}

void GuiDrawing::Draw(ID3D11DeviceContext* context, const ClipRectangle& rectangle)
{
    const float position[4] = {rectangle.position[0], rectangle.position[1], 0.0f, 0.0f};
    const float size[4] = {rectangle.size[0], rectangle.size[1], 0.0f, 0.0f};
    effect_->GetVariableByName("g_graphPos")->AsVector()->SetFloatVector(position);
    effect_->GetVariableByName("g_graphSize")->AsVector()->SetFloatVector(size);
    context->IASetInputLayout(nullptr);
    context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
    pass_->Apply(0, context);
    context->Draw(4, 0);
}

}  // namespace qz::dev
