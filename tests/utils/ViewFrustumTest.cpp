#include "tarnwick/utils/ViewFrustum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

namespace {

using namespace DirectX;
using qz::utils::AABox;

void ExpectVector(float x, float y, float z, float w, FXMVECTOR v, float tolerance = 1e-5f)
{
    EXPECT_NEAR(x, v[0], tolerance);
    EXPECT_NEAR(y, v[1], tolerance);
    EXPECT_NEAR(z, v[2], tolerance);
    EXPECT_NEAR(w, v[3], tolerance);
}

AABox Box(float cx, float cy, float cz, float hx, float hy, float hz)
{
    return AABox(XMVectorSet(cx, cy, cz, 1), XMVectorSet(hx, hy, hz, 0));
}

// The planes that alone reject the box, in plane order.
std::vector<int> RejectingPlanes(const ViewFrustum& frustum, const AABox& box)
{
    std::vector<int> planes;
    for (int i = 0; i < ViewFrustum::PlaneCount; ++i) {
        ViewFrustum single = frustum;
        for (int j = 0; j < ViewFrustum::PlaneCount; ++j) {
            if (j != i) single.planes[j] = XMVectorSet(0, 0, 0, 1);  // everything inside
        }
        if (!single.IntersectsBox(box)) planes.push_back(i);
    }
    return planes;
}

// The camera of the application: fov pi/4, square window, near 0.02, far 50; looking from
// (0, 0, -5) at the origin.
ViewFrustum CameraFrustum()
{
    ViewFrustum frustum;
    frustum.projection = XMMatrixPerspectiveFovLH(XM_PIDIV4, 1.0f, 0.02f, 50.0f);
    frustum.Update(XMMatrixLookAtLH(XMVectorSet(0, 0, -5, 1), XMVectorSet(0, 0, 0, 1), XMVectorSet(0, 1, 0, 0)));
    return frustum;
}

TEST(AABox, DefaultIsTheCubeFromMinusOneToOne)
{
    const AABox box;
    ExpectVector(0, 0, 0, 1, box.center);
    ExpectVector(1, 1, 1, 0, box.halfSize);
    static_assert(alignof(AABox) == 16 && alignof(ViewFrustum) == 16);
    std::vector<AABox> boxes(3);
    for (const AABox& b : boxes) EXPECT_EQ(0u, reinterpret_cast<std::uintptr_t>(&b.center) % 16);
}

TEST(ViewFrustum, PlanesComeFromTheColumnsInTheirOrder)
{
    ViewFrustum frustum;
    frustum.projection = XMMatrixIdentity();
    frustum.Update(XMMatrixIdentity());
    ExpectVector(-1, 0, 0, 1, frustum.planes[ViewFrustum::PlaneRight]);   // x <= w
    ExpectVector(1, 0, 0, 1, frustum.planes[ViewFrustum::PlaneLeft]);     // -w <= x
    ExpectVector(0, -1, 0, 1, frustum.planes[ViewFrustum::PlaneTop]);     // y <= w
    ExpectVector(0, 1, 0, 1, frustum.planes[ViewFrustum::PlaneBottom]);   // -w <= y
    ExpectVector(0, 0, -1, 1, frustum.planes[ViewFrustum::PlaneFar]);     // z <= w
    ExpectVector(0, 0, 1, 0, frustum.planes[ViewFrustum::PlaneNear]);     // 0 <= z

    // A projection with distinct columns: the planes read columns, not rows.
    frustum.projection = XMMATRIX(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    frustum.Update(XMMatrixIdentity());
    ExpectVector(3, 3, 3, 3, frustum.planes[ViewFrustum::PlaneRight]);    // c3 - c0
    ExpectVector(5, 13, 21, 29, frustum.planes[ViewFrustum::PlaneLeft]);  // c3 + c0
    ExpectVector(3, 7, 11, 15, frustum.planes[ViewFrustum::PlaneNear]);   // c2
}

TEST(ViewFrustum, UpdateKeepsProjectionAndViewportValues)
{
    ViewFrustum frustum;
    frustum.pixelScale = 869.1f;
    frustum.nearDistance = 0.02f;
    frustum.aspect = 1.5f;
    frustum.viewportHeight = 720;
    frustum.projection = XMMatrixPerspectiveFovLH(XM_PIDIV4, 1.5f, 0.02f, 50.0f);
    const XMMATRIX projection = frustum.projection;
    const XMMATRIX view = XMMatrixTranslation(1, 2, 3);
    frustum.Update(view);
    EXPECT_EQ(869.1f, frustum.pixelScale);
    EXPECT_EQ(0.02f, frustum.nearDistance);
    EXPECT_EQ(1.5f, frustum.aspect);
    EXPECT_EQ(720u, frustum.viewportHeight);
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            EXPECT_EQ(projection.r[row][column], frustum.projection.r[row][column]);
            EXPECT_EQ(view.r[row][column], frustum.view.r[row][column]);
        }
    }
    // The moved origin (1, 2, 3) through the projection.
    ExpectVector(projection.r[0][0], 2 * projection.r[1][1], 3 * projection.r[2][2] + projection.r[3][2], 3,
                 frustum.viewProjection.r[3]);
}

