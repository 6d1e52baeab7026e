#pragma once
// The input assembler of a draw: which vertices, in which order, and the attributes of
// each as the vertex kernel's input signature asks for them.

#include "platform/d3d11/formats/FormatCodec.h"
#include "platform/d3d11/objects/PipelineState.h"

#include <memory>
#include <optional>
#include <vector>

namespace d3d11sw {

class InputAssembler {
public:
    InputAssembler(const PipelineState& state, const VertexShaderDesc& shader);

    // Attributes of one vertex into `attributes` (one per signature element); out of
    // range reads give zeros, as Direct3D's do.
    void Fetch(UINT vertex, Float4* attributes) const;

    // Copies the bytes that vertices first to last read into `store`, and reads them
    // there from now on, so the buffers may change before the vertices are fetched.
    void KeepInputs(UINT first, UINT last, std::unique_ptr<std::byte[]>& store);
    // The bytes KeepInputs would copy.
    std::size_t InputBytes(UINT first, UINT last) const;

private:
    struct Source {
        const std::byte* data = nullptr;  // byte `begin` of the buffer; null: missing, reads 0
        std::size_t begin = 0;            // the bytes that can be read: [begin, end)
        std::size_t end = 0;
        std::size_t offset = 0;  // binding offset + element offset
        UINT stride = 0;
        bool perInstance = false;
        LoadElement load = nullptr;
        UINT bytes = 0;
    };
    // The bytes of a source that vertices first to last read.
    static void Range(const Source& source, UINT first, UINT last, std::size_t& begin, std::size_t& end);

    std::vector<Source> sources_;
};

// The vertex numbers of a draw: a run of numbers, or the indices of the index buffer
// with the base vertex added. A strip cut index yields nothing (std::nullopt).
class VertexNumbers {
public:
    static VertexNumbers Sequential(UINT start) { return VertexNumbers(start); }
    static VertexNumbers Indexed(const PipelineState& state, UINT startIndex, INT baseVertex);

    std::optional<UINT> At(UINT position) const;
    // The smallest and largest vertex numbers of the first `count`; false when none.
    bool Bounds(UINT count, UINT& first, UINT& last) const;
    // Copies the indices of the first `count` into `store` and reads them there.
    void KeepIndices(UINT count, std::vector<std::byte>& store);

private:
    explicit VertexNumbers(UINT start) : start_(start) {}

    UINT start_ = 0;
    const std::byte* indices_ = nullptr;  // byte `indexBegin_` of the index buffer
    std::size_t indexBegin_ = 0;
    std::size_t indexEnd_ = 0;
    std::size_t firstByte_ = 0;
    UINT indexBytes_ = 0;
    INT baseVertex_ = 0;
    bool indexed_ = false;
};

}  // namespace d3d11sw
