#include "platform/d3d11/pipeline/InputAssembler.h"

#include "platform/d3d11/formats/FormatLayout.h"

#include <cstring>

namespace d3d11sw {

InputAssembler::InputAssembler(const PipelineState& state, const VertexShaderDesc& shader)
{
    const InputLayout* layout = state.inputLayout.Get();
    for (const SignatureElement& wanted : shader.inputs) {
        Source source;
        const LayoutElement* found = nullptr;
        if (layout) {
            for (const LayoutElement& element : layout->Elements()) {
                if (element.semanticIndex == wanted.semanticIndex &&
                    SameSemantic(wanted.semanticName, element.semanticName.c_str())) {
                    found = &element;
                    break;
                }
            }
        }
        if (found) {
            const VertexBufferBinding& binding = state.vertexBuffers[found->slot];
            source.buffer = binding.buffer.Get();
            source.offset = std::size_t{binding.offset} + found->offset;
            source.stride = binding.stride;
            source.perInstance = found->perInstance;
            const FormatCodec& codec = CodecOf(found->format);
            source.load = codec.loadBits ? codec.loadBits : codec.load;  // integer formats keep their bits
            source.bytes = LayoutOf(found->format).bytes;
        }
        sources_.push_back(source);
    }
}

void InputAssembler::Fetch(UINT vertex, Float4* attributes) const
{
    for (std::size_t i = 0; i < sources_.size(); ++i) {
        const Source& source = sources_[i];
        attributes[i] = Float4{};
        if (!source.buffer) {
            continue;
        }
        const std::size_t element = source.perInstance ? 0 : vertex;
        const std::size_t at = source.offset + element * source.stride;
        const std::size_t size = source.buffer->Desc().ByteWidth;
        if (at <= size && source.bytes <= size - at) {
            attributes[i] = source.load(source.buffer->Data(0) + at);
        }
    }
}

VertexNumbers VertexNumbers::Indexed(const PipelineState& state, UINT startIndex, INT baseVertex)
{
    VertexNumbers numbers(0);
    numbers.indexed_ = true;
    numbers.indexBuffer_ = state.indexBuffer.Get();
    numbers.indexBytes_ = state.indexFormat == DXGI_FORMAT_R16_UINT ? 2 : state.indexFormat == DXGI_FORMAT_R32_UINT ? 4 : 0;
    numbers.firstByte_ = std::size_t{state.indexOffset} + std::size_t{startIndex} * numbers.indexBytes_;
    numbers.baseVertex_ = baseVertex;
    return numbers;
}

std::optional<UINT> VertexNumbers::At(UINT position) const
{
    if (!indexed_) {
        return start_ + position;
    }
    std::uint32_t index = 0;
    const std::size_t at = firstByte_ + std::size_t{position} * indexBytes_;
    if (indexBuffer_ && indexBytes_ > 0 && at + indexBytes_ <= indexBuffer_->Desc().ByteWidth) {
        if (indexBytes_ == 2) {
            std::uint16_t shortIndex = 0;
            std::memcpy(&shortIndex, indexBuffer_->Data(0) + at, 2);
            if (shortIndex == 0xFFFF) {
                return std::nullopt;
            }
            index = shortIndex;
        } else {
            std::memcpy(&index, indexBuffer_->Data(0) + at, 4);
            if (index == 0xFFFFFFFFu) {
                return std::nullopt;
            }
        }
    }
    return static_cast<UINT>(static_cast<std::int64_t>(index) + baseVertex_);
}

}  // namespace d3d11sw
