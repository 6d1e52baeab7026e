#pragma once
// The vertex stage of a draw: fetches a vertex's attributes and runs the vertex kernel,
// with a small cache so that indexed draws shade a shared vertex once as long as it is
// used again soon.

#include "platform/d3d11/pipeline/InputAssembler.h"

#include <array>
#include <memory>
#include <vector>

namespace d3d11sw {

class VertexStage {
public:
    VertexStage(const PipelineState& state, const VertexShader& shader);

    void Shade(UINT vertex, VertexOutput& output);

    // Reads vertices first to last from a copy of their bytes from now on; InputBytes:
    // the size of that copy.
    void KeepInputs(UINT first, UINT last) { assembler_.KeepInputs(first, last, inputs_); }
    std::size_t InputBytes(UINT first, UINT last) const { return assembler_.InputBytes(first, last); }
    const StageResources& Resources() const { return resources_; }

private:
    struct Entry {
        UINT vertex;
        VertexOutput output;
    };

    const VertexShaderDesc& desc_;
    StageResources resources_;
    InputAssembler assembler_;
    std::vector<Float4> attributes_;
    std::unique_ptr<std::byte[]> inputs_;
    std::array<Entry, 32> cache_;
};

}  // namespace d3d11sw
