// The camera's settings group, its speed rules and the restored view.

#include "tarnwick/utils/Camera.h"

#include "platform/win/VirtualKeys.h"
#include "platform/win/WindowMessages.h"
#include "tests/support/LogCapture.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

using qz::utils::Camera;

void Wheel(Camera& camera, int delta)
{
    camera.HandleMessages(nullptr, WM_MOUSEWHEEL, MAKEWPARAM(0, delta), 0);
}

void Key(Camera& camera, UINT key, bool down) { camera.HandleMessages(nullptr, down ? WM_KEYDOWN : WM_KEYUP, key, 0); }

void ApplyArguments(Camera& camera, std::vector<const char*> arguments)
{
    arguments.insert(arguments.begin(), "program");
    camera.Settings().ApplyCommandLine(static_cast<int>(arguments.size()), arguments.data());
}

TEST(Camera, FreshCameraAndItsGroup)
{
    Camera camera;
    EXPECT_FLOAT_EQ(5.0f, camera.MoveScaler());
    EXPECT_FLOAT_EQ(0.01f, camera.RotationScaler());
    EXPECT_FALSE(camera.ScaledMovement());
    EXPECT_EQ("[0.000000, 0.000000, 0.000000]", camera.Eye().ToString());
    EXPECT_EQ("[0.000000, 0.000000, 0.000000]", camera.LookAt().ToString());

    EXPECT_EQ("camera", camera.Settings().Name());
    EXPECT_EQ("", camera.Settings().Label());
    struct Expected {
        const char* key;
        int type;
    };
    const Expected expected[] = {{"eye", 12}, {"lookat", 12}, {"movescaler", 8}, {"scaledmovement", 10}, {"rotationscaler", 8}};
    const auto& order = camera.Settings().InsertionOrder();
    ASSERT_EQ(std::size(expected), order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        EXPECT_EQ(expected[i].key, order[i]->key);
        EXPECT_EQ(expected[i].type, static_cast<int>(order[i]->value.Type())) << order[i]->key;
        EXPECT_EQ("", order[i]->description);
    }
}

TEST(Camera, WheelStepsAreRelativeAndStopAtZero)
{
    struct Case {
        std::vector<int> notches;
        float expected;
    };
    const Case cases[] = {
        {{120}, 5.6f},
        {{-120}, 4.4f},
        {{60, 60}, 5.6f},  // summed within a frame
        {{-1000}, 0.0f},
        {{-5000}, 0.0f},
    };
    for (const Case& c : cases) {
        Camera camera;
        for (int delta : c.notches) Wheel(camera, delta);
        camera.FrameMove(0.016f);
        EXPECT_NEAR(c.expected, camera.MoveScaler(), 1e-5f) << c.notches.front();
        EXPECT_EQ(0, camera.GetMouseWheelDelta()) << "the frame move takes the wheel delta";
    }

    Camera camera;
    Wheel(camera, -1000);
    camera.FrameMove(0.016f);
    Wheel(camera, 1200);
    camera.FrameMove(0.016f);
    EXPECT_EQ(0.0f, camera.MoveScaler()) << "once at 0, every relative change keeps it there";
}

TEST(Camera, CtrlMultipliesOnceAndDividesOnce)
{
    Camera camera;
    Key(camera, VK_CONTROL, true);
    for (int frame = 0; frame < 4; ++frame) camera.FrameMove(0.016f);
    EXPECT_FLOAT_EQ(50.0f, camera.MoveScaler());
    EXPECT_TRUE(camera.ScaledMovement());

    Wheel(camera, 120);  // carries over to the slow speed
    camera.FrameMove(0.016f);
    EXPECT_NEAR(56.0f, camera.MoveScaler(), 1e-4f);

    Key(camera, VK_CONTROL, false);
    for (int frame = 0; frame < 3; ++frame) camera.FrameMove(0.016f);
    EXPECT_NEAR(5.6f, camera.MoveScaler(), 1e-5f);
    EXPECT_FALSE(camera.ScaledMovement());
}

