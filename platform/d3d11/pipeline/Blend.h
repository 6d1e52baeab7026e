#pragma once
// A blend state of one render target as arithmetic: each factor is a sum of weighted
// terms (one, source colour, source alpha, destination colour, destination alpha,
// constant), so blending runs without a case per factor.

#include "platform/d3d11/api/D3D11Descs.h"
#include "platform/d3d11/kernels/Registers.h"

namespace d3d11sw {

struct FactorTerms {
    float one = 0.0f;
    float source = 0.0f;
    float sourceAlpha = 0.0f;
    float destination = 0.0f;
    float destinationAlpha = 0.0f;
    float constant = 0.0f;
    bool saturatedAlpha = false;  // min(source alpha, 1 - destination alpha)
};

class BlendEquation {
public:
    // The equations overlays and additive passes use, computed directly.
    enum class Shortcut { None, SourceOver, Add };

    explicit BlendEquation(const D3D11_RENDER_TARGET_BLEND_DESC& desc);

    Shortcut ColourShortcut() const { return colourShortcut_; }
    Shortcut AlphaShortcut() const { return alphaShortcut_; }

    Float4 Apply(const Float4& s, const Float4& d, const Float4& constant) const
    {
        if (colourShortcut_ == Shortcut::None || alphaShortcut_ == Shortcut::None) {
            return ApplyTerms(s, d, constant);
        }
        const float alpha = alphaShortcut_ == Shortcut::Add ? s.w + d.w : s.w * s.w + d.w * (1.0f - s.w);
        if (colourShortcut_ == Shortcut::Add) {
            return Float4{s.x + d.x, s.y + d.y, s.z + d.z, alpha};
        }
        const float keep = 1.0f - s.w;
        return Float4{s.x * s.w + d.x * keep, s.y * s.w + d.y * keep, s.z * s.w + d.z * keep, alpha};
    }

private:
    Float4 ApplyTerms(const Float4& source, const Float4& destination, const Float4& constant) const;

    Shortcut colourShortcut_ = Shortcut::None;
    Shortcut alphaShortcut_ = Shortcut::None;
    FactorTerms colourSource_;
    FactorTerms colourDestination_;
    FactorTerms alphaSource_;
    FactorTerms alphaDestination_;
    D3D11_BLEND_OP colourOp_;
    D3D11_BLEND_OP alphaOp_;
};

}  // namespace d3d11sw
