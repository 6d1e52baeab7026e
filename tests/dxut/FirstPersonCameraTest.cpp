// The first-person camera driven by window messages: keys, mouse rotation with
// smoothing, velocity with drag, the view and projection matrices.

#include "platform/dxut/camera/FirstPersonCamera.h"

#include "platform/win/VirtualKeys.h"
#include "platform/win/WindowMessages.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace DirectX;

XMFLOAT3 Float3(XMVECTOR v)
{
    XMFLOAT3 f;
    XMStoreFloat3(&f, v);
    return f;
}

void Send(CBaseCamera& camera, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    camera.HandleMessages(nullptr, message, wParam, lParam);
}

TEST(FirstPersonCamera, KeysMoveAlongTheViewAxes)
{
    struct Case {
        UINT key;
        XMFLOAT3 step;
    };
    const Case cases[] = {
        {'W', {0, 0, 1}}, {VK_UP, {0, 0, 1}},     {'S', {0, 0, -1}},   {VK_DOWN, {0, 0, -1}},
        {'D', {1, 0, 0}}, {VK_RIGHT, {1, 0, 0}},  {'A', {-1, 0, 0}},   {VK_LEFT, {-1, 0, 0}},
        {'E', {0, 1, 0}}, {VK_PRIOR, {0, 1, 0}},  {'Q', {0, -1, 0}},   {VK_NEXT, {0, -1, 0}},
    };
    for (const Case& c : cases) {
        CFirstPersonCamera camera;  // at the origin, looking along +z
        Send(camera, WM_KEYDOWN, c.key);
        camera.FrameMove(0.5f);     // move scaler 5: 2.5 units
        const XMFLOAT3 eye = Float3(camera.GetEyePt());
        EXPECT_NEAR(2.5f * c.step.x, eye.x, 1e-5f) << c.key;
        EXPECT_NEAR(2.5f * c.step.y, eye.y, 1e-5f) << c.key;
        EXPECT_NEAR(2.5f * c.step.z, eye.z, 1e-5f) << c.key;
        Send(camera, WM_KEYUP, c.key);
        camera.FrameMove(0.5f);
        EXPECT_NEAR(eye.z, Float3(camera.GetEyePt()).z, 1e-6f) << "released keys stop at once without drag";
    }
}

TEST(FirstPersonCamera, KeysWithoutPositionMovementAndUnmappedKeysDoNothing)
{
    CFirstPersonCamera camera;
    camera.SetEnablePositionMovement(false);
    Send(camera, WM_KEYDOWN, 'W');
    camera.FrameMove(1.0f);
    EXPECT_EQ(0.0f, Float3(camera.GetEyePt()).z);

    CFirstPersonCamera other;
    Send(other, WM_KEYDOWN, 'X');
    other.FrameMove(1.0f);
    EXPECT_EQ(0.0f, Float3(other.GetEyePt()).z);
    EXPECT_EQ(CameraKeyUnknown, other.MapKey('X'));
    EXPECT_EQ(CameraKeyControlDown, other.MapKey(VK_CONTROL));
}

TEST(FirstPersonCamera, DragWithTheRotateButtonTurnsTheViewSmoothly)
{
    CFirstPersonCamera camera;
    camera.SetRotateButtons(true, false, false, false);
    camera.SetNumberOfFramesToSmoothMouseData(5);
    camera.SetScalers(0.005f, 1.0f);

    // A drag with the right button does not turn.
    Send(camera, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(100, 100));
    Send(camera, WM_MOUSEMOVE, MK_RBUTTON, MAKELPARAM(200, 100));
    camera.FrameMove(0.016f);
    Send(camera, WM_RBUTTONUP, 0, MAKELPARAM(200, 100));
    EXPECT_NEAR(1.0f, Float3(camera.GetLookAtPt()).z, 1e-6f);

    // 100 pixels right with the left button: a fifth of it in the first frame.
    Send(camera, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
    Send(camera, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, 100));
    camera.FrameMove(0.016f);
    const float yaw = 100.0f / 5.0f * 0.005f;
    XMFLOAT3 ahead = Float3(XMVectorSubtract(camera.GetLookAtPt(), camera.GetEyePt()));
    EXPECT_NEAR(std::sin(yaw), ahead.x, 1e-5f);
    EXPECT_NEAR(std::cos(yaw), ahead.z, 1e-5f);

    // The smoothed delta goes on turning, less each frame, while the button is held.
    camera.FrameMove(0.016f);
    ahead = Float3(XMVectorSubtract(camera.GetLookAtPt(), camera.GetEyePt()));
    const float second = yaw + 100.0f * 0.8f / 5.0f * 0.005f;
    EXPECT_NEAR(std::sin(second), ahead.x, 1e-5f);
    Send(camera, WM_LBUTTONUP, 0, MAKELPARAM(200, 100));
    camera.FrameMove(0.016f);
    const XMFLOAT3 stopped = Float3(XMVectorSubtract(camera.GetLookAtPt(), camera.GetEyePt()));
    EXPECT_NEAR(ahead.x, stopped.x, 1e-6f) << "no turning without the button";
}

