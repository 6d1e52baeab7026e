#include "src/SceneEffect.h"

#include "shader/BuiltInEffects.h"
#include "tarnwick/core/ErrorReport.h"
#include "tarnwick/utils/FileUtils.h"

std::string SceneEffect::FileName()
{
    return qz::utils::FindFileOrBesideExecutable("shader/scene.fx");
}

void SceneEffect::Create(ID3D11Device* device)
{
    // The effect's passes find their kernels when it is made.
    qz::shaders::RegisterBuiltInKernels();
    LoadEffect(device, FileName());
}

void SceneEffect::AfterCreation()
{
    ID3DX11Effect* effect = Effect();
    world_ = effect->GetVariableByName("g_matWorld")->AsMatrix();
    worldViewProjection_ = effect->GetVariableByName("g_matWorldViewProjection")->AsMatrix();
    diffuseTexture_ = effect->GetVariableByName("g_texDiffuse")->AsShaderResource();
    hasTexture_ = effect->GetVariableByName("g_hasTexture")->AsScalar();
    meshPass_ = effect->GetTechniqueByName("RenderScene")->GetPassByName("RenderMesh");
}

qz::dx11::TriangleMesh::RenderParameters SceneEffect::MeshParameters(bool normalize, bool floor) const
{
    return {world_, worldViewProjection_, diffuseTexture_, hasTexture_, meshPass_, normalize, floor};
}

ID3D11InputLayout* SceneEffect::CreateMeshInputLayout(ID3D11Device* device) const
{
    D3DX11_PASS_DESC pass{};
    meshPass_->GetDesc(&pass);
    ID3D11InputLayout* layout = nullptr;
    const HRESULT result = device->CreateInputLayout(qz::dx11::MeshVertexElements, 4, pass.pIAInputSignature,
                                                     pass.IAInputSignatureSize, &layout);
    if (FAILED(result)) {
        QZ_THROW_COM("SceneEffect::CreateMeshInputLayout", result, "Could not create the mesh input layout");
    }
    return layout;
}
