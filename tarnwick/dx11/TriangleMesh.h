#pragma once
// A model file imported once and drawn with a pass of the caller's effect: one vertex and
// one index buffer per imported mesh on the current device, the meshes' diffuse textures
// as shared texture resources, and the scene's node hierarchy with its transformations.
// Two matrices come with it: one that centres the model and scales its largest extent to
// 1, and one that sets its lowest point on the floor (y = -0.5) of that unit cube.

#include "platform/d3d11/D3D11.h"
#include "platform/effects/D3DX11Effect.h"
#include "platform/xmath/DirectXMath.h"
#include "tarnwick/dx11/IndexBuffer.h"
#include "tarnwick/dx11/VertexBuffer.h"

#include <assimp/Importer.hpp>

#include <string>
#include <vector>

struct aiMesh;
struct aiScene;

namespace qz::dx11 {

// One vertex of a mesh, as its vertex buffer holds it.
struct MeshVertex {
    float position[3];
    float normal[3];    // zero when the mesh has none
    float color[4];     // the vertex's own, else the material's diffuse colour, else white
    float texCoord[2];  // of the first set; zero when the mesh has none
};
static_assert(sizeof(MeshVertex) == 48);

// The input layout of MeshVertex: POSITION, NORMAL, COLOR and TEXCOORD in slot 0.
extern const D3D11_INPUT_ELEMENT_DESC MeshVertexElements[4];

class TriangleMesh {
public:
    // The effect's variables and pass that Render draws with.
    struct RenderParameters {
        ID3DX11EffectMatrixVariable* world = nullptr;
        ID3DX11EffectMatrixVariable* worldViewProjection = nullptr;
        ID3DX11EffectShaderResourceVariable* diffuseTexture = nullptr;
        ID3DX11EffectScalarVariable* hasTexture = nullptr;
        ID3DX11EffectPass* pass = nullptr;
        bool normalize = false;
        bool floor = false;
    };

    // Imports the file with the importer's post-processing flags and requires and loads
    // its diffuse textures in the current device's resource table. An absolute texture
    // path is taken as given, a relative one in the model's folder, else next to the
    // executable. Throws when the file cannot be imported or a texture cannot be loaded;
    // the textures it required are given back then.
    TriangleMesh(const std::string& fileName, unsigned int importFlags);
    // Gives the textures back.
    ~TriangleMesh();
    TriangleMesh(const TriangleMesh&) = delete;
    TriangleMesh& operator=(const TriangleMesh&) = delete;

    // Builds the buffers on the current device, then creates the required texture
    // resources. Meshes without triangles get no buffers. A size that does not fit a
    // buffer fails with E_INVALIDARG before any buffer is made; otherwise the first
    // failing HRESULT is returned.
    HRESULT Create();
    void Release();

    // world := model matrix x world, then the normalising matrix in front when asked
    // for, then the floor matrix in front when asked for; the result is written back.
    // Draws every node from the root with the mesh input layout, its own transformation
    // in front of its parent's.
    void Render(ID3D11DeviceContext* context, DirectX::XMFLOAT4X4& world, const DirectX::XMFLOAT4X4& viewProjection,
                const RenderParameters& parameters) const;

    DirectX::XMFLOAT4X4 modelMatrix;
    const DirectX::XMFLOAT4X4& GetNormalizingMatrix() const { return normalizingMatrix_; }
    const DirectX::XMFLOAT4X4& GetFloorMatrix() const { return floorMatrix_; }
    const std::vector<VertexBuffer>& GetVertexBuffers() const { return vertexBuffers_; }
    const std::vector<IndexBuffer>& GetIndexBuffers() const { return indexBuffers_; }
    const aiScene* GetScene() const { return scene_; }
    // The resource-table name of each material's diffuse texture; empty without one.
    const std::vector<std::string>& GetTextureNames() const { return textureNames_; }

private:
    void ComputeMatrices(const std::string& fileName);
    void RequireTextures(const std::string& fileName);
    // Gives back the textures required so far; quiet when the table is gone.
    void UnrequireTextures() noexcept;

    DirectX::XMFLOAT4X4 normalizingMatrix_;
    DirectX::XMFLOAT4X4 floorMatrix_;
    std::vector<VertexBuffer> vertexBuffers_;
    std::vector<IndexBuffer> indexBuffers_;
    Assimp::Importer importer_;
    const aiScene* scene_ = nullptr;  // owned by the importer
    std::vector<std::string> textureNames_;
    std::size_t required_ = 0;  // how many of textureNames_ are required
};

}  // namespace qz::dx11

// The process-wide input layout of MeshVertex, made by the application against its mesh
// pass; null until then. TriangleMesh::Render binds it as it is.
extern ID3D11InputLayout* MeshInputLayout;
