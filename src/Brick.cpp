#include "src/Brick.h"

#include <cmath>

void SetBrickBox(qz::utils::AABox& box, std::uint32_t level, const std::uint32_t position[3])
{
    const float edge = 2.0f / std::exp2(static_cast<float>(level));
    auto centre = [&](int a) { return (static_cast<float>(position[a]) + 0.5f) * edge - 1.0f; };
    box.center = DirectX::XMVectorSet(centre(0), centre(1), centre(2), 1.0f);
    box.halfSize = DirectX::XMVectorSet(edge / 2.0f, edge / 2.0f, edge / 2.0f, 0.0f);
}

Brick& Brick::CreateChild(unsigned childNumber)
{
    auto child = std::make_unique<Brick>();
    child->level = level + 1;
    for (unsigned a = 0; a < 3; ++a) {
        child->position[a] = 2 * position[a] + (childNumber >> a & 1u);
    }
    child->timestep = timestep;
    SetBrickBox(child->box, child->level, child->position);
    children[childNumber & 7u] = std::move(child);
    return *children[childNumber & 7u];
}
