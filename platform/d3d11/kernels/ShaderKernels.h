#pragma once
// Shaders of the software device are native kernels: C++ objects for the vertex and the
// pixel stage. The effect runtime (or any caller) makes shader objects from them with
// CreateVertexShader / CreatePixelShader and binds them with VSSetShader / PSSetShader;
// draws then run them. README.md beside this folder describes the interface at length.
//
// A kernel object is immutable and may carry data of its own: the byte offsets of the
// constants it reads, which variant of a function it is. Two shader objects made from two
// kernel objects are two shaders, even when the kernels are of one class.
//
// Vertex kernels run once per vertex. Pixel kernels run on spans of 2x2 quads: one call
// shades up to PixelSpan::kMaxQuads quads of one pair of pixel rows, so per-call costs are
// shared by many pixels, and derivatives (Ddx, Ddy of Quad.h) exist for every value a
// kernel computes.

#include "platform/d3d11/kernels/InputSignature.h"
#include "platform/d3d11/kernels/Quad.h"
#include "platform/d3d11/kernels/SpanValues.h"
#include "platform/d3d11/kernels/StageResources.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace d3d11sw {

constexpr UINT kMaxVaryings = 16;
constexpr UINT kMaxRenderTargets = 8;

// ---- vertex stage ---------------------------------------------------------------------

struct VertexInput {
    UINT vertexId = 0;
    UINT instanceId = 0;
    // One register per input signature element, in signature order, fetched through the
    // bound input layout: float and normalized formats as values, integer formats as
    // their bits (read them with AsUint or AsInt).
    const Float4* attributes = nullptr;
};

struct VertexOutput {
    Float4 position;  // clip space
    Float4 varyings[kMaxVaryings];
};

class VertexKernel {
public:
    virtual ~VertexKernel() = default;
    virtual void Shade(const StageResources& resources, const VertexInput& in, VertexOutput& out) const = 0;
};

// ---- pixel stage ----------------------------------------------------------------------

// A value that varies linearly over the screen: its value at the centre of a primitive's
// origin pixel and its steps from one pixel to the next.
struct Plane {
    Float4 at;
    Float4 ddx;
    Float4 ddy;
};

// How the pixels of a primitive are interpolated, set up once per primitive by the
// rasteriser; kernels see it only through PixelSpan.
struct PrimitiveInterpolation {
    // A rectangle is two triangles of one draw that make an axis-aligned rectangle with
    // values on one plane; it covers exactly the pixels the two would.
    enum class Kind { Triangle, Rectangle, Line, Point };
    Kind kind = Kind::Triangle;
    bool perspective = false;  // the varyings' planes hold value / w, divided by the 1/w plane
    bool frontFace = true;
    int originX = 0;
    int originY = 0;
    const Plane* varyings = nullptr;  // one per varying
    float z = 0.0f;  // screen depth (depth bias included) and 1/w, with their steps
    float dzdx = 0.0f;
    float dzdy = 0.0f;
    float invW = 1.0f;
    float dInvWdx = 0.0f;
    float dInvWdy = 0.0f;
    float nearZ = 0.0f;
    float farZ = 1.0f;
    // Triangles: edge k at the centre of pixel (x, y) is c[k] + stepX[k] * x + stepY[k] * y
    // (in 1/65536 square pixels, the top-left rule's bias included); a pixel is covered
    // when all three are >= 0.
    std::int64_t c[3] = {};
    std::int64_t stepX[3] = {};
    std::int64_t stepY[3] = {};
    // Lines: pixels `first` to `last - 1` along the major axis; at a pixel centre the
    // line crosses the minor axis at minorStart + (major + 0.5 - start) / length * minor.
    bool xMajor = true;
    double start = 0.0;
    double length = 1.0;
    double minorStart = 0.0;
    double minor = 0.0;
    int first = 0;
    int last = 0;
};

class PixelSpan {
public:
    static constexpr int kMaxQuads = kMaxSpanQuads;

