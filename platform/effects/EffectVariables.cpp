// The variable objects: one class per interface, each also answering the As... calls
// of the others with the effect's invalid object of that kind.

#include "platform/effects/Effect.h"

#include <type_traits>

namespace platform::effects {
namespace {

template <class Interface>
class VariableBase : public Interface, public VariableObject {
public:
    VariableBase(Effect& effect, const VariableInfo* variable) : effect_(effect), variable_(variable) {}

    ID3DX11EffectVariable* Face() override { return this; }
    BOOL IsValid() override { return variable_ ? TRUE : FALSE; }

    HRESULT GetDesc(D3DX11_EFFECT_VARIABLE_DESC* desc) override
    {
        if (!desc || !variable_) {
            return E_FAIL;
        }
        *desc = {};
        desc->Name = variable_->name.c_str();
        desc->Semantic = variable_->semantic.empty() ? nullptr : variable_->semantic.c_str();
        desc->BufferOffset = IsNumeric(variable_->kind) ? variable_->offset : 0;
        desc->ExplicitBindPoint = IsNumeric(variable_->kind) ? 0 : variable_->slot;
        return S_OK;
    }

    ID3DX11EffectScalarVariable* AsScalar() override
    {
        if constexpr (std::is_base_of_v<ID3DX11EffectScalarVariable, Interface>) {
            return this;
        } else {
            return effect_.InvalidScalar();
        }
    }
    ID3DX11EffectVectorVariable* AsVector() override
    {
        if constexpr (std::is_base_of_v<ID3DX11EffectVectorVariable, Interface>) {
            return this;
        } else {
            return effect_.InvalidVector();
        }
    }
    ID3DX11EffectMatrixVariable* AsMatrix() override
    {
        if constexpr (std::is_base_of_v<ID3DX11EffectMatrixVariable, Interface>) {
            return this;
        } else {
            return effect_.InvalidMatrix();
        }
    }
    ID3DX11EffectShaderResourceVariable* AsShaderResource() override
    {
        if constexpr (std::is_base_of_v<ID3DX11EffectShaderResourceVariable, Interface>) {
            return this;
        } else {
            return effect_.InvalidShaderResource();
        }
    }
    ID3DX11EffectUnorderedAccessViewVariable* AsUnorderedAccessView() override
    {
        if constexpr (std::is_base_of_v<ID3DX11EffectUnorderedAccessViewVariable, Interface>) {
            return this;
        } else {
            return effect_.InvalidUnorderedAccess();
        }
    }

    HRESULT SetRawValue(const void* data, UINT byteOffset, UINT byteCount) override
    {
        return Raw(const_cast<void*>(data), byteOffset, byteCount, true);
    }
    HRESULT GetRawValue(void* data, UINT byteOffset, UINT byteCount) override
    {
        return Raw(data, byteOffset, byteCount, false);
    }

protected:
    HRESULT Numbers(const void* values, UINT first, UINT count, ValueLayout layout, bool write)
    {
        if (!variable_ || !values) {
            return E_FAIL;
        }
        return effect_.TransferNumeric(*variable_, first, count, layout, const_cast<void*>(values), write);
    }

    HRESULT Views(const void* views, UINT first, UINT count, bool write)
    {
        if (!variable_ || !views) {
            return E_FAIL;
        }
        return effect_.TransferViews(*variable_, first, count, const_cast<void*>(views), write);
    }

