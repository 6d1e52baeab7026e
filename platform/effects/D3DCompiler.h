#pragma once
// The compiler side: D3DPreprocess and D3DCompileFromFile for effect targets, the blobs
// they return and the include handlers they call.
//
// Messages come back as text, one per line: "file(line,col): error X1234: text" (or
// "warning"). Only the target "fx_5_0" is compiled; its output is this layer's own
// compiled-effect format, which D3DX11CreateEffectFromMemory reads.

#include "platform/d3d11/api/Unknown.h"
#include "platform/win/Types.h"

struct D3D_SHADER_MACRO {
    LPCSTR Name;
    LPCSTR Definition;  // null or empty: the name is defined as empty
};

// A reference-counted byte buffer.
struct ID3D10Blob : IUnknown {
    static constexpr IID Iid = d3d11sw::MakeIid(200);
    virtual void* GetBufferPointer() = 0;
    virtual SIZE_T GetBufferSize() = 0;

protected:
    ~ID3D10Blob() = default;
};
using ID3DBlob = ID3D10Blob;

enum D3D_INCLUDE_TYPE : UINT {
    D3D_INCLUDE_LOCAL = 0,  // #include "name"
    D3D_INCLUDE_SYSTEM = 1, // #include <name>
};

// Supplies included files. parentData is the data of the including file (the source
// given to the compiler for the top file); the data stays in use until Close.
struct ID3DInclude {
    virtual HRESULT Open(D3D_INCLUDE_TYPE type, LPCSTR fileName, const void* parentData, const void** data,
                         UINT* bytes) = 0;
    virtual HRESULT Close(const void* data) = 0;

protected:
    ~ID3DInclude() = default;
};

// Resolves #include relative to the folder of the including file.
#define D3D_COMPILE_STANDARD_FILE_INCLUDE (reinterpret_cast<ID3DInclude*>(static_cast<std::uintptr_t>(1)))

constexpr UINT D3DCOMPILE_DEBUG = 0x1;
constexpr UINT D3DCOMPILE_SKIP_OPTIMIZATION = 0x4;
constexpr UINT D3DCOMPILE_ENABLE_STRICTNESS = 0x800;

HRESULT D3DCreateBlob(SIZE_T size, ID3DBlob** blob);

// The preprocessed text ends with a zero byte that GetBufferSize counts. Macros end with
// {null, null}; include may be null (then #include fails).
HRESULT D3DPreprocess(const void* sourceData, SIZE_T sourceSize, LPCSTR sourceName, const D3D_SHADER_MACRO* defines,
                      ID3DInclude* include, ID3DBlob** codeText, ID3DBlob** errorMessages);

// Target "fx_5_0" only; entryPoint is unused by effects. Warnings come back in
// errorMessages on success too. A file that cannot be read gives 0x80070002.
HRESULT D3DCompileFromFile(LPCWSTR fileName, const D3D_SHADER_MACRO* defines, ID3DInclude* include,
                           LPCSTR entryPoint, LPCSTR target, UINT flags1, UINT flags2, ID3DBlob** code,
                           ID3DBlob** errorMessages);
