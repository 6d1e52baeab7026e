#include "tarnwick/core/SerializableVectors.h"

namespace qz::core {

std::uint32_t FloatVec3::TypeID()
{
    static const std::uint32_t id = TypeNameHash("FloatVec3");
    return id;
}

std::uint32_t Int32Vec2::TypeID()
{
    static const std::uint32_t id = TypeNameHash("Int32Vec2");
    return id;
}

}  // namespace qz::core
