#include "platform/d3d11/pipeline/Blend.h"

#include <algorithm>

namespace d3d11sw {
namespace {

FactorTerms TermsOf(D3D11_BLEND blend)
{
    FactorTerms terms;
    switch (blend) {
    case D3D11_BLEND_ONE: terms.one = 1.0f; break;
    case D3D11_BLEND_SRC_COLOR: terms.source = 1.0f; break;
    case D3D11_BLEND_INV_SRC_COLOR: terms.one = 1.0f; terms.source = -1.0f; break;
    case D3D11_BLEND_SRC_ALPHA: terms.sourceAlpha = 1.0f; break;
    case D3D11_BLEND_INV_SRC_ALPHA: terms.one = 1.0f; terms.sourceAlpha = -1.0f; break;
    case D3D11_BLEND_DEST_ALPHA: terms.destinationAlpha = 1.0f; break;
    case D3D11_BLEND_INV_DEST_ALPHA: terms.one = 1.0f; terms.destinationAlpha = -1.0f; break;
    case D3D11_BLEND_DEST_COLOR: terms.destination = 1.0f; break;
    case D3D11_BLEND_INV_DEST_COLOR: terms.one = 1.0f; terms.destination = -1.0f; break;
    case D3D11_BLEND_SRC_ALPHA_SAT: terms.saturatedAlpha = true; break;
    case D3D11_BLEND_BLEND_FACTOR: terms.constant = 1.0f; break;
    case D3D11_BLEND_INV_BLEND_FACTOR: terms.one = 1.0f; terms.constant = -1.0f; break;
    default: break;  // zero
    }
    return terms;
}

float Factor(const FactorTerms& t, float source, float sourceAlpha, float destination, float destinationAlpha,
             float constant)
{
    if (t.saturatedAlpha) {
        return std::min(sourceAlpha, 1.0f - destinationAlpha);
    }
    return t.one + t.source * source + t.sourceAlpha * sourceAlpha + t.destination * destination +
           t.destinationAlpha * destinationAlpha + t.constant * constant;
}

float Combine(D3D11_BLEND_OP op, float source, float sourceFactor, float destination, float destinationFactor)
{
    switch (op) {
    case D3D11_BLEND_OP_SUBTRACT: return source * sourceFactor - destination * destinationFactor;
    case D3D11_BLEND_OP_REV_SUBTRACT: return destination * destinationFactor - source * sourceFactor;
    case D3D11_BLEND_OP_MIN: return std::min(source, destination);
    case D3D11_BLEND_OP_MAX: return std::max(source, destination);
    default: return source * sourceFactor + destination * destinationFactor;
    }
}

}  // namespace

BlendEquation::BlendEquation(const D3D11_RENDER_TARGET_BLEND_DESC& desc)
    : colourSource_(TermsOf(desc.SrcBlend)),
      colourDestination_(TermsOf(desc.DestBlend)),
      alphaSource_(TermsOf(desc.SrcBlendAlpha)),
      alphaDestination_(TermsOf(desc.DestBlendAlpha)),
      colourOp_(desc.BlendOp),
      alphaOp_(desc.BlendOpAlpha)
{
    // The saturated source alpha is 1 for the alpha channel.
    if (alphaSource_.saturatedAlpha) {
        alphaSource_ = TermsOf(D3D11_BLEND_ONE);
    }
    if (alphaDestination_.saturatedAlpha) {
        alphaDestination_ = TermsOf(D3D11_BLEND_ONE);
    }
    auto shortcut = [](D3D11_BLEND source, D3D11_BLEND destination, D3D11_BLEND_OP op) {
        if (op != D3D11_BLEND_OP_ADD) {
            return Shortcut::None;
        }
        if (source == D3D11_BLEND_SRC_ALPHA && destination == D3D11_BLEND_INV_SRC_ALPHA) {
            return Shortcut::SourceOver;
        }
        return source == D3D11_BLEND_ONE && destination == D3D11_BLEND_ONE ? Shortcut::Add : Shortcut::None;
    };
    colourShortcut_ = shortcut(desc.SrcBlend, desc.DestBlend, desc.BlendOp);
    alphaShortcut_ = shortcut(desc.SrcBlendAlpha, desc.DestBlendAlpha, desc.BlendOpAlpha);
}

Float4 BlendEquation::ApplyTerms(const Float4& s, const Float4& d, const Float4& k) const
{
    auto colour = [&](float source, float destination, float constant) {
        const float sourceFactor = Factor(colourSource_, source, s.w, destination, d.w, constant);
        const float destinationFactor = Factor(colourDestination_, source, s.w, destination, d.w, constant);
        return Combine(colourOp_, source, sourceFactor, destination, destinationFactor);
    };
    const float sourceFactor = Factor(alphaSource_, s.w, s.w, d.w, d.w, k.w);
    const float destinationFactor = Factor(alphaDestination_, s.w, s.w, d.w, d.w, k.w);
    return Float4{colour(s.x, d.x, k.x), colour(s.y, d.y, k.y), colour(s.z, d.z, k.z),
                  Combine(alphaOp_, s.w, sourceFactor, d.w, destinationFactor)};
}

}  // namespace d3d11sw