TEST(Camera, SpeedStoredWhileCtrlHeldComesBackSlowWithoutCtrl)
{
    Camera saved;
    Key(saved, VK_CONTROL, true);
    saved.FrameMove(0.016f);
    TiXmlElement parent("app-settings");
    saved.Settings().SaveToXML(&parent);

    Camera loaded;
    loaded.Settings().LoadFromXML(&parent);
    EXPECT_FLOAT_EQ(50.0f, loaded.MoveScaler());
    EXPECT_TRUE(loaded.ScaledMovement());
    loaded.FrameMove(0.016f);
    EXPECT_FLOAT_EQ(5.0f, loaded.MoveScaler());
    EXPECT_FALSE(loaded.ScaledMovement());
}

TEST(Camera, RestoredViewIsPlacedAndFollowedByTheFrameMove)
{
    Camera camera;
    ApplyArguments(camera, {"--camera:eye=[0,0,-5]", "--camera:lookat=[0,0,0]"});
    DirectX::XMFLOAT3 eye;
    DirectX::XMStoreFloat3(&eye, camera.GetEyePt());
    EXPECT_FLOAT_EQ(-5.0f, eye.z);
    // Looking toward the origin along +z: the view maps the origin to (0, 0, 5).
    const DirectX::XMVECTOR origin = DirectX::XMVector3TransformCoord(DirectX::XMVectorZero(), camera.GetViewMatrix());
    EXPECT_NEAR(0.0f, origin[0], 1e-6f);
    EXPECT_NEAR(0.0f, origin[1], 1e-6f);
    EXPECT_NEAR(5.0f, origin[2], 1e-5f);

    camera.FrameMove(0.016f);
    EXPECT_EQ("[0.000000, 0.000000, -5.000000]", camera.Eye().ToString());
    EXPECT_EQ("[0.000000, 0.000000, -4.000000]", camera.LookAt().ToString()) << "one unit ahead of the eye";

    // Held forward, the eye moves at the speed the frame began with; the wheel's change
    // comes after.
    Key(camera, 'W', true);
    Wheel(camera, 120);
    camera.FrameMove(0.5f);
    EXPECT_EQ("[0.000000, 0.000000, -2.500000]", camera.Eye().ToString());
    EXPECT_NEAR(5.6f, camera.MoveScaler(), 1e-5f);
}

TEST(Camera, UnusableStoredViewIsSkippedWithAWarning)
{
    using qz::core::FloatVec3;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        FloatVec3 eye;
        FloatVec3 lookAt;
        const char* reason;
    };
    const Case cases[] = {
        {FloatVec3(1, 2, 3), FloatVec3(1, 2, 3), "eye and look-at point are the same"},
        {FloatVec3(nan, 0, 0), FloatVec3(0, 0, 0), "not finite"},
        {FloatVec3(0, 0, -5), FloatVec3(0, inf, 0), "not finite"},
    };
    for (const Case& c : cases) {
        Camera camera;
        ApplyArguments(camera, {"--camera:eye=[0,0,-5]", "--camera:lookat=[0,0,0]"});
        camera.FrameMove(0.016f);
        const DirectX::XMMATRIX before = camera.GetViewMatrix();
        qz::test::LogCapture log;
        camera.Settings()["eye"].As<FloatVec3>() = c.eye;
        camera.Settings()["lookat"].As<FloatVec3>() = c.lookAt;
        camera.OnSettingsRestored(camera.Settings());
        EXPECT_NE(std::string::npos, log.Text().find(c.reason)) << log.Text();
        EXPECT_NE(std::string::npos, log.Text().find("WARNING")) << log.Text();
        const DirectX::XMMATRIX after = camera.GetViewMatrix();
        for (int row = 0; row < 4; ++row)
            for (int column = 0; column < 4; ++column) EXPECT_EQ(before.r[row][column], after.r[row][column]);
        EXPECT_EQ("[0.000000, 0.000000, -5.000000]", camera.Eye().ToString()) << "the group shows the kept view";
    }
}

}  // namespace
