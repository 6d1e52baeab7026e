#pragma once
// A camera fed with window messages. Mapped keys are kept in a key-state array (bit 0x80:
// held now, bit 0x01: was pressed since the last reset of the camera); a held rotate
// button turns the view by the mouse moves of each frame, smoothed over a few frames;
// wheel deltas are summed until the next frame move. Derived cameras integrate motion in
// FrameMove, which calls the velocity update UpdateMoveSpeed with the elapsed seconds.
//
// Virtual slots, in this order: HandleMessages, FrameMove, Reset, SetViewParams,
// SetProjParams, SetClipToBoundary, SetDragRect, MapKey, UpdateMoveSpeed.

#include "platform/win/Types.h"
#include "platform/xmath/DirectXMath.h"

#include <cstdint>

enum CameraKey : std::uint32_t {
    CameraKeyStrafeLeft,
    CameraKeyStrafeRight,
    CameraKeyMoveForward,
    CameraKeyMoveBackward,
    CameraKeyMoveUp,
    CameraKeyMoveDown,
    CameraKeyReset,
    CameraKeyControlDown,
    CameraKeyCount,
    CameraKeyUnknown = 0xFF,
};

constexpr BYTE CameraKeyIsDownMask = 0x80;
constexpr BYTE CameraKeyWasDownMask = 0x01;

// The mouse buttons a camera tracks, as a mask.
constexpr int CameraMouseLeft = 0x01;
constexpr int CameraMouseMiddle = 0x02;
constexpr int CameraMouseRight = 0x04;

class CBaseCamera {
public:
    CBaseCamera();
    virtual ~CBaseCamera() = default;

    // Always 0: the messages go on to whoever else handles them.
    virtual LRESULT HandleMessages(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    virtual void FrameMove(float elapsedSeconds) = 0;
    // Back to the view of the last SetViewParams.
    virtual void Reset();
    // w of both vectors is ignored. The view becomes the default that Reset returns to.
    virtual void SetViewParams(DirectX::FXMVECTOR eye, DirectX::FXMVECTOR lookAt);
    virtual void SetProjParams(float fieldOfViewY, float aspectRatio, float nearPlane, float farPlane);
    // Keeps the eye inside the box when clip is true; null corners keep the current ones.
    virtual void SetClipToBoundary(bool clip, const DirectX::XMFLOAT3* minimum, const DirectX::XMFLOAT3* maximum);
    // Button presses outside the rectangle (client coordinates) do not start a rotation.
    virtual void SetDragRect(const RECT& rect) { dragRect_ = rect; }
    virtual CameraKey MapKey(UINT virtualKey);
    // The velocity update: velocity = keyboard direction x move scaler while a movement
    // key is held; afterwards, with drag on, it falls linearly to 0 over the drag time.
    virtual void UpdateMoveSpeed(float elapsedSeconds);

    void SetRotateButtons(bool left, bool middle, bool right, bool rotateWithoutButtonDown);
    void SetNumberOfFramesToSmoothMouseData(int frames)
    {
        if (frames > 0) {
            framesToSmoothMouseData_ = static_cast<float>(frames);
        }
    }
    void SetEnablePositionMovement(bool enable) { enablePositionMovement_ = enable; }
    void SetEnableYAxisMovement(bool enable) { enableYAxisMovement_ = enable; }
    void SetInvertPitch(bool invert) { invertPitch_ = invert; }
    void SetDrag(bool movementDrag, float totalDragTimeToZero = 0.25f)
    {
        movementDrag_ = movementDrag;
        totalDragTimeToZero_ = totalDragTimeToZero;
    }
    void SetScalers(float rotationScaler, float moveScaler)
    {
        rotationScaler_ = rotationScaler;
        moveScaler_ = moveScaler;
    }

    DirectX::XMMATRIX GetViewMatrix() const { return DirectX::XMLoadFloat4x4(&view_); }
    DirectX::XMMATRIX GetProjMatrix() const { return DirectX::XMLoadFloat4x4(&projection_); }
    DirectX::XMVECTOR GetEyePt() const { return DirectX::XMLoadFloat3(&eye_); }
    DirectX::XMVECTOR GetLookAtPt() const { return DirectX::XMLoadFloat3(&lookAt_); }
    float GetNearClip() const { return nearPlane_; }
    float GetFarClip() const { return farPlane_; }
    DirectX::XMFLOAT3 GetVelocity() const { return velocity_; }
    int GetMouseWheelDelta() const { return mouseWheelDelta_; }

    bool IsKeyDown(CameraKey key) const { return key < CameraKeyCount && (keys_[key] & CameraKeyIsDownMask) != 0; }
    bool IsBeingDragged() const { return (mouseButtons_ & rotateButtonMask_) != 0 || rotateWithoutButtonDown_; }

protected:
    // The direction of the held movement keys in camera space (unit axes, not normalised).
    DirectX::XMFLOAT3 KeyboardDirection() const;
    // Takes the mouse movement since the last frame into the smoothed mouse delta.
    void UpdateMouseDelta();
    bool IsInDragRect(int x, int y) const;

    DirectX::XMFLOAT4X4 view_;
    DirectX::XMFLOAT4X4 projection_;

    BYTE keys_[CameraKeyCount] = {};
    int keysDown_ = 0;
    int mouseButtons_ = 0;
    int rotateButtonMask_ = CameraMouseLeft | CameraMouseMiddle | CameraMouseRight;
    bool rotateWithoutButtonDown_ = false;

    int lastMouseX_ = 0;
    int lastMouseY_ = 0;
    bool mousePositionKnown_ = false;
    DirectX::XMFLOAT2 pendingMouseMove_ {0.0f, 0.0f};
    DirectX::XMFLOAT2 mouseDelta_ {0.0f, 0.0f};
    float framesToSmoothMouseData_ = 2.0f;
    // Summed from the wheel messages; derived cameras zero it once per frame move.
    int mouseWheelDelta_ = 0;

    DirectX::XMFLOAT3 defaultEye_ {0.0f, 0.0f, 0.0f};
    DirectX::XMFLOAT3 defaultLookAt_ {0.0f, 0.0f, 1.0f};
    DirectX::XMFLOAT3 eye_ {0.0f, 0.0f, 0.0f};
    DirectX::XMFLOAT3 lookAt_ {0.0f, 0.0f, 1.0f};
    float yaw_ = 0.0f;
    float pitch_ = 0.0f;

    RECT dragRect_;
    DirectX::XMFLOAT3 velocity_ {0.0f, 0.0f, 0.0f};
    DirectX::XMFLOAT3 velocityDrag_ {0.0f, 0.0f, 0.0f};
    bool movementDrag_ = false;
    float dragTimer_ = 0.0f;
    float totalDragTimeToZero_ = 0.25f;
    DirectX::XMFLOAT2 rotationVelocity_ {0.0f, 0.0f};

    float fieldOfView_ = 0.0f;
    float aspect_ = 0.0f;
    float nearPlane_ = 0.0f;
    float farPlane_ = 1.0f;

    float rotationScaler_ = 0.01f;
    float moveScaler_ = 5.0f;

    bool invertPitch_ = false;
    bool enablePositionMovement_ = true;
    bool enableYAxisMovement_ = true;
    bool clipToBoundary_ = false;
    DirectX::XMFLOAT3 minBoundary_ {-1.0f, -1.0f, -1.0f};
    DirectX::XMFLOAT3 maxBoundary_ {1.0f, 1.0f, 1.0f};
};
