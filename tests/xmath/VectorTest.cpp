#include "platform/xmath/DirectXMath.h"
#include "tests/xmath/XMathExpect.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

using namespace DirectX;
using qz::test::ExpectVectorNear;

TEST(XMathTypes, VectorsAndMatricesAreSixteenByteAligned)
{
    static_assert(sizeof(XMVECTOR) == 16 && alignof(XMVECTOR) == 16);
    static_assert(sizeof(XMMATRIX) == 64 && alignof(XMMATRIX) == 16);
    static_assert(sizeof(XMFLOAT3) == 12 && sizeof(XMFLOAT4) == 16 && sizeof(XMFLOAT4X4) == 64);
    XMMATRIX matrices[3];
    for (const XMMATRIX& m : matrices) {
        EXPECT_EQ(0u, reinterpret_cast<std::uintptr_t>(&m) % 16);
    }
}

TEST(XMathVector, DotProductsUseTheirLanesAndReplicate)
{
    const XMVECTOR a = XMVectorSet(1, 2, 3, 4);
    const XMVECTOR b = XMVectorSet(5, -6, 7, -8);
    ExpectVectorNear({-18, -18, -18, -18}, XMVector4Dot(a, b));  // 5 - 12 + 21 - 32
    ExpectVectorNear({14, 14, 14, 14}, XMVector3Dot(a, b));      // w ignored
    EXPECT_EQ(4.0f, XMVectorGetW(a));
    EXPECT_EQ(2.0f, XMVectorGetY(a));
}

TEST(XMathVector, CrossProductIsLeftToRightAndHasZeroW)
{
    ExpectVectorNear({0, 0, 1, 0}, XMVector3Cross(XMVectorSet(1, 0, 0, 7), XMVectorSet(0, 1, 0, 9)));
    ExpectVectorNear({-3, 6, -3, 0}, XMVector3Cross(XMVectorSet(1, 2, 3, 0), XMVectorSet(4, 5, 6, 0)));
}

TEST(XMathVector, NormalizeDividesAllLanesByTheThreeComponentLength)
{
    ExpectVectorNear({0.6f, 0, 0.8f, 2}, XMVector3Normalize(XMVectorSet(3, 0, 4, 10)));
    ExpectVectorNear({0, 0, 0, 0}, XMVector3Normalize(XMVectorSet(0, 0, 0, 5)));
    ExpectVectorNear({5, 5, 5, 5}, XMVector3Length(XMVectorSet(3, 0, 4, 10)));
}

TEST(XMathVector, AbsAndMaxWorkPerLaneAndKeepNaN)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const XMVECTOR v = XMVectorAbs(XMVectorSet(-1, 2, -0.0f, nan));
    ExpectVectorNear({1, 2, 0, 0}, XMVectorSet(v[0], v[1], v[2], 0));
    EXPECT_FALSE(std::signbit(v[2]));
    EXPECT_TRUE(std::isnan(v[3]));
    ExpectVectorNear({1, 2, 3, 4}, XMVectorMax(XMVectorSet(1, -2, 3, -4), XMVectorSet(-1, 2, -3, 4)));
}

TEST(XMathVector, ArithmeticIsLaneByLane)
{
    const XMVECTOR a = XMVectorSet(1, 2, 3, 4);
    const XMVECTOR b = XMVectorSet(4, 3, 2, 1);
    ExpectVectorNear({5, 5, 5, 5}, XMVectorAdd(a, b));
    ExpectVectorNear({-3, -1, 1, 3}, XMVectorSubtract(a, b));
    ExpectVectorNear({4, 6, 6, 4}, XMVectorMultiply(a, b));
    ExpectVectorNear({0.5f, 1, 1.5f, 2}, XMVectorScale(a, 0.5f));
    ExpectVectorNear({-1, -2, -3, -4}, XMVectorNegate(a));
}

TEST(XMathVector, LoadsAndStoresFillTheMissingLanesWithZero)
{
    const XMFLOAT3 three(1, 2, 3);
    ExpectVectorNear({1, 2, 3, 0}, XMLoadFloat3(&three));
    const XMFLOAT4 four(1, 2, 3, 4);
    ExpectVectorNear({1, 2, 3, 4}, XMLoadFloat4(&four));
    const XMFLOAT2 two(1, 2);
    ExpectVectorNear({1, 2, 0, 0}, XMLoadFloat2(&two));

    XMFLOAT3 stored3 {};
    XMStoreFloat3(&stored3, XMVectorSet(5, 6, 7, 8));
    EXPECT_EQ(5.0f, stored3.x);
    EXPECT_EQ(7.0f, stored3.z);
    XMFLOAT4 stored4 {};
    XMStoreFloat4(&stored4, XMVectorSet(5, 6, 7, 8));
    EXPECT_EQ(8.0f, stored4.w);
    XMFLOAT2 stored2 {};
    XMStoreFloat2(&stored2, XMVectorSet(5, 6, 7, 8));
    EXPECT_EQ(6.0f, stored2.y);
}

}  // namespace
