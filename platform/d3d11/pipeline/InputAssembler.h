#pragma once
// The input assembler of a draw: which vertices, in which order, and the attributes of
// each as the vertex kernel's input signature asks for them.

#include "platform/d3d11/formats/FormatCodec.h"
#include "platform/d3d11/objects/PipelineState.h"

#include <optional>
#include <vector>

namespace d3d11sw {

class InputAssembler {
public:
    InputAssembler(const PipelineState& state, const VertexShaderDesc& shader);

    // Attributes of one vertex into `attributes` (one per signature element); out of
    // range reads give zeros, as Direct3D's do.
    void Fetch(UINT vertex, Float4* attributes) const;

private:
    struct Source {
        const Buffer* buffer = nullptr;  // null: the element is missing, reads 0
        std::size_t offset = 0;          // binding offset + element offset
        UINT stride = 0;
        bool perInstance = false;
        LoadElement load = nullptr;
        UINT bytes = 0;
    };
    std::vector<Source> sources_;
};

// The vertex numbers of a draw: a run of numbers, or the indices of the index buffer
// with the base vertex added. A strip cut index yields nothing (std::nullopt).
class VertexNumbers {
public:
    static VertexNumbers Sequential(UINT start) { return VertexNumbers(start); }
    static VertexNumbers Indexed(const PipelineState& state, UINT startIndex, INT baseVertex);

    std::optional<UINT> At(UINT position) const;

private:
    explicit VertexNumbers(UINT start) : start_(start) {}

    UINT start_ = 0;
    const Buffer* indexBuffer_ = nullptr;
    std::size_t firstByte_ = 0;
    UINT indexBytes_ = 0;
    INT baseVertex_ = 0;
    bool indexed_ = false;
};

}  // namespace d3d11sw
