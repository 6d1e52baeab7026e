// Any bytes as a compiled effect: the effect runtime refuses them or makes an effect whose
// variables take values and whose passes apply and draw, never a crash or an overrun.

#include "fuzz/FuzzInput.h"
#include "platform/d3d11/D3D11.h"
#include "platform/d3d11/com/ComPtr.h"
#include "platform/effects/D3DX11Effect.h"
#include "platform/effects/DebugOutput.h"
#include "shader/BuiltInEffects.h"

namespace {

struct Device {
    d3d11sw::ComPtr<ID3D11Device> device;
    d3d11sw::ComPtr<ID3D11DeviceContext> context;
    d3d11sw::ComPtr<ID3D11RenderTargetView> target;
};

Device& TheDevice()
{
    static Device device = [] {
        Device made;
        qz::fuzz::Require(D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, nullptr, 0, D3D11_SDK_VERSION,
                                            made.device.ReleaseAndGetAddressOf(), nullptr,
                                            made.context.ReleaseAndGetAddressOf()) == S_OK);
        D3D11_TEXTURE2D_DESC desc{};
        desc.Width = desc.Height = 16;
        desc.MipLevels = desc.ArraySize = 1;
        desc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
        desc.SampleDesc = {1, 0};
        desc.Usage = D3D11_USAGE_DEFAULT;
        desc.BindFlags = D3D11_BIND_RENDER_TARGET;
        d3d11sw::ComPtr<ID3D11Texture2D> texture;
        qz::fuzz::Require(made.device->CreateTexture2D(&desc, nullptr, texture.ReleaseAndGetAddressOf()) == S_OK);
        qz::fuzz::Require(made.device->CreateRenderTargetView(texture.Get(), nullptr,
                                                              made.target.ReleaseAndGetAddressOf()) == S_OK);
        return made;
    }();
    return device;
}

void Exercise(ID3DX11Effect* effect, ID3D11DeviceContext* context, ID3D11RenderTargetView* target)
{
    const float values[64] = {0.5f, -1.0f, 2.0f, 1.0f, 0.25f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    D3DX11_EFFECT_DESC effectDesc{};
    effect->GetDesc(&effectDesc);
    for (UINT i = 0; i <= effectDesc.GlobalVariables; ++i) {
        ID3DX11EffectVariable* variable = effect->GetVariableByIndex(i);
        D3DX11_EFFECT_VARIABLE_DESC desc{};
        variable->GetDesc(&desc);
        variable->AsScalar()->SetFloat(0.5f);
        variable->AsScalar()->SetFloatArray(values, 1, 2);
        variable->AsVector()->SetFloatVector(values);
        variable->AsVector()->SetFloatVectorArray(values, 0, 3);
        variable->AsMatrix()->SetMatrix(values);
        variable->AsMatrix()->SetMatrixArray(values, 1, 2);
        variable->AsShaderResource()->SetResource(nullptr);
        variable->SetRawValue(values, 4, 8);
    }
    const FLOAT clear[4] = {0, 0, 0, 0};
    for (UINT t = 0; t <= effectDesc.Techniques; ++t) {
        ID3DX11EffectTechnique* technique = effect->GetTechniqueByIndex(t);
        D3DX11_TECHNIQUE_DESC techniqueDesc{};
        technique->GetDesc(&techniqueDesc);
        for (UINT p = 0; p <= techniqueDesc.Passes; ++p) {
            ID3DX11EffectPass* pass = technique->GetPassByIndex(p);
            D3DX11_PASS_DESC passDesc{};
            pass->GetDesc(&passDesc);
            ID3D11RenderTargetView* view = target;
            context->OMSetRenderTargets(1, &view, nullptr);
            const D3D11_VIEWPORT viewport{0, 0, 16, 16, 0, 1};
            context->RSSetViewports(1, &viewport);
            context->ClearRenderTargetView(target, clear);
            context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
            if (SUCCEEDED(pass->Apply(0, context))) {
                context->Draw(4, 0);
            }
        }
    }
    context->ClearState();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qz::fuzz::SilenceLogging();
    platform::effects::SetDebugOutputHandler([](const std::string&) {});
    qz::shaders::RegisterBuiltInKernels();
    TheDevice();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Device& device = TheDevice();
    d3d11sw::ComPtr<ID3DX11Effect> effect;
    const HRESULT result = D3DX11CreateEffectFromMemory(data, size, 0, device.device.Get(), effect.ReleaseAndGetAddressOf());
    qz::fuzz::Require(SUCCEEDED(result) == (effect.Get() != nullptr));
    if (effect) {
        Exercise(effect.Get(), device.context.Get(), device.target.Get());
    }
    return 0;
}
