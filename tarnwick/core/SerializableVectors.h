#pragma once
// The vectors that settings hold as class values.

#include "tarnwick/core/SimpleVec.h"

namespace qz::core {

class FloatVec3 final : public SimpleVec3<float> {
public:
    using SimpleVec3<float>::SimpleVec3;
    static std::uint32_t TypeID();
    std::uint32_t GetTypeID() const override { return TypeID(); }
    const char* GetTypeName() const override { return "FloatVec3"; }
};

class Int32Vec2 final : public SimpleVec2<int> {
public:
    using SimpleVec2<int>::SimpleVec2;
    static std::uint32_t TypeID();
    std::uint32_t GetTypeID() const override { return TypeID(); }
    const char* GetTypeName() const override { return "Int32Vec2"; }
};

}  // namespace qz::core
