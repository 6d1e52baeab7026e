#include "platform/d3d11/pipeline/InputAssembler.h"

#include "platform/d3d11/formats/FormatLayout.h"

#include <algorithm>
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
            if (const Buffer* buffer = binding.buffer.Get()) {
                source.data = buffer->Data(0);
                source.end = buffer->Desc().ByteWidth;
            }
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
        if (!source.data) {
            continue;
        }
        const std::size_t element = source.perInstance ? 0 : vertex;
        const std::size_t at = source.offset + element * source.stride;
        if (at >= source.begin && at <= source.end && source.bytes <= source.end - at) {
            attributes[i] = source.load(source.data + (at - source.begin));
        }
    }
}

void InputAssembler::Range(const Source& source, UINT first, UINT last, std::size_t& begin, std::size_t& end)
{
    const std::size_t from = source.offset + (source.perInstance ? 0 : std::size_t{first} * source.stride);
    const std::size_t to = source.offset + (source.perInstance ? 0 : std::size_t{last} * source.stride) + source.bytes;
    begin = std::clamp(from, source.begin, source.end);
    end = std::clamp(to, begin, source.end);
}

std::size_t InputAssembler::InputBytes(UINT first, UINT last) const
{
    std::size_t total = 0;
    for (const Source& source : sources_) {
        std::size_t begin = 0;
        std::size_t end = 0;
        if (source.data) {
            Range(source, first, last, begin, end);
        }
        total += end - begin;
    }
    return total;
}

void InputAssembler::KeepInputs(UINT first, UINT last, std::unique_ptr<std::byte[]>& store)
{
    // One copy per source, one after the other.
    std::vector<std::pair<std::size_t, std::size_t>> ranges;
    std::size_t total = 0;
    for (const Source& source : sources_) {
        std::size_t begin = 0;
        std::size_t end = 0;
        if (source.data) {
            Range(source, first, last, begin, end);
        }
        ranges.emplace_back(begin, end);
        total += end - begin;
    }
    store = std::make_unique_for_overwrite<std::byte[]>(std::max<std::size_t>(total, 1));
    std::size_t at = 0;
    for (std::size_t i = 0; i < sources_.size(); ++i) {
        Source& source = sources_[i];
        const auto [begin, end] = ranges[i];
        if (!source.data) {
            continue;
        }
        if (end > begin) {
            std::memcpy(store.get() + at, source.data + (begin - source.begin), end - begin);
        }
        source.data = store.get() + at;
        source.begin = begin;
        source.end = end;
        at += end - begin;
    }
}

VertexNumbers VertexNumbers::Indexed(const PipelineState& state, UINT startIndex, INT baseVertex)
{
    VertexNumbers numbers(0);
    numbers.indexed_ = true;
    if (const Buffer* buffer = state.indexBuffer.Get()) {
        numbers.indices_ = buffer->Data(0);
        numbers.indexEnd_ = buffer->Desc().ByteWidth;
    }
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
    if (indices_ && indexBytes_ > 0 && at >= indexBegin_ && at + indexBytes_ <= indexEnd_) {
        const std::byte* element = indices_ + (at - indexBegin_);
        if (indexBytes_ == 2) {
            std::uint16_t shortIndex = 0;
            std::memcpy(&shortIndex, element, 2);
            if (shortIndex == 0xFFFF) {
                return std::nullopt;
            }
            index = shortIndex;
        } else {
            std::memcpy(&index, element, 4);
            if (index == 0xFFFFFFFFu) {
                return std::nullopt;
            }
        }
    }
    return static_cast<UINT>(static_cast<std::int64_t>(index) + baseVertex_);
}

}  // namespace d3d11sw

namespace d3d11sw {

bool VertexNumbers::Bounds(UINT count, UINT& first, UINT& last) const
{
    if (!indexed_) {
        if (count == 0) {
            return false;
        }
        first = start_;
        last = start_ + (count - 1);
        return last >= first;  // numbers that wrap around are kept out
    }
    bool any = false;
    for (UINT position = 0; position < count; ++position) {
        if (const std::optional<UINT> vertex = At(position)) {
            first = any ? std::min(first, *vertex) : *vertex;
            last = any ? std::max(last, *vertex) : *vertex;
            any = true;
        }
    }
    return any;
}

void VertexNumbers::KeepIndices(UINT count, std::vector<std::byte>& store)
{
    if (!indexed_ || !indices_) {
        return;
    }
    const std::size_t begin = std::clamp(firstByte_, indexBegin_, indexEnd_);
    const std::size_t end = std::clamp(firstByte_ + std::size_t{count} * indexBytes_, begin, indexEnd_);
    store.assign(indices_ + (begin - indexBegin_), indices_ + (end - indexBegin_));
    indices_ = store.data();
    indexBegin_ = begin;
    indexEnd_ = end;
}

}  // namespace d3d11sw
