#pragma once
// The interactive viewpoint: a first-person camera whose view and speeds live in the
// settings group "camera". The wheel changes the speed by 12 % per notch, Ctrl held
// makes it ten times faster.

#include "platform/dxut/camera/FirstPersonCamera.h"
#include "tarnwick/core/SerializableVectors.h"
#include "tarnwick/utils/Settings.h"

namespace qz::utils {

class Camera : public CFirstPersonCamera {
public:
    Camera();
    Camera(const Camera&) = delete;
    Camera& operator=(const Camera&) = delete;

    // The base's frame move, then the view copied into the settings fields.
    void FrameMove(float elapsedSeconds) override;
    // The base's velocity update, then the wheel and Ctrl speed rules.
    void UpdateMoveSpeed(float elapsedSeconds) override;
    // Places the view stored in the group; a view that cannot be looked along (eye on
    // the look-at point, values that are not finite) is skipped with a warning.
    void OnSettingsRestored(SettingsGroup& group);

    SettingsGroup& Settings() { return settings_; }
    bool ScaledMovement() const { return scaledMovement_; }
    float MoveScaler() const { return moveScaler_; }
    float RotationScaler() const { return rotationScaler_; }
    const core::FloatVec3& Eye() const { return eyeSetting_; }
    const core::FloatVec3& LookAt() const { return lookAtSetting_; }

private:
    void CopyViewToSettings();

    bool scaledMovement_ = false;
    SettingsGroup settings_;
    core::FloatVec3 eyeSetting_;
    core::FloatVec3 lookAtSetting_;
};

}  // namespace qz::utils
