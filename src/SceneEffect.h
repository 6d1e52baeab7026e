#pragma once
// The application's scene effect, shader/scene.fx, compiled at run time with the ".prc"
// cache beside it: the mesh pass with its world, world-view-projection, diffuse-texture
// and has-texture variables.

#include "tarnwick/dx11/ShaderEncapsulation.h"
#include "tarnwick/dx11/TriangleMesh.h"

class SceneEffect : public qz::dx11::ShaderEncapsulation {
public:
    // "shader/scene.fx" from the working folder, else from beside the program.
    static std::string FileName();

    // Compiles (or takes from the cache) and makes the effect; throws what LoadEffect
    // throws.
    void Create(ID3D11Device* device) override;
    void AfterCreation() override;

    // The input layout of the mesh vertex against the mesh pass, one reference for the
    // caller; throws when the device refuses it.
    ID3D11InputLayout* CreateMeshInputLayout(ID3D11Device* device) const;
    // What TriangleMesh::Render draws with.
    qz::dx11::TriangleMesh::RenderParameters MeshParameters(bool normalize, bool floor) const;

private:
    ID3DX11EffectMatrixVariable* world_ = nullptr;
    ID3DX11EffectMatrixVariable* worldViewProjection_ = nullptr;
    ID3DX11EffectShaderResourceVariable* diffuseTexture_ = nullptr;
    ID3DX11EffectScalarVariable* hasTexture_ = nullptr;
    ID3DX11EffectPass* meshPass_ = nullptr;
};
