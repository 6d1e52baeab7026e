#include "platform/effects/Effect.h"

#include "platform/d3d11/com/HandOut.h"
#include "platform/effects/EffectPass.h"
#include "platform/effects/Numbers.h"

#include <cstring>

namespace platform::effects {
namespace {

// Caller values to the 32-bit pattern of the variable's type, and back.
std::uint32_t ToBits(BaseType type, ValueType from, const void* value)
{
    double number = 0.0;
    switch (from) {
    case ValueType::Float: number = *static_cast<const float*>(value); break;
    case ValueType::Int: number = *static_cast<const int*>(value); break;
    case ValueType::Bool: number = *static_cast<const bool*>(value) ? 1.0 : 0.0; break;
    }
    switch (type) {
    case BaseType::Float: {
        const auto single = from == ValueType::Float ? *static_cast<const float*>(value) : static_cast<float>(number);
        std::uint32_t bits = 0;
        std::memcpy(&bits, &single, 4);
        return bits;
    }
    case BaseType::Int: return static_cast<std::uint32_t>(SaturateToInt(number));
    case BaseType::Uint: return from == ValueType::Int ? static_cast<std::uint32_t>(*static_cast<const int*>(value))
                                                      : SaturateToUint(number);
    case BaseType::Bool: return number != 0.0 ? 1u : 0u;
    }
    return 0;
}

void FromBits(BaseType type, std::uint32_t bits, ValueType to, void* value)
{
    double number = 0.0;
    float single = 0.0f;
    switch (type) {
    case BaseType::Float: std::memcpy(&single, &bits, 4); number = single; break;
    case BaseType::Int: number = static_cast<std::int32_t>(bits); break;
    case BaseType::Uint: number = bits; break;
    case BaseType::Bool: number = bits != 0 ? 1.0 : 0.0; break;
    }
    switch (to) {
    case ValueType::Float:
        *static_cast<float*>(value) = type == BaseType::Float ? single : static_cast<float>(number);
        break;
    case ValueType::Int:
        *static_cast<int*>(value) = type == BaseType::Uint ? static_cast<int>(bits) : SaturateToInt(number);
        break;
    case ValueType::Bool: *static_cast<bool*>(value) = number != 0.0; break;
    }
}

std::size_t ValueSize(ValueType type) { return type == ValueType::Bool ? sizeof(bool) : 4; }

bool SameSemantic(const std::string& a, const char* b)
{
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return i == a.size() && b[i] == '\0';
}

}  // namespace

Effect::Effect(ID3D11Device* device, EffectInfo info) : device_(device), info_(std::move(info)) {}

Effect::~Effect() = default;

HRESULT Effect::Create(ID3D11Device* device, EffectInfo info, ID3DX11Effect** effect)
{
    auto* created = new Effect(device, std::move(info));
    return d3d11sw::HandOut(created, created->Build(), effect);
}

HRESULT Effect::Build()
{
    for (const ConstantBufferInfo& info : info_.buffers) {
        BufferState state;
        state.shadow = info.initial;
        const D3D11_BUFFER_DESC desc{static_cast<UINT>(info.initial.size()), D3D11_USAGE_DEFAULT,
                                     D3D11_BIND_CONSTANT_BUFFER, 0, 0, 0};
        const D3D11_SUBRESOURCE_DATA data{state.shadow.data(), 0, 0};
        if (const HRESULT hr = device_->CreateBuffer(&desc, &data, state.buffer.ReleaseAndGetAddressOf()); FAILED(hr)) {
            return hr;
        }
        buffers_.push_back(std::move(state));
    }
    views_.resize(D3D11_COMMONSHADER_INPUT_RESOURCE_SLOT_COUNT);
    unorderedViews_.resize(64);
    samplers_.resize(D3D11_COMMONSHADER_SAMPLER_SLOT_COUNT);
    if (const HRESULT hr = BuildStates(); FAILED(hr)) {
        return hr;
    }
    for (const VariableInfo& variable : info_.variables) {
        variables_.push_back(MakeVariable(*this, &variable, variable.kind));
    }
    invalidVariables_.push_back(MakeInvalidGenericVariable(*this));
    for (VariableKind kind : {VariableKind::Scalar, VariableKind::Vector, VariableKind::Matrix,
                              VariableKind::ShaderResource, VariableKind::UnorderedAccess}) {
        invalidVariables_.push_back(MakeVariable(*this, nullptr, kind));
    }
    invalidTechnique_ = std::make_unique<EffectTechnique>(*this, nullptr);
    invalidPass_ = std::make_unique<EffectPass>(*this, nullptr, nullptr);
    for (const TechniqueInfo& technique : info_.techniques) {
        techniques_.push_back(std::make_unique<EffectTechnique>(*this, &technique));
    }
    return S_OK;
}

HRESULT Effect::BuildStates()
{
    const std::size_t count = info_.variables.size();
    blendStates_.resize(count);
    depthStates_.resize(count);
    rasterStates_.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const VariableInfo& v = info_.variables[i];
        HRESULT hr = S_OK;
        switch (v.kind) {
        case VariableKind::Blend: hr = device_->CreateBlendState(&v.blend, blendStates_[i].ReleaseAndGetAddressOf()); break;
        case VariableKind::DepthStencil:
            hr = device_->CreateDepthStencilState(&v.depthStencil, depthStates_[i].ReleaseAndGetAddressOf());
            break;
        case VariableKind::Rasterizer:
            hr = device_->CreateRasterizerState(&v.rasterizer, rasterStates_[i].ReleaseAndGetAddressOf());
            break;
        case VariableKind::Sampler: {
            d3d11sw::ComPtr<ID3D11SamplerState> sampler;
            hr = device_->CreateSamplerState(&v.sampler, sampler.ReleaseAndGetAddressOf());
            for (UINT e = 0; SUCCEEDED(hr) && e < (v.elements == 0 ? 1 : v.elements); ++e) {
                samplers_[v.slot + e] = sampler;
            }
            break;
        }
        default: break;
        }
        if (FAILED(hr)) {
            return hr;
        }
    }
    return S_OK;
}

