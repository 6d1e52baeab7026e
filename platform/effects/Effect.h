#pragma once
// The effect object: its constant buffers (a CPU copy each, uploaded by Apply when it
// changed), the views, samplers and states it binds, and the variable, technique and
// pass objects it hands out.

#include "platform/d3d11/com/ComObject.h"
#include "platform/d3d11/com/ComPtr.h"
#include "platform/effects/D3DX11Effect.h"
#include "platform/effects/EffectModel.h"

#include <memory>
#include <vector>

namespace platform::effects {

class EffectTechnique;
class EffectPass;

// Every variable object, whatever its interface.
class VariableObject {
public:
    virtual ~VariableObject() = default;
    virtual ID3DX11EffectVariable* Face() = 0;
};

enum class ValueType { Float, Int, Bool };

// How the caller's values lie in memory: element e's component (row, column) is at
// e * elementStride + row * rowPitch + column, or column * rowPitch + row when transposed.
struct ValueLayout {
    ValueType type = ValueType::Float;
    UINT elementStride = 1;
    UINT rowPitch = 4;
    bool transposed = false;
};

class Effect final : public d3d11sw::ComObject<ID3DX11Effect> {
public:
    // The new effect with one reference, or the failure of the device call that refused
    // one of its objects.
    static HRESULT Create(ID3D11Device* device, EffectInfo info, ID3DX11Effect** effect);

    BOOL IsValid() override { return TRUE; }
    HRESULT GetDevice(ID3D11Device** device) override;
    HRESULT GetDesc(D3DX11_EFFECT_DESC* desc) override;
    ID3DX11EffectVariable* GetVariableByIndex(UINT index) override;
    ID3DX11EffectVariable* GetVariableByName(LPCSTR name) override;
    ID3DX11EffectVariable* GetVariableBySemantic(LPCSTR semantic) override;
    ID3DX11EffectTechnique* GetTechniqueByIndex(UINT index) override;
    ID3DX11EffectTechnique* GetTechniqueByName(LPCSTR name) override;

    const EffectInfo& Info() const { return info_; }
    ID3D11Device* Device() const { return device_.Get(); }

    // Numeric values between the caller and the CPU copy of the variable's buffer.
    HRESULT TransferNumeric(const VariableInfo& variable, UINT first, UINT count, const ValueLayout& layout,
                            void* values, bool write);
    HRESULT TransferRaw(const VariableInfo& variable, void* data, UINT byteOffset, UINT byteCount, bool write);
    HRESULT TransferViews(const VariableInfo& variable, UINT first, UINT count, void* views, bool write);

    // Uploads changed buffers and binds buffers, views and samplers to both stages.
    void BindResources(ID3D11DeviceContext* context);
    ID3D11BlendState* BlendState(std::uint32_t variable) const { return blendStates_[variable].Get(); }
    ID3D11DepthStencilState* DepthStencilState(std::uint32_t variable) const { return depthStates_[variable].Get(); }
    ID3D11RasterizerState* RasterizerState(std::uint32_t variable) const { return rasterStates_[variable].Get(); }

    ID3DX11EffectVariable* InvalidVariable();
    ID3DX11EffectScalarVariable* InvalidScalar();
    ID3DX11EffectVectorVariable* InvalidVector();
    ID3DX11EffectMatrixVariable* InvalidMatrix();
    ID3DX11EffectShaderResourceVariable* InvalidShaderResource();
    ID3DX11EffectUnorderedAccessViewVariable* InvalidUnorderedAccess();
    ID3DX11EffectPass* InvalidPass();

protected:
    void* Query(REFIID riid) override { return d3d11sw::QueryFaces<ID3DX11Effect>(this, riid); }

private:
    Effect(ID3D11Device* device, EffectInfo info);
    ~Effect() override;
    HRESULT Build();
    HRESULT BuildStates();

    struct BufferState {
        d3d11sw::ComPtr<ID3D11Buffer> buffer;
        std::vector<std::byte> shadow;
        bool dirty = false;
    };

    d3d11sw::ComPtr<ID3D11Device> device_;
    EffectInfo info_;
    std::vector<BufferState> buffers_;
    std::vector<d3d11sw::ComPtr<ID3D11ShaderResourceView>> views_;
    std::vector<d3d11sw::ComPtr<ID3D11UnorderedAccessView>> unorderedViews_;
    std::vector<d3d11sw::ComPtr<ID3D11SamplerState>> samplers_;
    std::vector<d3d11sw::ComPtr<ID3D11BlendState>> blendStates_;
    std::vector<d3d11sw::ComPtr<ID3D11DepthStencilState>> depthStates_;
    std::vector<d3d11sw::ComPtr<ID3D11RasterizerState>> rasterStates_;
    std::vector<std::unique_ptr<VariableObject>> variables_;
    std::vector<std::unique_ptr<VariableObject>> invalidVariables_;  // one per interface
    std::vector<std::unique_ptr<EffectTechnique>> techniques_;
    std::unique_ptr<EffectTechnique> invalidTechnique_;
    std::unique_ptr<EffectPass> invalidPass_;
};

// The variable object for a variable of the effect (null: the invalid one of that kind).
std::unique_ptr<VariableObject> MakeVariable(Effect& effect, const VariableInfo* variable, VariableKind kind);
std::unique_ptr<VariableObject> MakeInvalidGenericVariable(Effect& effect);

}  // namespace platform::effects
