#pragma once
// The effect runtime: effects created from compiled bytes, their variables, techniques
// and passes. Variables, techniques and passes belong to their effect and are not
// reference counted; lookups never return null: a missing name or index gives an
// object whose IsValid() is FALSE and whose setters fail.
//
// Apply uploads changed constants, binds the effect's constant buffers, views and
// samplers to the vertex and pixel stages, the pass's states, and the native kernels
// registered for the pass's shader functions (Kernels.h).

#include "platform/d3d11/D3D11.h"

struct D3DX11_EFFECT_DESC {
    UINT ConstantBuffers;
    UINT GlobalVariables;
    UINT InterfaceVariables;
    UINT Techniques;
    UINT Groups;
};

struct D3DX11_EFFECT_VARIABLE_DESC {
    LPCSTR Name;
    LPCSTR Semantic;  // null when there is none
    UINT Flags;
    UINT Annotations;
    UINT BufferOffset;       // numeric variables: byte offset in their constant buffer
    UINT ExplicitBindPoint;  // views and samplers: their first slot
};

struct D3DX11_TECHNIQUE_DESC {
    LPCSTR Name;
    UINT Passes;
    UINT Annotations;
};

struct D3DX11_PASS_DESC {
    LPCSTR Name;
    UINT Annotations;
    BYTE* pIAInputSignature;  // for CreateInputLayout; owned by the effect
    SIZE_T IAInputSignatureSize;
    UINT StencilRef;
    UINT SampleMask;
    FLOAT BlendFactor[4];
};

struct ID3DX11EffectScalarVariable;
struct ID3DX11EffectVectorVariable;
struct ID3DX11EffectMatrixVariable;
struct ID3DX11EffectShaderResourceVariable;
struct ID3DX11EffectUnorderedAccessViewVariable;

struct ID3DX11EffectVariable {
    virtual BOOL IsValid() = 0;
    virtual HRESULT GetDesc(D3DX11_EFFECT_VARIABLE_DESC* desc) = 0;
    // This variable as that kind, or the invalid variable of that kind.
    virtual ID3DX11EffectScalarVariable* AsScalar() = 0;
    virtual ID3DX11EffectVectorVariable* AsVector() = 0;
    virtual ID3DX11EffectMatrixVariable* AsMatrix() = 0;
    virtual ID3DX11EffectShaderResourceVariable* AsShaderResource() = 0;
    virtual ID3DX11EffectUnorderedAccessViewVariable* AsUnorderedAccessView() = 0;
    // Bytes of a numeric variable as it lies in its constant buffer.
    virtual HRESULT SetRawValue(const void* data, UINT byteOffset, UINT byteCount) = 0;
    virtual HRESULT GetRawValue(void* data, UINT byteOffset, UINT byteCount) = 0;

protected:
    ~ID3DX11EffectVariable() = default;
};

// Array forms take the first element and the element count; values convert to the
// variable's own type (float, int, uint, bool).
struct ID3DX11EffectScalarVariable : ID3DX11EffectVariable {
    virtual HRESULT SetFloat(float value) = 0;
    virtual HRESULT GetFloat(float* value) = 0;
    virtual HRESULT SetFloatArray(const float* data, UINT offset, UINT count) = 0;
    virtual HRESULT GetFloatArray(float* data, UINT offset, UINT count) = 0;
    virtual HRESULT SetInt(int value) = 0;
    virtual HRESULT GetInt(int* value) = 0;
    virtual HRESULT SetIntArray(const int* data, UINT offset, UINT count) = 0;
    virtual HRESULT GetIntArray(int* data, UINT offset, UINT count) = 0;
    virtual HRESULT SetBool(bool value) = 0;
    virtual HRESULT GetBool(bool* value) = 0;

protected:
    ~ID3DX11EffectScalarVariable() = default;
};

// A vector takes as many of the four given components as it has (a float2 the first two);
// arrays read four values per element.
struct ID3DX11EffectVectorVariable : ID3DX11EffectVariable {
    virtual HRESULT SetFloatVector(const float* data) = 0;
    virtual HRESULT GetFloatVector(float* data) = 0;
    virtual HRESULT SetIntVector(const int* data) = 0;
    virtual HRESULT GetIntVector(int* data) = 0;
    virtual HRESULT SetBoolVector(const bool* data) = 0;
    virtual HRESULT GetBoolVector(bool* data) = 0;
    virtual HRESULT SetFloatVectorArray(const float* data, UINT offset, UINT count) = 0;
    virtual HRESULT GetFloatVectorArray(float* data, UINT offset, UINT count) = 0;

protected:
    ~ID3DX11EffectVectorVariable() = default;
};

