#pragma once
// The vertex stage of a draw: fetches a vertex's attributes and runs the vertex kernel,
// with a small cache so that indexed draws shade a shared vertex once as long as it is
// used again soon.

#include "platform/d3d11/pipeline/InputAssembler.h"

#include <array>
#include <vector>

namespace d3d11sw {

class VertexStage {
public:
    VertexStage(const PipelineState& state, const VertexShader& shader);

    void Shade(UINT vertex, VertexOutput& output);

private:
    struct Entry {
        UINT vertex;
        VertexOutput output;
    };

    const VertexShaderDesc& desc_;
    StageResources resources_;
    InputAssembler assembler_;
    std::vector<Float4> attributes_;
    std::array<Entry, 32> cache_;
};

}  // namespace d3d11sw
