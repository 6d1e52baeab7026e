#include "platform/effects/EffectPass.h"

#include "platform/effects/DebugOutput.h"
#include "platform/effects/Kernels.h"

#include <cstring>

namespace platform::effects {
namespace {

std::string Call(const ShaderUse& use)
{
    std::string text = use.function + "(";
    for (std::size_t i = 0; i < use.arguments.size(); ++i) {
        text += (i ? "," : "") + use.arguments[i];
    }
    return text + ")";
}

}  // namespace

void EffectPass::MakeShaders()
{
    signature_ = d3d11sw::EncodeInputSignature(pass_->inputs);
    const EffectInfo& info = effect_.Info();
    auto note = [&](const ShaderUse& use) { missing_ += (missing_.empty() ? "" : ", ") + Call(use); };
    for (std::size_t stage = 0; stage < kShaderStages; ++stage) {
        const ShaderUse& use = pass_->shaders[stage];
        if (!use.set || use.function.empty()) {
            continue;
        }
        const KernelContext context(info, use);
        if (static_cast<ShaderStage>(stage) == ShaderStage::Vertex) {
            if (VertexKernelFactory factory = FindVertexKernel(info.name, use)) {
                d3d11sw::VertexShaderDesc desc = factory(context);
                desc.inputs = pass_->inputs;
                d3d11sw::CreateVertexShader(effect_.Device(), std::move(desc), vertexShader_.ReleaseAndGetAddressOf());
            }
            if (!vertexShader_) {
                note(use);
            }
        } else if (static_cast<ShaderStage>(stage) == ShaderStage::Pixel) {
            if (PixelKernelFactory factory = FindPixelKernel(info.name, use)) {
                d3d11sw::CreatePixelShader(effect_.Device(), factory(context), pixelShader_.ReleaseAndGetAddressOf());
            }
            if (!pixelShader_) {
                note(use);
            }
        } else {
            note(use);  // stages this device does not run
        }
    }
}

HRESULT EffectPass::GetDesc(D3DX11_PASS_DESC* desc)
{
    if (!desc || !pass_) {
        return E_FAIL;
    }
    *desc = {};
    desc->Name = pass_->name.c_str();
    desc->pIAInputSignature = reinterpret_cast<BYTE*>(signature_.data());
    desc->IAInputSignatureSize = signature_.size();
    desc->StencilRef = pass_->stencilRef;
    desc->SampleMask = pass_->sampleMask;
    std::memcpy(desc->BlendFactor, pass_->blendFactor.data(), sizeof desc->BlendFactor);
    return S_OK;
}

HRESULT EffectPass::Apply(UINT, ID3D11DeviceContext* context)
{
    if (!pass_ || !context) {
        return E_FAIL;
    }
    effect_.BindResources(context);
    if (missing_.empty()) {
        context->VSSetShader(vertexShader_.Get(), nullptr, 0);
        context->PSSetShader(pixelShader_.Get(), nullptr, 0);
    } else {
        WarnOnce();
        context->VSSetShader(nullptr, nullptr, 0);
        context->PSSetShader(nullptr, nullptr, 0);
    }
    if (pass_->blend != kStateNotSet) {
        context->OMSetBlendState(pass_->blend == kStateNull ? nullptr : effect_.BlendState(pass_->blend),
                                 pass_->blendFactor.data(), pass_->sampleMask);
    }
    if (pass_->depthStencil != kStateNotSet) {
        context->OMSetDepthStencilState(
            pass_->depthStencil == kStateNull ? nullptr : effect_.DepthStencilState(pass_->depthStencil),
            pass_->stencilRef);
    }
    if (pass_->rasterizer != kStateNotSet) {
        context->RSSetState(pass_->rasterizer == kStateNull ? nullptr : effect_.RasterizerState(pass_->rasterizer));
    }
    return S_OK;
}

void EffectPass::WarnOnce()
{
    if (warned_.exchange(true)) {
        return;
    }
    const std::string text = "Effect \"" + effect_.Info().name + "\", technique \"" + technique_->name + "\", pass \"" +
                             pass_->name + "\": no native kernel for " + missing_ + "; its draws draw nothing\n";
    DebugOutput(text);
}

EffectTechnique::EffectTechnique(Effect& effect, const TechniqueInfo* technique)
    : effect_(effect), technique_(technique)
{
    if (!technique_) {
        return;
    }
    for (const PassInfo& pass : technique_->passes) {
        passes_.push_back(std::make_unique<EffectPass>(effect_, technique_, &pass));
        passes_.back()->MakeShaders();
    }
}

HRESULT EffectTechnique::GetDesc(D3DX11_TECHNIQUE_DESC* desc)
{
    if (!desc || !technique_) {
        return E_FAIL;
    }
    *desc = {};
    desc->Name = technique_->name.c_str();
    desc->Passes = static_cast<UINT>(passes_.size());
    return S_OK;
}

ID3DX11EffectPass* EffectTechnique::GetPassByIndex(UINT index)
{
    return index < passes_.size() ? passes_[index].get() : effect_.InvalidPass();
}

ID3DX11EffectPass* EffectTechnique::GetPassByName(LPCSTR name)
{
    for (std::size_t i = 0; name && technique_ && i < passes_.size(); ++i) {
        if (technique_->passes[i].name == name) {
            return passes_[i].get();
        }
    }
    return effect_.InvalidPass();
}

}  // namespace platform::effects