HRESULT Effect::GetDevice(ID3D11Device** device)
{
    if (!device) {
        return E_INVALIDARG;
    }
    device_->AddRef();
    *device = device_.Get();
    return S_OK;
}

HRESULT Effect::GetDesc(D3DX11_EFFECT_DESC* desc)
{
    if (!desc) {
        return E_INVALIDARG;
    }
    *desc = {};
    desc->ConstantBuffers = static_cast<UINT>(info_.buffers.size());
    desc->GlobalVariables = static_cast<UINT>(info_.variables.size());
    desc->Techniques = static_cast<UINT>(info_.techniques.size());
    return S_OK;
}

ID3DX11EffectVariable* Effect::GetVariableByIndex(UINT index)
{
    return index < variables_.size() ? variables_[index]->Face() : InvalidVariable();
}

ID3DX11EffectVariable* Effect::GetVariableByName(LPCSTR name)
{
    for (std::size_t i = 0; name && i < info_.variables.size(); ++i) {
        if (info_.variables[i].name == name) {
            return variables_[i]->Face();
        }
    }
    return InvalidVariable();
}

ID3DX11EffectVariable* Effect::GetVariableBySemantic(LPCSTR semantic)
{
    for (std::size_t i = 0; semantic && i < info_.variables.size(); ++i) {
        if (!info_.variables[i].semantic.empty() && SameSemantic(info_.variables[i].semantic, semantic)) {
            return variables_[i]->Face();
        }
    }
    return InvalidVariable();
}

ID3DX11EffectTechnique* Effect::GetTechniqueByIndex(UINT index)
{
    return index < techniques_.size() ? techniques_[index].get() : invalidTechnique_.get();
}

ID3DX11EffectTechnique* Effect::GetTechniqueByName(LPCSTR name)
{
    for (std::size_t i = 0; name && i < info_.techniques.size(); ++i) {
        if (info_.techniques[i].name == name) {
            return techniques_[i].get();
        }
    }
    return invalidTechnique_.get();
}

HRESULT Effect::TransferNumeric(const VariableInfo& variable, UINT first, UINT count, const ValueLayout& layout,
                                void* values, bool write)
{
    const UINT elements = variable.elements == 0 ? 1 : variable.elements;
    if (!IsNumeric(variable.kind) || first > elements || count > elements - first) {
        return E_INVALIDARG;
    }
    BufferState& buffer = buffers_[variable.buffer];
    auto* caller = static_cast<std::byte*>(values);
    const std::size_t size = ValueSize(layout.type);
    for (UINT e = 0; e < count; ++e) {
        for (UINT r = 0; r < variable.rows; ++r) {
            for (UINT c = 0; c < variable.columns; ++c) {
                const std::size_t index = std::size_t{e} * layout.elementStride +
                                          (layout.transposed ? c * layout.rowPitch + r : r * layout.rowPitch + c);
                std::byte* bytes = buffer.shadow.data() + ComponentOffset(variable, first + e, r, c);
                if (write) {
                    const std::uint32_t bits = ToBits(variable.type, layout.type, caller + index * size);
                    std::memcpy(bytes, &bits, 4);
                } else {
                    std::uint32_t bits = 0;
                    std::memcpy(&bits, bytes, 4);
                    FromBits(variable.type, bits, layout.type, caller + index * size);
                }
            }
        }
    }
    buffer.dirty = buffer.dirty || write;
    return S_OK;
}

