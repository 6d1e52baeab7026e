#pragma once
// A first-person camera: the keys fly the eye along the view's axes, a held rotate
// button turns the view (yaw about the world's up axis, pitch limited to just short of
// straight up and down). W/S or Up/Down move forward and back, A/D or Left/Right strafe,
// E/Q or PageUp/PageDown move up and down, Home resets the view.

#include "platform/dxut/camera/BaseCamera.h"

class CFirstPersonCamera : public CBaseCamera {
public:
    // Integrates one frame: reset key, mouse rotation, the velocity update, movement, view.
    void FrameMove(float elapsedSeconds) override;

    DirectX::XMMATRIX GetWorldMatrix() const { return DirectX::XMLoadFloat4x4(&cameraWorld_); }
    DirectX::XMVECTOR GetWorldRight() const { return DirectX::XMVectorSet(cameraWorld_.m[0][0], cameraWorld_.m[0][1], cameraWorld_.m[0][2], 0.0f); }
    DirectX::XMVECTOR GetWorldUp() const { return DirectX::XMVectorSet(cameraWorld_.m[1][0], cameraWorld_.m[1][1], cameraWorld_.m[1][2], 0.0f); }
    DirectX::XMVECTOR GetWorldAhead() const { return DirectX::XMVectorSet(cameraWorld_.m[2][0], cameraWorld_.m[2][1], cameraWorld_.m[2][2], 0.0f); }

private:
    DirectX::XMFLOAT4X4 cameraWorld_ {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};
