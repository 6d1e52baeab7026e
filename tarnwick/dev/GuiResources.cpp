#include "tarnwick/dev/GuiResources.h"

#include "shader/BuiltInEffects.h"
#include "tarnwick/core/ErrorReport.h"
#include "tarnwick/dx11/EffectCompiler.h"
#include "tarnwick/dx11/IndexBuffer.h"
#include "tarnwick/dx11/VertexBuffer.h"

#include <array>
#include <cstdint>

namespace qz::dev {

namespace {

// The cube [-1, 1]^3.
constexpr std::array<float, 24> kBoxVertices = {
    -1, -1, -1,  -1, 1, -1,  1, 1, -1,  1, -1, -1,
    -1, -1, 1,   -1, 1, 1,   1, 1, 1,   1, -1, 1,
};
// Two triangles per face, clockwise seen from outside.
constexpr std::array<std::uint32_t, 36> kBoxFaces = {
    0, 1, 3,  1, 2, 3,  3, 2, 7,  2, 6, 7,  7, 6, 4,  6, 5, 4,
    4, 5, 0,  5, 1, 0,  1, 5, 2,  5, 6, 2,  4, 0, 7,  0, 3, 7,
};
constexpr std::array<std::uint32_t, 24> kBoxLines = {
    0, 1,  1, 2,  2, 3,  3, 0,  2, 6,  6, 7,  7, 3,  6, 5,  5, 4,  4, 7,  1, 5,  0, 4,
};

// Drawing goes on without a box that could not be made; the log says why.
bool Created(HRESULT result, const char* name)
{
    if (SUCCEEDED(result)) {
        return true;
    }
    auto message = core::Logger::BeginMessage(core::LogLevelErrorReport);
    message.SetType(core::LogTypeError);
    message << "Could not create buffer \"" << name << "\"\nCOM error message: " << core::ComErrorText(result);
    return false;
}

// A failed creation keeps no count, so drawing with the buffer draws nothing.
template <std::size_t N>
std::unique_ptr<dx11::Buffer> MakeIndexBuffer(ID3D11Device* device, const std::array<std::uint32_t, N>& indices,
                                              const char* name)
{
    auto buffer = std::make_unique<dx11::IndexBuffer>();
    const HRESULT result = buffer->Create(device, indices.data(),
                                          dx11::DefaultBufferDesc(sizeof(indices), D3D11_BIND_INDEX_BUFFER | D3D11_BIND_VERTEX_BUFFER));
    if (Created(result, name)) {
        buffer->SetIndexFormat(DXGI_FORMAT_R32_UINT);
        buffer->SetIndexCount(static_cast<UINT>(N));
    }
    return buffer;
}

dx11::ComOwner<ID3DX11Effect> LoadBuiltInEffect(ID3D11Device* device, const std::string& name)
{
    ID3DX11Effect* effect = nullptr;
    dx11::EffectCompiler::LoadFromMemory(device, shaders::CompiledEffect(name), &effect);
    return dx11::ComOwner<ID3DX11Effect>(effect);
}

}  // namespace

GuiResources::GuiResources() : root(std::make_unique<GuiContainer2D>(nullptr, "gui_root"))
{
    root->layoutMode = GuiContainer2D::Absolute;
    root->size = {1.0f, 1.0f};
}

GuiResources::~GuiResources()
{
    Release();
}

void GuiResources::Create(ID3D11Device* device)
{
    core::Logger::BeginMessageWith("Creating GUI resources");
    effects["graph"] = LoadBuiltInEffect(device, "graph");
    CreateBoxGeometry(device);
}

void GuiResources::Release()
{
    effects.clear();
    inputLayouts.clear();
    buffers.clear();
}

void GuiResources::CreateBoxGeometry(ID3D11Device* device)
{
    dx11::ComOwner<ID3DX11Effect>& effect = effects["3dobjects"];
    effect = LoadBuiltInEffect(device, "3dobjects");
    D3DX11_PASS_DESC pass{};
    effect->GetTechniqueByIndex(0)->GetPassByIndex(0)->GetDesc(&pass);
    const D3D11_INPUT_ELEMENT_DESC position{"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D11_INPUT_PER_VERTEX_DATA, 0};
    ID3D11InputLayout* layout = nullptr;
    const HRESULT result = device->CreateInputLayout(&position, 1, pass.pIAInputSignature, pass.IAInputSignatureSize, &layout);
    if (FAILED(result)) {
        QZ_THROW_COM("qz::dev::GuiResources::CreateBoxGeometry", result, "Could not create the input layout of \"3dobjects\"");
    }
    inputLayouts["3dobjects"].reset(layout);

    auto vertices = std::make_unique<dx11::VertexBuffer>();
    const HRESULT created =
        vertices->Create(device, kBoxVertices.data(), dx11::DefaultBufferDesc(sizeof(kBoxVertices), D3D11_BIND_VERTEX_BUFFER));
    if (Created(created, "boxVertex")) {
        vertices->SetStride(3 * sizeof(float));
        vertices->SetVertexCount(8);
    }
    buffers["boxVertex"] = std::move(vertices);
    buffers["boxFace"] = MakeIndexBuffer(device, kBoxFaces, "boxFace");
    buffers["boxLine"] = MakeIndexBuffer(device, kBoxLines, "boxLine");
}

}  // namespace qz::dev