TEST(ViewFrustum, EyeAndViewDirectionComeFromTheInverseView)
{
    ViewFrustum frustum;
    frustum.Update(XMMatrixIdentity());
    ExpectVector(0, 0, 0, 1, frustum.eyePosition);
    ExpectVector(0, 0, 1, 0, frustum.viewDirection);

    frustum.Update(XMMatrixLookAtLH(XMVectorSet(1, 2, 3, 1), XMVectorSet(4, 6, 3, 1), XMVectorSet(0, 0, 1, 0)));
    ExpectVector(1, 2, 3, 1, frustum.eyePosition);
    ExpectVector(0.6f, 0.8f, 0, 0, frustum.viewDirection);
}

TEST(ViewFrustum, BoxesInViewPassAndBoxesBehindOrBeyondFail)
{
    const ViewFrustum frustum = CameraFrustum();
    EXPECT_TRUE(frustum.IntersectsBox(AABox()));
    EXPECT_TRUE(frustum.IntersectsBox(Box(0, 0, 40, 1, 1, 1)));

    // Behind the camera, wide enough to straddle every side plane: only the near plane.
    const AABox behind = Box(0, 0, -10, 100, 100, 1);
    EXPECT_FALSE(frustum.IntersectsBox(behind));
    EXPECT_EQ((std::vector<int> {ViewFrustum::PlaneNear}), RejectingPlanes(frustum, behind));
    // Beyond the far distance (view depth 64 to 66): only the far plane.
    const AABox beyond = Box(0, 0, 60, 100, 100, 1);
    EXPECT_FALSE(frustum.IntersectsBox(beyond));
    EXPECT_EQ((std::vector<int> {ViewFrustum::PlaneFar}), RejectingPlanes(frustum, beyond));
    // Far off to the side.
    EXPECT_EQ((std::vector<int> {ViewFrustum::PlaneRight}), RejectingPlanes(frustum, Box(100, 0, 0, 1, 1, 1)));
    EXPECT_EQ((std::vector<int> {ViewFrustum::PlaneBottom}), RejectingPlanes(frustum, Box(0, -100, 0, 1, 1, 1)));
}

TEST(ViewFrustum, TouchingFromOutsideIsOutsideAndStraddlingIsInside)
{
    ViewFrustum frustum;
    frustum.projection = XMMatrixIdentity();
    frustum.Update(XMMatrixIdentity());  // the box x, y in [-1, 1], z in [0, 1]
    EXPECT_FALSE(frustum.IntersectsBox(Box(2, 0, 0.5f, 1, 0.5f, 0.5f))) << "touches x = 1";
    EXPECT_FALSE(frustum.IntersectsBox(Box(0, 0, -0.5f, 0.5f, 0.5f, 0.5f))) << "touches z = 0";
    EXPECT_FALSE(frustum.IntersectsBox(Box(0, -1.25f, 0.5f, 0.5f, 0.25f, 0.5f))) << "touches y = -1";
    EXPECT_TRUE(frustum.IntersectsBox(Box(1.5f, 0, 0.5f, 1, 0.5f, 0.5f))) << "straddles x = 1";
    EXPECT_TRUE(frustum.IntersectsBox(Box(0, 0, 1, 0.5f, 0.5f, 0.5f))) << "straddles z = 1";
    EXPECT_TRUE(frustum.IntersectsBox(Box(0, 0, 0, 0.5f, 0.5f, 0.25f))) << "straddles z = 0";
    // Outside near an edge yet passed: the test is conservative.
    EXPECT_TRUE(frustum.IntersectsBox(Box(1.9f, 1.9f, 0.5f, 1, 1, 0.1f)));
}