    int Count() const { return count_; }
    // Pixels of the span's quads, helpers included: the used length of span arrays.
    int Lanes() const { return 4 * count_; }
    // Pixel coordinates of lane 0 of a quad.
    int X(int quad) const { return x_ + 2 * quad; }
    int Y() const { return y_; }
    // Lanes (bit i: lane i) that the primitive covers and that passed the depth test.
    UINT Coverage(int quad) const { return coverage_[quad]; }
    bool FrontFace() const { return interpolation_->frontFace; }

    // Pixel centre x and y, depth z and 1/w of each lane.
    Quad<Float4> Position(int quad) const;
    // A varying of the vertex kernel, perspective-correct, at each lane's pixel centre.
    Quad<Float4> Varying(int quad, UINT index) const
    {
        const PrimitiveInterpolation& p = *interpolation_;
        const Plane& plane = p.varyings[index];
        const auto dx = static_cast<float>(X(quad) - p.originX);
        const auto dy = static_cast<float>(y_ - p.originY);
        const Float4 base = plane.at + plane.ddx * dx + plane.ddy * dy;
        const Float4 right = base + plane.ddx;
        Quad<Float4> result{{base, right, base + plane.ddy, right + plane.ddy}};
        if (p.perspective) {
            DivideByW(quad, result);
        }
        return result;
    }

    // Components 0 to components - 1 of a varying at every pixel of the span, as Varying
    // gives them quad by quad.
    void Varying(UINT index, SpanFloat4& out, UINT components = 4) const;
    // The outputs of render-target slot `slot` for every pixel of the span.
    void SetTarget(UINT slot, const SpanFloat4& values);

    // The outputs of render-target slot `slot`, zero until written. Integer targets take
    // the bits of their values (AsFloat of a Uint4 or Int4).
    Quad<Float4>& Target(int quad, UINT slot) { return targets_[slot][quad]; }
    const Quad<Float4>& Target(int quad, UINT slot) const { return targets_[slot][quad]; }
    // Lanes that write nothing: neither colour nor depth.
    void Discard(int quad, UINT lanes) { discarded_[quad] |= lanes; }

    // ---- for the pipeline ----
    void Begin(const PrimitiveInterpolation& interpolation, int x, int y, UINT targetCount);
    void Add(UINT coverage)
    {
        for (UINT slot = 0; slot < targetCount_; ++slot) {
            targets_[slot][count_] = Quad<Float4>{};
        }
        discarded_[count_] = 0;
        coverage_[count_++] = coverage;
    }
    // `quads` quads of the same lanes from the next one on, no more than the span holds.
    void AddRun(int quads, UINT coverage)
    {
        for (UINT slot = 0; slot < targetCount_; ++slot) {
            std::fill(targets_[slot] + count_, targets_[slot] + count_ + quads, Quad<Float4>{});
        }
        std::fill(discarded_ + count_, discarded_ + count_ + quads, 0u);
        std::fill(coverage_ + count_, coverage_ + count_ + quads, coverage);
        count_ += quads;
    }
    // Every lane of slot `slot` (a span begun without target slots).
    void FillTarget(UINT slot, const Float4& value)
    {
        std::fill(targets_[slot], targets_[slot] + count_, Quad<Float4>::Splat(value));
    }
    int Room() const { return kMaxQuads - count_; }
    void Clear() { count_ = 0; }
    bool Full() const { return count_ == kMaxQuads; }
    void SetCoverage(int quad, UINT lanes) { coverage_[quad] = lanes; }
    UINT Live(int quad) const { return coverage_[quad] & ~discarded_[quad]; }
    // The depth of each lane, depth bias added and clamped to the viewport's range.
    const float* Depths(int quad) const
    {
        if (!depthsReady_) {
            ComputeDepths();
        }
        return depths_[quad];
    }

private:
    void EnsurePerspective() const
    {
        if (!perspectiveReady_) {
            ComputePerspective();
        }
    }
    void ComputeDepths() const;
    void ComputePerspective() const;
    void DivideByW(int quad, Quad<Float4>& values) const;