HRESULT Effect::TransferRaw(const VariableInfo& variable, void* data, UINT byteOffset, UINT byteCount, bool write)
{
    const UINT extent = NumericExtent(variable);
    if (byteOffset > extent || byteCount > extent - byteOffset) {
        return E_INVALIDARG;
    }
    BufferState& buffer = buffers_[variable.buffer];
    std::byte* bytes = buffer.shadow.data() + variable.offset + byteOffset;
    if (write) {
        std::memcpy(bytes, data, byteCount);
        buffer.dirty = true;
    } else {
        std::memcpy(data, bytes, byteCount);
    }
    return S_OK;
}

HRESULT Effect::TransferViews(const VariableInfo& variable, UINT first, UINT count, void* views, bool write)
{
    const UINT elements = variable.elements == 0 ? 1 : variable.elements;
    if (first > elements || count > elements - first) {
        return E_INVALIDARG;
    }
    auto transfer = [&](auto& table, auto** caller) {
        for (UINT i = 0; i < count; ++i) {
            auto& held = table[variable.slot + first + i];
            if (write) {
                held = std::remove_reference_t<decltype(held)>(caller[i]);
            } else {
                caller[i] = held.Get();
                if (caller[i]) {
                    caller[i]->AddRef();
                }
            }
        }
    };
    if (variable.kind == VariableKind::ShaderResource) {
        transfer(views_, static_cast<ID3D11ShaderResourceView**>(views));
    } else if (variable.kind == VariableKind::UnorderedAccess) {
        transfer(unorderedViews_, static_cast<ID3D11UnorderedAccessView**>(views));
    } else {
        return E_FAIL;
    }
    return S_OK;
}

void Effect::BindResources(ID3D11DeviceContext* context)
{
    for (std::size_t b = 0; b < buffers_.size(); ++b) {
        BufferState& buffer = buffers_[b];
        if (buffer.dirty) {
            context->UpdateSubresource(buffer.buffer.Get(), 0, nullptr, buffer.shadow.data(), 0, 0);
            buffer.dirty = false;
        }
        ID3D11Buffer* bound = buffer.buffer.Get();
        context->VSSetConstantBuffers(info_.buffers[b].slot, 1, &bound);
        context->PSSetConstantBuffers(info_.buffers[b].slot, 1, &bound);
    }
    for (const VariableInfo& variable : info_.variables) {
        const UINT count = variable.elements == 0 ? 1 : variable.elements;
        if (variable.kind == VariableKind::ShaderResource) {
            ID3D11ShaderResourceView* views[D3D11_COMMONSHADER_INPUT_RESOURCE_SLOT_COUNT];
            for (UINT i = 0; i < count; ++i) {
                views[i] = views_[variable.slot + i].Get();
            }
            context->VSSetShaderResources(variable.slot, count, views);
            context->PSSetShaderResources(variable.slot, count, views);
        } else if (variable.kind == VariableKind::Sampler) {
            ID3D11SamplerState* samplers[D3D11_COMMONSHADER_SAMPLER_SLOT_COUNT];
            for (UINT i = 0; i < count; ++i) {
                samplers[i] = samplers_[variable.slot + i].Get();
            }
            context->VSSetSamplers(variable.slot, count, samplers);
            context->PSSetSamplers(variable.slot, count, samplers);
        }
    }
}

ID3DX11EffectVariable* Effect::InvalidVariable() { return invalidVariables_[0]->Face(); }
ID3DX11EffectScalarVariable* Effect::InvalidScalar() { return invalidVariables_[1]->Face()->AsScalar(); }
ID3DX11EffectVectorVariable* Effect::InvalidVector() { return invalidVariables_[2]->Face()->AsVector(); }
ID3DX11EffectMatrixVariable* Effect::InvalidMatrix() { return invalidVariables_[3]->Face()->AsMatrix(); }
ID3DX11EffectShaderResourceVariable* Effect::InvalidShaderResource()
{
    return invalidVariables_[4]->Face()->AsShaderResource();
}
ID3DX11EffectUnorderedAccessViewVariable* Effect::InvalidUnorderedAccess()
{
    return invalidVariables_[5]->Face()->AsUnorderedAccessView();
}
ID3DX11EffectPass* Effect::InvalidPass() { return invalidPass_.get(); }

}  // namespace platform::effects