    Effect& effect_;
    const VariableInfo* variable_;

private:
    HRESULT Raw(void* data, UINT byteOffset, UINT byteCount, bool write)
    {
        if (!variable_ || !data || !IsNumeric(variable_->kind)) {
            return E_FAIL;
        }
        return effect_.TransferRaw(*variable_, data, byteOffset, byteCount, write);
    }
};

constexpr ValueLayout Single(ValueType type) { return {type, 1, 4, false}; }
constexpr ValueLayout FourPerElement(ValueType type) { return {type, 4, 4, false}; }
constexpr ValueLayout Matrices(bool transposed) { return {ValueType::Float, 16, 4, transposed}; }

class GenericVariable final : public VariableBase<ID3DX11EffectVariable> {
public:
    using VariableBase::VariableBase;
};

class ScalarVariable final : public VariableBase<ID3DX11EffectScalarVariable> {
public:
    using VariableBase::VariableBase;
    HRESULT SetFloat(float value) override { return Numbers(&value, 0, 1, Single(ValueType::Float), true); }
    HRESULT GetFloat(float* value) override { return Numbers(value, 0, 1, Single(ValueType::Float), false); }
    HRESULT SetFloatArray(const float* data, UINT offset, UINT count) override
    {
        return Numbers(data, offset, count, Single(ValueType::Float), true);
    }
    HRESULT GetFloatArray(float* data, UINT offset, UINT count) override
    {
        return Numbers(data, offset, count, Single(ValueType::Float), false);
    }
    HRESULT SetInt(int value) override { return Numbers(&value, 0, 1, Single(ValueType::Int), true); }
    HRESULT GetInt(int* value) override { return Numbers(value, 0, 1, Single(ValueType::Int), false); }
    HRESULT SetIntArray(const int* data, UINT offset, UINT count) override
    {
        return Numbers(data, offset, count, Single(ValueType::Int), true);
    }
    HRESULT GetIntArray(int* data, UINT offset, UINT count) override
    {
        return Numbers(data, offset, count, Single(ValueType::Int), false);
    }
    HRESULT SetBool(bool value) override { return Numbers(&value, 0, 1, Single(ValueType::Bool), true); }
    HRESULT GetBool(bool* value) override { return Numbers(value, 0, 1, Single(ValueType::Bool), false); }
};

class VectorVariable final : public VariableBase<ID3DX11EffectVectorVariable> {
public:
    using VariableBase::VariableBase;
    HRESULT SetFloatVector(const float* data) override { return Numbers(data, 0, 1, Single(ValueType::Float), true); }
    HRESULT GetFloatVector(float* data) override { return Numbers(data, 0, 1, Single(ValueType::Float), false); }
    HRESULT SetIntVector(const int* data) override { return Numbers(data, 0, 1, Single(ValueType::Int), true); }
    HRESULT GetIntVector(int* data) override { return Numbers(data, 0, 1, Single(ValueType::Int), false); }
    HRESULT SetBoolVector(const bool* data) override { return Numbers(data, 0, 1, Single(ValueType::Bool), true); }
    HRESULT GetBoolVector(bool* data) override { return Numbers(data, 0, 1, Single(ValueType::Bool), false); }
    HRESULT SetFloatVectorArray(const float* data, UINT offset, UINT count) override
    {
        return Numbers(data, offset, count, FourPerElement(ValueType::Float), true);
    }
    HRESULT GetFloatVectorArray(float* data, UINT offset, UINT count) override
    {
        return Numbers(data, offset, count, FourPerElement(ValueType::Float), false);
    }
};

class MatrixVariable final : public VariableBase<ID3DX11EffectMatrixVariable> {
public:
    using VariableBase::VariableBase;
    HRESULT SetMatrix(const float* data) override { return Numbers(data, 0, 1, Matrices(false), true); }
    HRESULT GetMatrix(float* data) override { return Numbers(data, 0, 1, Matrices(false), false); }
    HRESULT SetMatrixArray(const float* data, UINT offset, UINT count) override
    {
        return Numbers(data, offset, count, Matrices(false), true);
    }
    HRESULT GetMatrixArray(float* data, UINT offset, UINT count) override
    {
        return Numbers(data, offset, count, Matrices(false), false);
    }
    HRESULT SetMatrixTranspose(const float* data) override { return Numbers(data, 0, 1, Matrices(true), true); }
    HRESULT GetMatrixTranspose(float* data) override { return Numbers(data, 0, 1, Matrices(true), false); }
};

class ShaderResourceVariable final : public VariableBase<ID3DX11EffectShaderResourceVariable> {
public:
    using VariableBase::VariableBase;
    HRESULT SetResource(ID3D11ShaderResourceView* view) override { return Views(&view, 0, 1, true); }
    HRESULT GetResource(ID3D11ShaderResourceView** view) override { return Views(view, 0, 1, false); }
    HRESULT SetResourceArray(ID3D11ShaderResourceView* const* views, UINT offset, UINT count) override
    {
        return Views(views, offset, count, true);
    }
    HRESULT GetResourceArray(ID3D11ShaderResourceView** views, UINT offset, UINT count) override
    {
        return Views(views, offset, count, false);
    }
};

class UnorderedAccessVariable final : public VariableBase<ID3DX11EffectUnorderedAccessViewVariable> {
public:
    using VariableBase::VariableBase;
    HRESULT SetUnorderedAccessView(ID3D11UnorderedAccessView* view) override { return Views(&view, 0, 1, true); }
    HRESULT GetUnorderedAccessView(ID3D11UnorderedAccessView** view) override { return Views(view, 0, 1, false); }
    HRESULT SetUnorderedAccessViewArray(ID3D11UnorderedAccessView* const* views, UINT offset, UINT count) override
    {
        return Views(views, offset, count, true);
    }
    HRESULT GetUnorderedAccessViewArray(ID3D11UnorderedAccessView** views, UINT offset, UINT count) override
    {
        return Views(views, offset, count, false);
    }
};

}  // namespace

std::unique_ptr<VariableObject> MakeVariable(Effect& effect, const VariableInfo* variable, VariableKind kind)
{
    switch (kind) {
    case VariableKind::Scalar: return std::make_unique<ScalarVariable>(effect, variable);
    case VariableKind::Vector: return std::make_unique<VectorVariable>(effect, variable);
    case VariableKind::Matrix: return std::make_unique<MatrixVariable>(effect, variable);
    case VariableKind::ShaderResource: return std::make_unique<ShaderResourceVariable>(effect, variable);
    case VariableKind::UnorderedAccess: return std::make_unique<UnorderedAccessVariable>(effect, variable);
    default: return std::make_unique<GenericVariable>(effect, variable);
    }
}

std::unique_ptr<VariableObject> MakeInvalidGenericVariable(Effect& effect)
{
    return std::make_unique<GenericVariable>(effect, nullptr);
}

}  // namespace platform::effects
