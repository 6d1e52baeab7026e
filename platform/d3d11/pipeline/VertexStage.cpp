#include "platform/d3d11/pipeline/VertexStage.h"

#include <algorithm>

namespace d3d11sw {

VertexStage::VertexStage(const PipelineState& state, const VertexShader& shader)
    : desc_(shader.Description()), resources_(state.vertexStage), assembler_(state, desc_)
{
    attributes_.resize(desc_.inputs.size());
    for (Entry& entry : cache_) {
        entry.vertex = ~0u;
    }
}

void VertexStage::Shade(UINT vertex, VertexOutput& output)
{
    Entry& entry = cache_[vertex % cache_.size()];
    if (entry.vertex != vertex) {
        entry.vertex = vertex;
        // Outputs start at zero; only what the draw interpolates matters.
        entry.output.position = Float4{};
        std::fill(entry.output.varyings, entry.output.varyings + desc_.varyingCount, Float4{});
        assembler_.Fetch(vertex, attributes_.data());
        const VertexInput input{vertex, 0, attributes_.data()};
        desc_.kernel->Shade(resources_, input, entry.output);
    }
    // Only what the draw interpolates is copied.
    output.position = entry.output.position;
    std::copy(entry.output.varyings, entry.output.varyings + desc_.varyingCount, output.varyings);
}

}  // namespace d3d11sw
