#include "tarnwick/utils/Camera.h"

#include "tarnwick/core/Logging.h"

#include <algorithm>
#include <cmath>

namespace qz::utils {

namespace {

constexpr float CtrlFactor = 10.0f;

bool Finite(const core::FloatVec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

void WarnViewSkipped(const char* reason)
{
    auto message = core::Logger::BeginMessage(core::LogLevelImportant);
    message.SetType(core::LogTypeWarning);
    message << "Camera: stored view not restored, " << reason << "; the current view stays";
}

}  // namespace

Camera::Camera() : settings_("camera", "")
{
    scaledMovement_ = false;
    eyeSetting_ = core::FloatVec3(0.0f, 0.0f, 0.0f);
    lookAtSetting_ = core::FloatVec3(0.0f, 0.0f, 0.0f);
    settings_.AddTypedItem("eye", &eyeSetting_);
    settings_.AddTypedItem("lookat", &lookAtSetting_);
    settings_.AddTypedItem("movescaler", &moveScaler_);
    settings_.AddTypedItem("scaledmovement", &scaledMovement_);
    settings_.AddTypedItem("rotationscaler", &rotationScaler_);
    settings_.SetRestoreCallback([this](SettingsGroup& group) { OnSettingsRestored(group); });
}

void Camera::FrameMove(float elapsedSeconds)
{
    CFirstPersonCamera::FrameMove(elapsedSeconds);
    CopyViewToSettings();
}

void Camera::UpdateMoveSpeed(float elapsedSeconds)
{
    CFirstPersonCamera::UpdateMoveSpeed(elapsedSeconds);

    moveScaler_ = std::max(0.0f, static_cast<float>(mouseWheelDelta_) / 1000.0f * moveScaler_ + moveScaler_);

    if (IsKeyDown(CameraKeyControlDown)) {
        if (!scaledMovement_) {
            moveScaler_ *= CtrlFactor;
            scaledMovement_ = true;
        }
        return;
    }
    if (scaledMovement_) {
        scaledMovement_ = false;
        moveScaler_ /= CtrlFactor;
    }
}

void Camera::OnSettingsRestored(SettingsGroup& /*group*/)
{
    if (!Finite(eyeSetting_) || !Finite(lookAtSetting_)) {
        WarnViewSkipped("eye or look-at point not finite");
        CopyViewToSettings();
        return;
    }
    if (eyeSetting_.x == lookAtSetting_.x && eyeSetting_.y == lookAtSetting_.y && eyeSetting_.z == lookAtSetting_.z) {
        WarnViewSkipped("eye and look-at point are the same");
        CopyViewToSettings();
        return;
    }
    SetViewParams(DirectX::XMVectorSet(eyeSetting_.x, eyeSetting_.y, eyeSetting_.z, 1.0f),
                  DirectX::XMVectorSet(lookAtSetting_.x, lookAtSetting_.y, lookAtSetting_.z, 1.0f));
}

void Camera::CopyViewToSettings()
{
    eyeSetting_ = core::FloatVec3(eye_.x, eye_.y, eye_.z);
    lookAtSetting_ = core::FloatVec3(lookAt_.x, lookAt_.y, lookAt_.z);
}

}  // namespace qz::utils
