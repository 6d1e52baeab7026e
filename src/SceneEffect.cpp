#include "src/SceneEffect.h"

#include "shader/BuiltInEffects.h"
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
