#pragma once
// Comparisons of vectors and matrices with hand-computed values.

#include "platform/xmath/DirectXMath.h"

#include <gtest/gtest.h>

#include <array>

namespace qz::test {

using Row = std::array<float, 4>;
using Rows = std::array<Row, 4>;

inline void ExpectVectorNear(const Row& expected, DirectX::FXMVECTOR actual, float tolerance = 1e-5f)
{
    for (int lane = 0; lane < 4; ++lane) {
        EXPECT_NEAR(expected[lane], actual[lane], tolerance) << "lane " << lane;
    }
}

inline void ExpectMatrixNear(const Rows& expected, DirectX::FXMMATRIX actual, float tolerance = 1e-5f)
{
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            EXPECT_NEAR(expected[row][column], actual.r[row][column], tolerance)
                << "row " << row << " column " << column;
        }
    }
}

}  // namespace qz::test
