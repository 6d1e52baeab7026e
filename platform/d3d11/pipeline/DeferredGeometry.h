#pragma once
// The vertices of a small draw, kept until the frame is shaded: the vertex kernel, a
// snapshot of what it reads (constants, views, the bytes of its vertices and indices)
// and the topology. Many such draws run their vertex stage and set-up side by side on the
// raster threads, instead of one after the other on the thread that draws.

#include "platform/d3d11/pipeline/PrimitiveAssembly.h"

#include <memory>
#include <vector>

namespace d3d11sw {

class DeferredGeometry {
public:
    // Null when the draw reads too much to copy: it is set up at once instead.
    static std::unique_ptr<DeferredGeometry> Make(const PipelineState& state, VertexShader& shader, UINT count,
                                                  const VertexNumbers& numbers);

    DeferredGeometry(const PipelineState& state, VertexShader& shader, UINT count, const VertexNumbers& numbers);
    DeferredGeometry(const DeferredGeometry&) = delete;
    DeferredGeometry& operator=(const DeferredGeometry&) = delete;

    // Vertex count, for the frame's limit.
    UINT Count() const { return count_; }
    const StageResources& Resources() const { return vertices_.Resources(); }
    // The vertex stage, primitive assembly and set-up of the draw, into `sink`.
    void SetUp(const RasterState& raster, bool depthBound, PrimitiveSink& sink);

private:
    Bound<VertexShader> shader_;  // keeps the kernel and its description
    D3D11_PRIMITIVE_TOPOLOGY topology_;
    UINT count_;
    VertexNumbers numbers_;
    std::vector<std::byte> indices_;
    VertexStage vertices_;
};

}  // namespace d3d11sw
