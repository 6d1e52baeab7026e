#pragma once
// Techniques and passes of an effect. A pass keeps the shader objects made from the
// kernels registered for its functions; one whose functions lack a kernel binds no
// shaders, so its draws draw nothing, and says so once.

#include "platform/effects/Effect.h"

#include <atomic>
#include <string>

namespace platform::effects {

class EffectPass final : public ID3DX11EffectPass {
public:
    // pass null: the invalid pass.
    EffectPass(Effect& effect, const TechniqueInfo* technique, const PassInfo* pass)
        : effect_(effect), technique_(technique), pass_(pass)
    {
    }

    // Makes the shader objects; a kernel that is missing or refused is not a failure.
    void MakeShaders();

    BOOL IsValid() override { return pass_ ? TRUE : FALSE; }
    HRESULT GetDesc(D3DX11_PASS_DESC* desc) override;
    HRESULT Apply(UINT flags, ID3D11DeviceContext* context) override;

private:
    void WarnOnce();

    Effect& effect_;
    const TechniqueInfo* technique_;
    const PassInfo* pass_;
    std::vector<std::byte> signature_;
    d3d11sw::ComPtr<ID3D11VertexShader> vertexShader_;
    d3d11sw::ComPtr<ID3D11PixelShader> pixelShader_;
    std::string missing_;  // the functions without a kernel, for the warning
    std::atomic<bool> warned_{false};
};

class EffectTechnique final : public ID3DX11EffectTechnique {
public:
    EffectTechnique(Effect& effect, const TechniqueInfo* technique);

    BOOL IsValid() override { return technique_ ? TRUE : FALSE; }
    HRESULT GetDesc(D3DX11_TECHNIQUE_DESC* desc) override;
    ID3DX11EffectPass* GetPassByIndex(UINT index) override;
    ID3DX11EffectPass* GetPassByName(LPCSTR name) override;

private:
    Effect& effect_;
    const TechniqueInfo* technique_;
    std::vector<std::unique_ptr<EffectPass>> passes_;
};

}  // namespace platform::effects