TEST(FirstPersonCamera, PitchStopsShortOfStraightUp)
{
    CFirstPersonCamera camera;
    camera.SetNumberOfFramesToSmoothMouseData(1);
    Send(camera, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, 1000));
    Send(camera, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(0, 0));  // 1000 pixels up: 10 radians
    camera.FrameMove(0.016f);
    const XMFLOAT3 ahead = Float3(XMVectorSubtract(camera.GetLookAtPt(), camera.GetEyePt()));
    EXPECT_GT(ahead.y, 0.999f);
    EXPECT_TRUE(std::isfinite(camera.GetViewMatrix().r[0][0]));
}

TEST(FirstPersonCamera, VelocityFallsToZeroOverTheDragTime)
{
    CFirstPersonCamera camera;
    camera.SetDrag(true, 0.5f);
    Send(camera, WM_KEYDOWN, 'W');
    camera.FrameMove(0.1f);
    EXPECT_FLOAT_EQ(5.0f, camera.GetVelocity().z);
    Send(camera, WM_KEYUP, 'W');
    camera.FrameMove(0.25f);
    EXPECT_NEAR(2.5f, camera.GetVelocity().z, 1e-5f);
    camera.FrameMove(0.25f);
    EXPECT_EQ(0.0f, camera.GetVelocity().z);
    camera.FrameMove(0.25f);
    EXPECT_EQ(0.0f, camera.GetVelocity().z);
}

TEST(FirstPersonCamera, HomeResetsToTheLastViewParameters)
{
    CFirstPersonCamera camera;
    camera.SetViewParams(XMVectorSet(0, 0, -5, 1), XMVectorSet(0, 0, 0, 1));
    Send(camera, WM_KEYDOWN, 'D');
    camera.FrameMove(1.0f);
    Send(camera, WM_KEYUP, 'D');
    EXPECT_NEAR(5.0f, Float3(camera.GetEyePt()).x, 1e-5f);
    Send(camera, WM_KEYDOWN, VK_HOME);
    camera.FrameMove(0.016f);
    EXPECT_NEAR(0.0f, Float3(camera.GetEyePt()).x, 1e-6f);
    EXPECT_NEAR(-5.0f, Float3(camera.GetEyePt()).z, 1e-6f);
}

TEST(FirstPersonCamera, ProjectionAndViewMatrices)
{
    CFirstPersonCamera camera;
    camera.SetProjParams(1.0471976f, 1280.0f / 720.0f, 0.01f, 100.0f);
    const XMMATRIX expected = XMMatrixPerspectiveFovLH(1.0471976f, 1280.0f / 720.0f, 0.01f, 100.0f);
    const XMMATRIX projection = camera.GetProjMatrix();
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) EXPECT_EQ(expected.r[row][column], projection.r[row][column]);
    EXPECT_FLOAT_EQ(0.01f, camera.GetNearClip());

    camera.SetViewParams(XMVectorSet(1, 2, 3, 1), XMVectorSet(1, 2, 4, 1));
    const XMVECTOR inView = XMVector3TransformCoord(XMVectorSet(1, 2, 4, 1), camera.GetViewMatrix());
    EXPECT_NEAR(0.0f, inView[0], 1e-6f);
    EXPECT_NEAR(1.0f, inView[2], 1e-6f);
}

TEST(FirstPersonCamera, WheelDeltaIsSummedUntilTheFrameMove)
{
    CFirstPersonCamera camera;
    Send(camera, WM_MOUSEWHEEL, MAKEWPARAM(0, 120));
    Send(camera, WM_MOUSEWHEEL, MAKEWPARAM(0, -240));
    EXPECT_EQ(-120, camera.GetMouseWheelDelta());
    camera.FrameMove(0.016f);
    EXPECT_EQ(0, camera.GetMouseWheelDelta());
}

TEST(FirstPersonCamera, ButtonsOutsideTheDragRectangleDoNotTurn)
{
    CFirstPersonCamera camera;
    camera.SetNumberOfFramesToSmoothMouseData(1);
    camera.SetDragRect(RECT{0, 0, 100, 100});
    Send(camera, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 50));
    Send(camera, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(250, 50));
    camera.FrameMove(0.016f);
    EXPECT_NEAR(1.0f, Float3(camera.GetLookAtPt()).z, 1e-6f);
}

}  // namespace