TEST(ViewFrustum, PlanesWithNaNRejectNothing)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    ViewFrustum frustum;
    frustum.projection = XMMATRIX(nan, nan, nan, nan, nan, nan, nan, nan, nan, nan, nan, nan, nan, nan, nan, nan);
    frustum.Update(XMMatrixIdentity());
    EXPECT_TRUE(frustum.IntersectsBox(Box(0, 0, -1000, 1, 1, 1)));
    EXPECT_TRUE(frustum.IntersectsBox(Box(1e6f, 1e6f, 1e6f, 0, 0, 0)));

    // NaN in the first column only: the right and left planes reject nothing, the others
    // still work.
    frustum.projection = XMMATRIX(nan, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    frustum.Update(XMMatrixIdentity());
    EXPECT_TRUE(frustum.IntersectsBox(Box(100, 0, 0.5f, 1, 1, 0.1f)));
    EXPECT_TRUE(frustum.IntersectsBox(Box(-100, 0, 0.5f, 1, 1, 0.1f)));
    EXPECT_EQ((std::vector<int> {ViewFrustum::PlaneNear}), RejectingPlanes(frustum, Box(100, 0, -5, 1, 1, 1)));

    // A singular view: its inverse is not finite, and neither is anything derived from it.
    frustum = ViewFrustum();
    frustum.projection = XMMatrixPerspectiveFovLH(XM_PIDIV4, 1.0f, 0.02f, 50.0f);
    frustum.Update(XMMATRIX(1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1));
    EXPECT_FALSE(std::isfinite(frustum.viewDirection[0]) && std::isfinite(frustum.eyePosition[0]));
}

// Single points (half size 0) agree with the camera's pyramid, measured in view space:
// |x| and |y| below depth * tan(fov / 2), depth between near and far.
TEST(ViewFrustum, PointsAgreeWithTheCamerasPyramid)
{
    const ViewFrustum frustum = CameraFrustum();
    const float slope = std::tan(XM_PIDIV4 / 2);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> side(-25.0f, 25.0f);
    std::uniform_real_distribution<float> depth(-10.0f, 50.0f);
    int inside = 0;
    int outside = 0;
    for (int i = 0; i < 20000; ++i) {
        const float x = side(random), y = side(random), z = depth(random);
        const float viewDepth = z + 5.0f;  // the camera sits at z = -5 looking along +z
        const float reach = viewDepth * slope;
        const float margin = 1e-3f * (1.0f + std::fabs(reach));
        const bool clearlyIn = std::fabs(x) < reach - margin && std::fabs(y) < reach - margin &&
                               viewDepth > 0.02f + margin && viewDepth < 50.0f - margin;
        const bool clearlyOut = std::fabs(x) > reach + margin || std::fabs(y) > reach + margin ||
                                viewDepth < 0.02f - margin || viewDepth > 50.0f + margin;
        const bool passes = frustum.IntersectsBox(AABox(XMVectorSet(x, y, z, 1), XMVectorZero()));
        if (clearlyIn) {
            ++inside;
            EXPECT_TRUE(passes) << x << " " << y << " " << z;
        }
        if (clearlyOut) {
            ++outside;
            EXPECT_FALSE(passes) << x << " " << y << " " << z;
        }
    }
    EXPECT_GT(inside, 1000);
    EXPECT_GT(outside, 1000);
}

}  // namespace
