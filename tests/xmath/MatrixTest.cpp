#include "platform/xmath/DirectXMath.h"
#include "tests/xmath/XMathExpect.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace DirectX;
using qz::test::ExpectMatrixNear;
using qz::test::ExpectVectorNear;

const XMMATRIX Shear(1, 2, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 3, 0, 0, 1);
const XMMATRIX Scale234 = XMMatrixScaling(2, 3, 4);

TEST(XMathMatrix, MultiplyAppliesTheLeftMatrixFirst)
{
    ExpectMatrixNear({{{2, 6, 0, 0}, {0, 3, 0, 0}, {0, 0, 4, 0}, {6, 0, 0, 1}}},
                     XMMatrixMultiply(Shear, Scale234));
    ExpectMatrixNear({{{2, 4, 0, 0}, {0, 3, 0, 0}, {0, 0, 4, 0}, {3, 0, 0, 1}}},
                     XMMatrixMultiply(Scale234, Shear));
    ExpectMatrixNear({{{1, 2, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {3, 0, 0, 1}}},
                     XMMatrixMultiply(XMMatrixIdentity(), Shear));
}

TEST(XMathMatrix, PointsAreRowVectors)
{
    // Scale first, then move: (1, 2, 3) -> (2, 6, 12) -> (12, 26, 42).
    const XMMATRIX world = XMMatrixMultiply(Scale234, XMMatrixTranslation(10, 20, 30));
    ExpectVectorNear({12, 26, 42, 1}, XMVector4Transform(XMVectorSet(1, 2, 3, 1), world));
    ExpectVectorNear({2, 6, 12, 0}, XMVector4Transform(XMVectorSet(1, 2, 3, 0), world));
    ExpectVectorNear({2, 6, 12, 0}, XMVector3TransformNormal(XMVectorSet(1, 2, 3, 1), world));
    ExpectVectorNear({4, 4, 3, 1}, XMVector4Transform(XMVectorSet(1, 2, 3, 1), Shear));
}

TEST(XMathMatrix, TransformCoordDividesByW)
{
    const XMMATRIX halving(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 2);
    ExpectVectorNear({0.5f, 1, 1.5f, 1}, XMVector3TransformCoord(XMVectorSet(1, 2, 3, 99), halving));
}

TEST(XMathMatrix, TransposeSwapsRowsAndColumns)
{
    const XMMATRIX m(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    ExpectMatrixNear({{{1, 5, 9, 13}, {2, 6, 10, 14}, {3, 7, 11, 15}, {4, 8, 12, 16}}}, XMMatrixTranspose(m));
}

TEST(XMathMatrix, InverseOfKnownMatrices)
{
    XMVECTOR determinant;
    const XMMATRIX scaleMove(2, 0, 0, 0, 0, 4, 0, 0, 0, 0, 8, 0, 1, 2, 3, 1);
    ExpectMatrixNear({{{0.5f, 0, 0, 0}, {0, 0.25f, 0, 0}, {0, 0, 0.125f, 0}, {-0.5f, -0.5f, -0.375f, 1}}},
                     XMMatrixInverse(&determinant, scaleMove));
    ExpectVectorNear({64, 64, 64, 64}, determinant);

    const XMMATRIX block(1, 2, 0, 0, 3, 4, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    ExpectMatrixNear({{{-2, 1, 0, 0}, {1.5f, -0.5f, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}},
                     XMMatrixInverse(&determinant, block));
    EXPECT_FLOAT_EQ(-2.0f, XMVectorGetX(determinant));

    // Every entry of a dense matrix takes part.
    const XMMATRIX dense(4, 7, 2, 3, 0, 5, 1, 9, 8, 1, 6, 2, 3, 3, 7, 1);
    ExpectMatrixNear({{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}},
                     XMMatrixMultiply(dense, XMMatrixInverse(nullptr, dense)), 1e-5f);
    ExpectMatrixNear({{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}},
                     XMMatrixMultiply(XMMatrixInverse(nullptr, dense), dense), 1e-5f);
}

TEST(XMathMatrix, InverseOfARotationIsItsTranspose)
{
    const XMMATRIX rotation = XMMatrixRotationRollPitchYaw(0.3f, -1.1f, 2.0f);
    const XMMATRIX t = XMMatrixTranspose(rotation);
    const XMMATRIX inverse = XMMatrixInverse(nullptr, rotation);
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            EXPECT_NEAR(t.r[row][column], inverse.r[row][column], 1e-5f);
        }
    }
}

TEST(XMathMatrix, InverseOfASingularMatrixIsNotFinite)
{
    XMVECTOR determinant;
    const XMMATRIX twoEqualRows(1, 2, 3, 4, 1, 2, 3, 4, 0, 0, 1, 0, 0, 0, 0, 1);
    const XMMATRIX inverse = XMMatrixInverse(&determinant, twoEqualRows);
    EXPECT_EQ(0.0f, XMVectorGetX(determinant));
    bool anyNonFinite = false;
    for (const XMVECTOR& row : inverse.r) {
        for (int lane = 0; lane < 4; ++lane) anyNonFinite |= !std::isfinite(row[lane]);
    }
    EXPECT_TRUE(anyNonFinite);
}

TEST(XMathMatrix, RollPitchYawTurnsRollThenPitchThenYaw)
{
    const float quarter = XM_PIDIV2;
    // Yaw about y: x goes to -z.
    ExpectVectorNear({0, 0, -1, 0}, XMVector3TransformNormal(XMVectorSet(1, 0, 0, 0),
                                                             XMMatrixRotationRollPitchYaw(0, quarter, 0)));
    // Pitch about x: y goes to z.
    ExpectVectorNear({0, 0, 1, 0}, XMVector3TransformNormal(XMVectorSet(0, 1, 0, 0),
                                                            XMMatrixRotationRollPitchYaw(quarter, 0, 0)));
    // Roll about z: x goes to y.
    ExpectVectorNear({0, 1, 0, 0}, XMVector3TransformNormal(XMVectorSet(1, 0, 0, 0),
                                                            XMMatrixRotationRollPitchYaw(0, 0, quarter)));
    // Pitch before yaw: y -> z -> x. (Yaw first would leave y, then pitch would give z.)
    ExpectVectorNear({1, 0, 0, 0}, XMVector3TransformNormal(XMVectorSet(0, 1, 0, 0),
                                                            XMMatrixRotationRollPitchYaw(quarter, quarter, 0)));
    // Roll before pitch: x -> y -> z.
    ExpectVectorNear({0, 0, 1, 0}, XMVector3TransformNormal(XMVectorSet(1, 0, 0, 0),
                                                            XMMatrixRotationRollPitchYaw(quarter, 0, quarter)));
}

TEST(XMathMatrix, StorageRoundTripKeepsRowMajorOrder)
{
    const XMFLOAT4X4 stored(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    const XMMATRIX loaded = XMLoadFloat4x4(&stored);
    ExpectVectorNear({5, 6, 7, 8}, loaded.r[1]);
    XMFLOAT4X4 back {};
    XMStoreFloat4x4(&back, XMMatrixTranspose(loaded));
    EXPECT_EQ(5.0f, back(0, 1));
    EXPECT_EQ(4.0f, back.m[3][0]);
    EXPECT_EQ(16.0f, back(3, 3));
}

}  // namespace
