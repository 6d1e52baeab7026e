#include "tarnwick/dx11/TriangleMesh.h"

#include "platform/win/Files.h"
#include "tarnwick/core/ErrorReport.h"
#include "tarnwick/dx11/ResourceManager.h"
#include "tarnwick/engine/EngineRoot.h"
#include "tarnwick/utils/FileUtils.h"

#include <assimp/material.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <utility>

ID3D11InputLayout* MeshInputLayout = nullptr;

namespace qz::dx11 {

const D3D11_INPUT_ELEMENT_DESC MeshVertexElements[4] = {
    {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, D3D11_APPEND_ALIGNED_ELEMENT, D3D11_INPUT_PER_VERTEX_DATA, 0},
    {"NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, D3D11_APPEND_ALIGNED_ELEMENT, D3D11_INPUT_PER_VERTEX_DATA, 0},
    {"COLOR", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, D3D11_APPEND_ALIGNED_ELEMENT, D3D11_INPUT_PER_VERTEX_DATA, 0},
    {"TEXCOORD", 0, DXGI_FORMAT_R32G32_FLOAT, 0, D3D11_APPEND_ALIGNED_ELEMENT, D3D11_INPUT_PER_VERTEX_DATA, 0},
};

namespace {

using DirectX::XMMATRIX;

constexpr std::uint64_t kTriangleBytes = 3 * sizeof(std::uint32_t);

void StoreIdentity(DirectX::XMFLOAT4X4& matrix) { DirectX::XMStoreFloat4x4(&matrix, DirectX::XMMatrixIdentity()); }

// The faces that are drawn: exactly three indices, each naming a vertex of the mesh.
// Triangulation leaves points and lines as they are.
bool IsTriangle(const aiMesh& mesh, const aiFace& face)
{
    return face.mNumIndices == 3 && face.mIndices[0] < mesh.mNumVertices && face.mIndices[1] < mesh.mNumVertices &&
           face.mIndices[2] < mesh.mNumVertices;
}

std::uint64_t CountTriangles(const aiMesh& mesh)
{
    std::uint64_t count = 0;
    for (unsigned int i = 0; i < mesh.mNumFaces; ++i) {
        count += IsTriangle(mesh, mesh.mFaces[i]) ? 1 : 0;
    }
    return count;
}

const aiMaterial* MaterialOf(const aiScene& scene, const aiMesh& mesh)
{
    return mesh.mMaterialIndex < scene.mNumMaterials ? scene.mMaterials[mesh.mMaterialIndex] : nullptr;
}

std::vector<MeshVertex> BuildVertices(const aiMesh& mesh, const aiMaterial* material)
{
    aiColor4D materialColor(1.0f, 1.0f, 1.0f, 1.0f);
    if (material) {
        aiColor4D diffuse;
        if (aiGetMaterialColor(material, AI_MATKEY_COLOR_DIFFUSE, &diffuse) == aiReturn_SUCCESS) {
            materialColor = diffuse;
        }
    }
    const aiColor4D* colors = mesh.HasVertexColors(0) ? mesh.mColors[0] : nullptr;
    const aiVector3D* texCoords = mesh.HasTextureCoords(0) ? mesh.mTextureCoords[0] : nullptr;
    const aiVector3D* normals = mesh.HasNormals() ? mesh.mNormals : nullptr;

    std::vector<MeshVertex> vertices(mesh.mNumVertices);
    for (unsigned int i = 0; i < mesh.mNumVertices; ++i) {
        MeshVertex& v = vertices[i];
        const aiVector3D& p = mesh.mVertices[i];
        const aiVector3D n = normals ? normals[i] : aiVector3D(0.0f, 0.0f, 0.0f);
        const aiColor4D& c = colors ? colors[i] : materialColor;
        const aiVector3D t = texCoords ? texCoords[i] : aiVector3D(0.0f, 0.0f, 0.0f);
        v = MeshVertex{{p.x, p.y, p.z}, {n.x, n.y, n.z}, {c.r, c.g, c.b, c.a}, {t.x, t.y}};
    }
    return vertices;
}

std::vector<std::uint32_t> BuildIndices(const aiMesh& mesh, std::uint64_t triangles)
{
    std::vector<std::uint32_t> indices;
    indices.reserve(triangles * 3);
    for (unsigned int i = 0; i < mesh.mNumFaces; ++i) {
        const aiFace& face = mesh.mFaces[i];
        if (IsTriangle(mesh, face)) {
            indices.insert(indices.end(), face.mIndices, face.mIndices + 3);
        }
    }
    return indices;
}

// The name of a texture in the resource table, the file that the resource reads: an
// absolute path as given, a relative one in the model's folder when it is there, else next
// to the executable. The working folder is the model's only when the model is named
// without a folder.
std::string ResolveTexturePath(const std::string& texture, const std::string& modelFolder)
{
    if (utils::IsAbsolutePath(texture)) {
        return texture;
    }
    const std::string besideModel = modelFolder + texture;
    return platform::win::FileExists(besideModel) ? besideModel : utils::GetExecutableFolder() + texture;
}

ResourceTable& CurrentResources() { return engine::QZRoot.CurrentDeviceData().resources; }

}  // namespace

TriangleMesh::TriangleMesh(const std::string& fileName, unsigned int importFlags)
{
    StoreIdentity(modelMatrix);
    StoreIdentity(normalizingMatrix_);
    StoreIdentity(floorMatrix_);
    scene_ = importer_.ReadFile(fileName, importFlags);
    if (!scene_) {
        QZ_THROW("qz::dx11::TriangleMesh::TriangleMesh", "Could not import \"", fileName, "\": ",
                 importer_.GetErrorString());
    }
    ComputeMatrices(fileName);
    try {
        RequireTextures(fileName);
    } catch (...) {
        UnrequireTextures();
        throw;
    }
}

TriangleMesh::~TriangleMesh()
{
    UnrequireTextures();
}

void TriangleMesh::ComputeMatrices(const std::string& fileName)
{
    float low[3] = {FLT_MAX, FLT_MAX, FLT_MAX};
    float high[3] = {-FLT_MAX, -FLT_MAX, -FLT_MAX};
    std::uint64_t vertexCount = 0;
    for (unsigned int m = 0; m < scene_->mNumMeshes; ++m) {
        const aiMesh& mesh = *scene_->mMeshes[m];
        vertexCount += mesh.mNumVertices;
        for (unsigned int i = 0; i < mesh.mNumVertices; ++i) {
            const aiVector3D& p = mesh.mVertices[i];
            const float v[3] = {p.x, p.y, p.z};
            for (int axis = 0; axis < 3; ++axis) {
                low[axis] = std::min(low[axis], v[axis]);
                high[axis] = std::max(high[axis], v[axis]);
            }
        }
    }
    float extent[3];
    float centre[3];
    for (int axis = 0; axis < 3; ++axis) {
        extent[axis] = high[axis] - low[axis];
        centre[axis] = (low[axis] + high[axis]) / 2.0f;
    }
    const float largest = std::max({extent[0], extent[1], extent[2]});
    const float scale = 1.0f / largest;
    const bool measurable = vertexCount > 0 && std::isfinite(largest) && largest > 0.0f && std::isfinite(scale) &&
                            std::isfinite(centre[0]) && std::isfinite(centre[1]) && std::isfinite(centre[2]);
    if (!measurable) {
        // An infinite scale would draw nothing, or garbage, wherever the model is put.
        auto message = core::Logger::BeginMessage(core::LogLevelImportant);
        message.SetType(core::LogTypeWarning);
        message << "Model \"" << fileName << "\" has no vertices or no finite size; it is neither normalized nor set "
                << "on the floor";
        return;
    }
    const XMMATRIX normalizing = DirectX::XMMatrixMultiply(
        DirectX::XMMatrixMultiply(DirectX::XMMatrixScaling(scale, scale, scale),
                                  DirectX::XMMatrixTranslation(0.5f - centre[0] * scale, 0.5f - centre[1] * scale,
                                                               0.5f - centre[2] * scale)),
        DirectX::XMMatrixTranslation(-0.5f, -0.5f, -0.5f));
    DirectX::XMStoreFloat4x4(&normalizingMatrix_, normalizing);
    DirectX::XMStoreFloat4x4(&floorMatrix_, DirectX::XMMatrixTranslation(0.0f, (extent[1] - largest) / 2.0f, 0.0f));
}

void TriangleMesh::RequireTextures(const std::string& fileName)
{
    ResourceTable& table = CurrentResources();
    const std::string modelFolder = utils::GetDirectory(fileName);
    textureNames_.assign(scene_->mNumMaterials, std::string());
    for (unsigned int m = 0; m < scene_->mNumMaterials; ++m) {
        aiString path;
        if (aiGetMaterialTexture(scene_->mMaterials[m], aiTextureType_DIFFUSE, 0, &path) != aiReturn_SUCCESS ||
            path.length == 0) {
            continue;
        }
        const std::string name = ResolveTexturePath(path.C_Str(), modelFolder);
        GetTexture2DResource(table, name)->Require();
        textureNames_[m] = name;
        required_ = m + 1;
    }
    // The folder a path was resolved against is known here only: load now, so that the
    // device's create pass finds the data in memory.
    for (std::size_t m = 0; m < required_; ++m) {
        if (!textureNames_[m].empty()) {
            Resource* resource = GetTexture2DResource(table, textureNames_[m]);
            if (!resource->IsLoaded()) {
                resource->Load();
            }
        }
    }
}

void TriangleMesh::UnrequireTextures() noexcept
{
    engine::QZRootImpl::DeviceData* data = engine::QZRoot.FindCurrentDeviceData();
    if (!data) {
        return;
    }
    for (std::size_t m = 0; m < required_; ++m) {
        const auto entry = data->resources.find(textureNames_[m]);
        if (textureNames_[m].empty() || entry == data->resources.end()) {
            continue;
        }
        try {
            entry->second->Unrequire();
        } catch (const core::Exception&) {
            // Reported where it was thrown; the other textures still go back.
        }
    }
    required_ = 0;
}

HRESULT TriangleMesh::Create()
{
    Release();
    const unsigned int meshCount = scene_->mNumMeshes;
    // Every size is checked before the first buffer is made.
    std::vector<std::uint64_t> triangles(meshCount);
    std::vector<UINT> vertexBytes(meshCount);
    std::vector<UINT> indexBytes(meshCount);
    for (unsigned int m = 0; m < meshCount; ++m) {
        const aiMesh& mesh = *scene_->mMeshes[m];
        triangles[m] = CountTriangles(mesh);
        if (!FitsByteWidth(mesh.mNumVertices, sizeof(MeshVertex), vertexBytes[m]) ||
            !FitsByteWidth(triangles[m], kTriangleBytes, indexBytes[m])) {
            return E_INVALIDARG;
        }
    }

    ID3D11Device* device = engine::QZRoot.renderingDevice->CurrentDevice().device;
    vertexBuffers_.resize(meshCount);
    indexBuffers_.resize(meshCount);
    for (unsigned int m = 0; m < meshCount; ++m) {
        if (triangles[m] == 0) {
            continue;
        }
        const aiMesh& mesh = *scene_->mMeshes[m];
        const std::vector<MeshVertex> vertices = BuildVertices(mesh, MaterialOf(*scene_, mesh));
        HRESULT result = vertexBuffers_[m].Create(device, vertices.data(),
                                                  DefaultBufferDesc(vertexBytes[m], D3D11_BIND_VERTEX_BUFFER));
        if (FAILED(result)) {
            return result;
        }
        vertexBuffers_[m].SetStride(sizeof(MeshVertex));
        vertexBuffers_[m].SetVertexCount(mesh.mNumVertices);

        const std::vector<std::uint32_t> indices = BuildIndices(mesh, triangles[m]);
        result = indexBuffers_[m].Create(device, indices.data(),
                                         DefaultBufferDesc(indexBytes[m], D3D11_BIND_VERTEX_BUFFER | D3D11_BIND_INDEX_BUFFER));
        if (FAILED(result)) {
            return result;
        }
        indexBuffers_[m].SetIndexFormat(DXGI_FORMAT_R32_UINT);
        indexBuffers_[m].SetIndexCount(static_cast<UINT>(indices.size()));
    }
    return CreateRequiredResources(CurrentResources(), device);
}

void TriangleMesh::Release()
{
    vertexBuffers_.clear();
    indexBuffers_.clear();
}

void TriangleMesh::Render(ID3D11DeviceContext* context, DirectX::XMFLOAT4X4& world,
                          const DirectX::XMFLOAT4X4& viewProjection, const RenderParameters& parameters) const
{
    XMMATRIX placed = DirectX::XMMatrixMultiply(DirectX::XMLoadFloat4x4(&modelMatrix), DirectX::XMLoadFloat4x4(&world));
    if (parameters.normalize) {
        placed = DirectX::XMMatrixMultiply(DirectX::XMLoadFloat4x4(&normalizingMatrix_), placed);
    }
    if (parameters.floor) {
        placed = DirectX::XMMatrixMultiply(DirectX::XMLoadFloat4x4(&floorMatrix_), placed);
    }
    DirectX::XMStoreFloat4x4(&world, placed);

    context->IASetInputLayout(MeshInputLayout);
    context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    const ResourceTable& table = CurrentResources();
    const XMMATRIX projection = DirectX::XMLoadFloat4x4(&viewProjection);

    // Depth first, parents before their children, children in order; a stack of its own,
    // since a file may nest its nodes deeper than the call stack would take.
    std::vector<std::pair<const aiNode*, XMMATRIX>> pending;
    if (scene_->mRootNode) {
        pending.emplace_back(scene_->mRootNode, placed);
    }
    while (!pending.empty()) {
        const auto [node, parentWorld] = pending.back();
        pending.pop_back();
        // The file's matrices are for column vectors.
        const aiMatrix4x4& t = node->mTransformation;
        const XMMATRIX local(t.a1, t.b1, t.c1, t.d1, t.a2, t.b2, t.c2, t.d2, t.a3, t.b3, t.c3, t.d3, t.a4, t.b4, t.c4,
                             t.d4);
        const XMMATRIX nodeWorld = DirectX::XMMatrixMultiply(local, parentWorld);
        DirectX::XMFLOAT4X4 stored;
        DirectX::XMStoreFloat4x4(&stored, nodeWorld);
        parameters.world->SetMatrix(&stored.m[0][0]);
        DirectX::XMStoreFloat4x4(&stored, DirectX::XMMatrixMultiply(nodeWorld, projection));
        parameters.worldViewProjection->SetMatrix(&stored.m[0][0]);

        for (unsigned int i = 0; i < node->mNumMeshes; ++i) {
            const unsigned int m = node->mMeshes[i];
            if (m >= indexBuffers_.size() || indexBuffers_[m].GetIndexCount() == 0) {
                continue;
            }
            const IndexBuffer& indices = indexBuffers_[m];
            const VertexBuffer& vertices = vertexBuffers_[m];
            context->IASetIndexBuffer(indices.GetBuffer(), static_cast<DXGI_FORMAT>(indices.GetIndexFormat()), 0);
            ID3D11Buffer* vertexBuffer = vertices.GetBuffer();
            const UINT stride = vertices.GetStride();
            const UINT offset = 0;
            context->IASetVertexBuffers(0, 1, &vertexBuffer, &stride, &offset);

            const unsigned int material = scene_->mMeshes[m]->mMaterialIndex;
            const std::string* texture = material < textureNames_.size() && !textureNames_[material].empty()
                                             ? &textureNames_[material]
                                             : nullptr;
            const auto entry = texture ? table.find(*texture) : table.end();
            if (entry != table.end()) {
                const auto* resource = dynamic_cast<const Texture2DResource*>(entry->second.get());
                parameters.diffuseTexture->SetResource(resource ? resource->GetTexture().GetShaderResourceView()
                                                                : nullptr);
                parameters.hasTexture->SetBool(true);
            } else {
                parameters.hasTexture->SetBool(false);
            }
            parameters.pass->Apply(0, context);
            context->DrawIndexed(indices.GetIndexCount(), 0, 0);
        }
        for (unsigned int c = node->mNumChildren; c-- > 0;) {
            pending.emplace_back(node->mChildren[c], nodeWorld);
        }
    }
}

}  // namespace qz::dx11
