#include "platform/dxut/camera/FirstPersonCamera.h"

#include <algorithm>

using namespace DirectX;

void CFirstPersonCamera::FrameMove(float elapsedSeconds)
{
    if (IsKeyDown(CameraKeyReset)) {
        Reset();
    }

    UpdateMouseDelta();
    UpdateMoveSpeed(elapsedSeconds);
    mouseWheelDelta_ = 0;

    if (IsBeingDragged()) {
        const float pitchDelta = invertPitch_ ? -rotationVelocity_.y : rotationVelocity_.y;
        yaw_ += rotationVelocity_.x;
        // Just short of straight up or down, where the view would lose its up direction.
        const float limit = XM_PI / 2.0f - 0.001f;
        pitch_ = std::clamp(pitch_ + pitchDelta, -limit, limit);
    }

    const XMMATRIX rotation = XMMatrixRotationRollPitchYaw(pitch_, yaw_, 0.0f);
    const XMVECTOR worldUp = XMVector3TransformCoord(XMVectorSet(0.0f, 1.0f, 0.0f, 0.0f), rotation);
    const XMVECTOR worldAhead = XMVector3TransformCoord(XMVectorSet(0.0f, 0.0f, 1.0f, 0.0f), rotation);

    // Without y-axis movement the eye moves in the horizontal plane of its heading.
    const XMMATRIX moveRotation = enableYAxisMovement_ ? rotation : XMMatrixRotationRollPitchYaw(0.0f, yaw_, 0.0f);
    const XMVECTOR step = XMVectorScale(XMLoadFloat3(&velocity_), elapsedSeconds);
    XMFLOAT3 moved;
    XMStoreFloat3(&moved, XMVectorAdd(XMLoadFloat3(&eye_), XMVector3TransformCoord(step, moveRotation)));
    if (clipToBoundary_) {
        moved.x = std::clamp(moved.x, minBoundary_.x, maxBoundary_.x);
        moved.y = std::clamp(moved.y, minBoundary_.y, maxBoundary_.y);
        moved.z = std::clamp(moved.z, minBoundary_.z, maxBoundary_.z);
    }
    const XMVECTOR eye = XMLoadFloat3(&moved);
    const XMVECTOR lookAt = XMVectorAdd(eye, worldAhead);
    XMStoreFloat3(&eye_, eye);
    XMStoreFloat3(&lookAt_, lookAt);

    const XMMATRIX view = XMMatrixLookAtLH(eye, lookAt, worldUp);
    XMStoreFloat4x4(&view_, view);
    XMStoreFloat4x4(&cameraWorld_, XMMatrixInverse(nullptr, view));
}
