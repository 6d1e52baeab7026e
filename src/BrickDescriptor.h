#pragma once
// The GPU brick descriptor as plain data: the GPU side uploads it as it stands, and the
// particle code keeps its copy without seeing any graphics header.

#include <cstdint>

namespace shader {

struct Brick {
    std::uint32_t key = 0xFFFFFFFFu;
    std::uint32_t slot = 0xFFFFFFFFu;
    std::uint64_t attributeAddress = ~std::uint64_t {0};
    std::uint32_t flags = 0;
    // Written together with the flags.
    std::uint32_t flagsExtra = 0;
};

static_assert(sizeof(Brick) == 24, "the descriptor is 24 bytes on the GPU");

}  // namespace shader