    const PrimitiveInterpolation* interpolation_ = nullptr;
    int x_ = 0;
    int y_ = 0;
    int count_ = 0;
    UINT targetCount_ = 0;
    UINT coverage_[kMaxQuads] = {};
    UINT discarded_[kMaxQuads] = {};
    mutable bool depthsReady_ = false;
    mutable bool perspectiveReady_ = false;
    mutable float depths_[kMaxQuads][4];
    mutable float invW_[kMaxQuads][4];
    mutable float w_[kMaxQuads][4];
    Quad<Float4> targets_[kMaxRenderTargets][kMaxQuads];
};

// One quad of a span, for kernels written per quad.
class PixelQuad {
public:
    PixelQuad(PixelSpan& span, int quad) : span_(span), quad_(quad) {}

    int X() const { return span_.X(quad_); }
    int Y() const { return span_.Y(); }
    UINT Coverage() const { return span_.Coverage(quad_); }
    bool FrontFace() const { return span_.FrontFace(); }
    Quad<Float4> Position() const { return span_.Position(quad_); }
    Quad<Float4> Varying(UINT index) const { return span_.Varying(quad_, index); }
    Quad<Float4>& Target(UINT slot) { return span_.Target(quad_, slot); }
    void Discard(UINT lanes) { span_.Discard(quad_, lanes); }

private:
    PixelSpan& span_;
    int quad_;
};

class PixelKernel {
public:
    virtual ~PixelKernel() = default;
    // Shades every quad of the span: writes the targets it outputs, may discard lanes.
    virtual void Shade(const StageResources& resources, PixelSpan& span) const = 0;
    // A kernel that writes one colour into every lane of render-target slot 0 for the
    // whole draw, and no other slot, and discards nothing, may say so and give the
    // colour: the output merger then writes the draw's spans without calling Shade.
    // Asked once per draw.
    virtual bool OneColour(const StageResources& /*resources*/, Float4& /*colour*/) const { return false; }
};

// Kernels from callables, which may capture the data they carry. A pixel callable is
// called per quad as f(resources, quad) with a PixelQuad, inlined into the loop over the
// span; a vertex callable as f(resources, in, out).
template <class F>
class QuadKernel final : public PixelKernel {
public:
    explicit QuadKernel(F f) : f_(std::move(f)) {}
    void Shade(const StageResources& resources, PixelSpan& span) const override
    {
        for (int quad = 0; quad < span.Count(); ++quad) {
            PixelQuad view(span, quad);
            f_(resources, view);
        }
    }

private:
    F f_;
};

template <class F>
class FunctionVertexKernel final : public VertexKernel {
public:
    explicit FunctionVertexKernel(F f) : f_(std::move(f)) {}
    void Shade(const StageResources& resources, const VertexInput& in, VertexOutput& out) const override
    {
        f_(resources, in, out);
    }

private:
    F f_;
};

template <class F>
std::shared_ptr<const PixelKernel> MakePixelKernel(F f)
{
    return std::make_shared<QuadKernel<F>>(std::move(f));
}

template <class F>
std::shared_ptr<const VertexKernel> MakeVertexKernel(F f)
{
    return std::make_shared<FunctionVertexKernel<F>>(std::move(f));
}

// ---- shader objects -------------------------------------------------------------------

struct VertexShaderDesc {
    std::shared_ptr<const VertexKernel> kernel;
    std::vector<SignatureElement> inputs;
    UINT varyingCount = 0;  // up to kMaxVaryings
};

struct PixelShaderDesc {
    std::shared_ptr<const PixelKernel> kernel;
};

// E_INVALIDARG without a kernel or with too many varyings.
HRESULT CreateVertexShader(ID3D11Device* device, VertexShaderDesc desc, ID3D11VertexShader** shader);
HRESULT CreatePixelShader(ID3D11Device* device, PixelShaderDesc desc, ID3D11PixelShader** shader);

}  // namespace d3d11sw
