#pragma once
// The input signature of a vertex kernel: the elements it reads, in register order. The
// effect runtime hands it to CreateInputLayout as bytes, in the layout of this file.

#include "platform/d3d11/formats/ComponentType.h"

#include <cstddef>
#include <string>
#include <vector>

namespace d3d11sw {

struct SignatureElement {
    std::string semanticName;
    UINT semanticIndex = 0;
    ComponentType type = ComponentType::Float;
    UINT componentCount = 4;  // 1 to 4
};

// Bytes: "ISG1", count, then per element: index, type, component count, name length,
// name bytes; all numbers 32-bit little-endian.
std::vector<std::byte> EncodeInputSignature(const std::vector<SignatureElement>& elements);
// False for bytes that are not a whole signature of that form.
bool DecodeInputSignature(const void* data, std::size_t size, std::vector<SignatureElement>& elements);

// Semantic names compare without regard to case, as in HLSL.
bool SameSemantic(const std::string& a, const char* b);

}  // namespace d3d11sw
