#include "src/VolumeGeometry.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <sstream>

std::string VolumeGeometry::CheckSettings(std::uint32_t brickSize, std::uint32_t overlap,
                                          std::uint32_t levelCount)
{
    std::ostringstream error;
    if (!IsValidBrickSize(brickSize)) {
        error << "Invalid brick size " << brickSize << ": a power of two from " << MinBrickSize
              << " to " << MaxBrickSize << " is required";
    } else if (overlap >= brickSize / 2) {
        error << "Invalid overlap " << overlap << ": twice the overlap must be below the brick size "
              << brickSize;
    } else if (levelCount < 1 || levelCount > MaxLevelCount) {
        error << "Invalid level count " << levelCount << ": 1 to " << MaxLevelCount
              << " levels are supported (the leaf bricks of more cannot be numbered in 32 bits)";
    }
    return error.str();
}

VolumeGeometry VolumeGeometry::FromSettings(std::uint32_t brickSize, std::uint32_t overlap,
                                            std::uint32_t levelCount)
{
    VolumeGeometry g;
    g.brickSize = brickSize;
    g.overlap = overlap;
    g.levelCount = levelCount;
    g.innerSize = brickSize - 2 * overlap;
    g.leafLevel = levelCount - 1;
    g.leavesPerAxis = 1u << g.leafLevel;
    g.leafCount = g.leavesPerAxis * g.leavesPerAxis * g.leavesPerAxis;
    g.maxVoxel = g.innerSize * g.leavesPerAxis - 1;
    g.innerSizeReciprocal = ((std::uint64_t {1} << 40) + g.innerSize - 1) / g.innerSize;
    return g;
}

namespace {

bool IsEmptyBox(const float box[6])
{
    for (int a = 0; a < 3; ++a) {
        if (box[a] != FLT_MAX || box[a + 3] != -FLT_MAX) return false;
    }
    return true;
}

}  // namespace

std::string BoxMapping::CheckBox(const float box[6])
{
    std::ostringstream error;
    for (int i = 0; i < 6; ++i) {
        if (!std::isfinite(box[i])) {
            error << "Invalid bounding box: coordinate " << i << " is not finite";
            return error.str();
        }
    }
    if (IsEmptyBox(box)) return "";
    for (int a = 0; a < 3; ++a) {
        const float extent = box[a + 3] - box[a];
        if (!(extent >= 0.0f) || !std::isfinite(extent)) {
            error << "Invalid bounding box: axis " << a << " runs from " << box[a] << " to "
                  << box[a + 3];
            return error.str();
        }
    }
    return "";
}

bool BoxMapping::HasExtent(const float box[6])
{
    return CheckBox(box).empty() && FromBox(box).extent > 0.0f;
}

BoxMapping BoxMapping::FromBox(const float box[6])
{
    const float dx = box[3] - box[0];
    const float dy = box[4] - box[1];
    const float dz = box[5] - box[2];
    BoxMapping m;
    m.extent = dx;
    if (dy > m.extent) m.extent = dy;
    if (dz > m.extent) m.extent = dz;
    if (!(m.extent > 0.0f) || !std::isfinite(1.0f / m.extent)) {
        std::copy(box, box + 3, m.origin);
        m.extent = 0.0f;
        m.scale = 0.0f;
        return m;
    }
    m.scale = 1.0f / m.extent;
    m.origin[0] = (dx - m.extent) * 0.5f + box[0];
    m.origin[1] = box[1];
    m.origin[2] = (dz - m.extent) * 0.5f + box[2];
    return m;
}

void BoxMapping::WorldToVolume(float matrix[4][4]) const
{
    // T(-origin) * S(1 / extent) * S(2) * T(-1, -1, -1), multiplied out.
    const float s = scale * 2.0f;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) matrix[r][c] = 0.0f;
    }
    for (int a = 0; a < 3; ++a) {
        matrix[a][a] = s;
        matrix[3][a] = -origin[a] * s + -1.0f;
    }
    matrix[3][3] = 1.0f;
}