// Matrices come and go as 16 floats, row-major, for row vectors (v * M), whatever the
// variable's packing; a smaller matrix uses the top-left part.
struct ID3DX11EffectMatrixVariable : ID3DX11EffectVariable {
    virtual HRESULT SetMatrix(const float* data) = 0;
    virtual HRESULT GetMatrix(float* data) = 0;
    virtual HRESULT SetMatrixArray(const float* data, UINT offset, UINT count) = 0;
    virtual HRESULT GetMatrixArray(float* data, UINT offset, UINT count) = 0;
    virtual HRESULT SetMatrixTranspose(const float* data) = 0;
    virtual HRESULT GetMatrixTranspose(float* data) = 0;

protected:
    ~ID3DX11EffectMatrixVariable() = default;
};

// The effect keeps a reference to every view set; getters add one for the caller.
struct ID3DX11EffectShaderResourceVariable : ID3DX11EffectVariable {
    virtual HRESULT SetResource(ID3D11ShaderResourceView* view) = 0;
    virtual HRESULT GetResource(ID3D11ShaderResourceView** view) = 0;
    virtual HRESULT SetResourceArray(ID3D11ShaderResourceView* const* views, UINT offset, UINT count) = 0;
    virtual HRESULT GetResourceArray(ID3D11ShaderResourceView** views, UINT offset, UINT count) = 0;

protected:
    ~ID3DX11EffectShaderResourceVariable() = default;
};

struct ID3DX11EffectUnorderedAccessViewVariable : ID3DX11EffectVariable {
    virtual HRESULT SetUnorderedAccessView(ID3D11UnorderedAccessView* view) = 0;
    virtual HRESULT GetUnorderedAccessView(ID3D11UnorderedAccessView** view) = 0;
    virtual HRESULT SetUnorderedAccessViewArray(ID3D11UnorderedAccessView* const* views, UINT offset,
                                                UINT count) = 0;
    virtual HRESULT GetUnorderedAccessViewArray(ID3D11UnorderedAccessView** views, UINT offset, UINT count) = 0;

protected:
    ~ID3DX11EffectUnorderedAccessViewVariable() = default;
};

struct ID3DX11EffectPass {
    virtual BOOL IsValid() = 0;
    virtual HRESULT GetDesc(D3DX11_PASS_DESC* desc) = 0;
    // flags must be 0.
    virtual HRESULT Apply(UINT flags, ID3D11DeviceContext* context) = 0;

protected:
    ~ID3DX11EffectPass() = default;
};

struct ID3DX11EffectTechnique {
    virtual BOOL IsValid() = 0;
    virtual HRESULT GetDesc(D3DX11_TECHNIQUE_DESC* desc) = 0;
    virtual ID3DX11EffectPass* GetPassByIndex(UINT index) = 0;
    virtual ID3DX11EffectPass* GetPassByName(LPCSTR name) = 0;

protected:
    ~ID3DX11EffectTechnique() = default;
};

struct ID3DX11Effect : IUnknown {
    static constexpr IID Iid = d3d11sw::MakeIid(201);
    virtual BOOL IsValid() = 0;
    virtual HRESULT GetDevice(ID3D11Device** device) = 0;
    virtual HRESULT GetDesc(D3DX11_EFFECT_DESC* desc) = 0;
    // Variables in declaration order: numeric ones, views, samplers and states.
    virtual ID3DX11EffectVariable* GetVariableByIndex(UINT index) = 0;
    virtual ID3DX11EffectVariable* GetVariableByName(LPCSTR name) = 0;
    // Semantics compare without regard to case.
    virtual ID3DX11EffectVariable* GetVariableBySemantic(LPCSTR semantic) = 0;
    virtual ID3DX11EffectTechnique* GetTechniqueByIndex(UINT index) = 0;
    virtual ID3DX11EffectTechnique* GetTechniqueByName(LPCSTR name) = 0;

protected:
    ~ID3DX11Effect() = default;
};

// flags must be 0. E_INVALIDARG for a null device or output, E_FAIL for bytes that are
// not a whole compiled effect (the reason goes to the debugger output); a state the
// device refuses gives the device's result.
HRESULT D3DX11CreateEffectFromMemory(const void* data, SIZE_T size, UINT flags, ID3D11Device* device,
                                     ID3DX11Effect** effect, LPCSTR sourceName = nullptr);
// The file must hold a compiled effect; 0x80070002 when it cannot be read.
HRESULT D3DX11CreateEffectFromFile(LPCWSTR fileName, UINT flags, ID3D11Device* device, ID3DX11Effect** effect);
