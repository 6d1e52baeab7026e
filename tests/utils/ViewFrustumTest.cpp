#include "tarnwick/utils/ViewFrustum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using namespace DirectX;
using qz::utils::AABox;

std::string Text(FXMVECTOR v)
{
    char text[96];
    std::snprintf(text, sizeof(text), "%g %g %g %g", v[0], v[1], v[2], v[3]);
    return text;
}

AABox Box(float cx, float cy, float cz, float hx, float hy, float hz)
{
    return AABox(XMVectorSet(cx, cy, cz, 1), XMVectorSet(hx, hy, hz, 0));
}

TEST(ViewFrustum, PlanesViewValuesEyeAndDirection)
{
    ViewFrustum frustum;
    // Distinct columns c0 to c3: the planes are c3 - c0, c3 + c0, c3 - c1, c3 + c1, c3 - c2, c2.
    frustum.projection = XMMATRIX(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    frustum.Update(XMMatrixIdentity());
    std::string planes;
    for (const XMVECTOR& plane : frustum.planes) planes += Text(plane) + "|";
    EXPECT_EQ("3 3 3 3|5 13 21 29|2 2 2 2|6 14 22 30|1 1 1 1|3 7 11 15|", planes);
    EXPECT_EQ("0 0 0 1|0 0 1 0", Text(frustum.eyePosition) + "|" + Text(frustum.viewDirection));

    frustum.projection = XMMatrixScaling(2, 3, 4);
    const XMMATRIX view = XMMatrixLookAtLH(XMVectorSet(1, 2, 3, 1), XMVectorSet(4, 6, 3, 1), XMVectorSet(0, 0, 1, 0));
    frustum.Update(view);
    EXPECT_EQ("2 0 0 0", Text(frustum.projection.r[0]));
    EXPECT_EQ(Text(view.r[3]), Text(frustum.view.r[3]));
    EXPECT_EQ(Text(XMMatrixMultiply(view, XMMatrixScaling(2, 3, 4)).r[3]), Text(frustum.viewProjection.r[3]));
    const auto distance = [](FXMVECTOR a, FXMVECTOR b) { return XMVectorGetX(XMVector4Dot(a - b, a - b)); };
    EXPECT_NEAR(0, distance(frustum.eyePosition, XMVectorSet(1, 2, 3, 1)), 1e-9f);
    EXPECT_NEAR(0, distance(frustum.viewDirection, XMVectorSet(0.6f, 0.8f, 0, 0)), 1e-9f);

    frustum.Update(XMMATRIX(1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1));  // singular
    EXPECT_FALSE(std::isfinite(frustum.viewDirection[0]) && std::isfinite(frustum.eyePosition[0]));
}

TEST(ViewFrustum, BoxesTouchingFromOutsideAreOutsideAndNaNRejectsNothing)
{
    ViewFrustum frustum;
    frustum.projection = XMMatrixIdentity();
    frustum.Update(XMMatrixIdentity());  // x, y in [-1, 1], z in [0, 1]
    const std::pair<AABox, bool> cases[] = {
        {Box(0, 0, 0.5f, 0.5f, 0.5f, 0.5f), true},      {Box(2, 0, 0.5f, 1, 0.5f, 0.5f), false},
        {Box(-2, 0, 0.5f, 1, 0.5f, 0.5f), false},       {Box(0, 1.25f, 0.5f, 0.5f, 0.25f, 0.5f), false},
        {Box(0, -1.25f, 0.5f, 0.5f, 0.25f, 0.5f), false}, {Box(0, 0, 1.5f, 0.5f, 0.5f, 0.5f), false},
        {Box(0, 0, -0.5f, 0.5f, 0.5f, 0.5f), false},    {Box(1.5f, 0, 0.5f, 1, 0.5f, 0.5f), true},
        {Box(0, -1.5f, 0.5f, 0.5f, 0.6f, 0.5f), true},  {Box(0, 0, 1, 0.5f, 0.5f, 0.5f), true},
        {Box(0, 0, 0, 0.5f, 0.5f, 0.25f), true},        {Box(1.9f, 1.9f, 0.5f, 1, 1, 0.1f), true},  // conservative
        {Box(0, 0, -1.9f, 0.5f, 0.5f, 2), true},
    };
    for (const auto& [box, inside] : cases) EXPECT_EQ(inside, frustum.IntersectsBox(box)) << Text(box.center);

    const float nan = std::numeric_limits<float>::quiet_NaN();
    frustum.projection = XMMATRIX(nan, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    frustum.Update(XMMatrixIdentity());
    EXPECT_TRUE(frustum.IntersectsBox(Box(100, 0, 0.5f, 1, 1, 0.1f)));
    EXPECT_TRUE(frustum.IntersectsBox(Box(-100, 0, 0.5f, 1, 1, 0.1f)));
    EXPECT_FALSE(frustum.IntersectsBox(Box(100, 0, -5, 1, 1, 1))) << "the other planes still work";
}

}  // namespace
