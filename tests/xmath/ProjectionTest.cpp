#include "platform/xmath/DirectXMath.h"
#include "tests/xmath/XMathExpect.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace DirectX;
using qz::test::ExpectMatrixNear;
using qz::test::ExpectVectorNear;

TEST(XMathProjection, LookAtAlongZOnlyMovesTheWorld)
{
    const XMMATRIX view = XMMatrixLookAtLH(XMVectorSet(0, 0, -5, 1), XMVectorSet(0, 0, 0, 1),
                                           XMVectorSet(0, 1, 0, 0));
    ExpectMatrixNear({{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 5, 1}}}, view);
}

TEST(XMathProjection, LookAtFromTheSideIsLeftHanded)
{
    // From +x toward the origin: forward is -x, and world +z appears on the right.
    const XMMATRIX view = XMMatrixLookAtLH(XMVectorSet(5, 0, 0, 1), XMVectorSet(0, 0, 0, 1),
                                           XMVectorSet(0, 1, 0, 0));
    ExpectMatrixNear({{{0, 0, -1, 0}, {0, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 5, 1}}}, view);
    ExpectVectorNear({0, 0, 0, 1}, XMVector4Transform(XMVectorSet(5, 0, 0, 1), view));
    ExpectVectorNear({1, 0, 5, 1}, XMVector4Transform(XMVectorSet(0, 0, 1, 1), view));
}

TEST(XMathProjection, PerspectiveFovHasTheKnownEntries)
{
    // fov 90 degrees: cot(45) = 1; aspect 2 halves x; range = far / (far - near) = 1.1.
    ExpectMatrixNear({{{0.5f, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1.1f, 1}, {0, 0, -1.1f, 0}}},
                     XMMatrixPerspectiveFovLH(XM_PIDIV2, 2.0f, 1.0f, 11.0f));
    const XMMATRIX sixty = XMMatrixPerspectiveFovLH(1.0471976f, 1.0f, 0.01f, 100.0f);
    EXPECT_NEAR(std::sqrt(3.0f), sixty.r[1][1], 1e-5f);  // cot(30 degrees)
}

TEST(XMathProjection, PerspectiveMapsNearToZeroAndFarToW)
{
    const XMMATRIX projection = XMMatrixPerspectiveFovLH(XM_PIDIV2, 2.0f, 1.0f, 11.0f);
    const XMVECTOR nearPoint = XMVector4Transform(XMVectorSet(0, 0, 1, 1), projection);
    EXPECT_NEAR(0.0f, nearPoint[2], 1e-6f);
    EXPECT_NEAR(1.0f, nearPoint[3], 1e-6f);
    const XMVECTOR farPoint = XMVector3TransformCoord(XMVectorSet(4, -2, 11, 1), projection);
    ExpectVectorNear({2.0f / 11.0f, -2.0f / 11.0f, 1, 1}, farPoint);
}

TEST(XMathProjection, ViewTimesProjectionPutsTheFocusInTheMiddle)
{
    const XMMATRIX view = XMMatrixLookAtLH(XMVectorSet(1, 2, 3, 1), XMVectorSet(4, 6, 3, 1),
                                           XMVectorSet(0, 0, 1, 0));
    const XMMATRIX viewProjection =
        XMMatrixMultiply(view, XMMatrixPerspectiveFovLH(XM_PIDIV4, 1.5f, 0.5f, 50.0f));
    const XMVECTOR focus = XMVector3TransformCoord(XMVectorSet(4, 6, 3, 1), viewProjection);
    EXPECT_NEAR(0.0f, focus[0], 1e-6f);
    EXPECT_NEAR(0.0f, focus[1], 1e-6f);
    // Distance 5: depth = (1 - near / 5) * far / (far - near).
    EXPECT_NEAR((1.0f - 0.5f / 5.0f) * 50.0f / 49.5f, focus[2], 1e-5f);
}

}  // namespace
