#include "platform/dxut/camera/BaseCamera.h"

#include "platform/win/VirtualKeys.h"
#include "platform/win/WindowMessages.h"

#include <limits>
#include <cmath>

using namespace DirectX;

CBaseCamera::CBaseCamera() : dragRect_{std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::min(), std::numeric_limits<LONG>::max(), std::numeric_limits<LONG>::max()}
{
    SetViewParams(XMVectorZero(), XMVectorSet(0.0f, 0.0f, 1.0f, 0.0f));
    SetProjParams(XM_PI / 4.0f, 1.0f, 1.0f, 1000.0f);
}

LRESULT CBaseCamera::HandleMessages(HWND /*window*/, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto pressButton = [&](int button) {
        const int x = GET_X_LPARAM(lParam);
        const int y = GET_Y_LPARAM(lParam);
        if (!IsInDragRect(x, y)) {
            return;
        }
        // A rotation starts where the button went down, not where the last move was.
        if ((mouseButtons_ & rotateButtonMask_) == 0) {
            pendingMouseMove_ = XMFLOAT2(0.0f, 0.0f);
        }
        mouseButtons_ |= button;
        lastMouseX_ = x;
        lastMouseY_ = y;
        mousePositionKnown_ = true;
    };

    switch (message) {
    case WM_KEYDOWN: {
        const CameraKey key = MapKey(static_cast<UINT>(wParam));
        if (key != CameraKeyUnknown && !(keys_[key] & CameraKeyIsDownMask)) {
            keys_[key] = CameraKeyIsDownMask | CameraKeyWasDownMask;
            ++keysDown_;
        }
        break;
    }
    case WM_KEYUP: {
        const CameraKey key = MapKey(static_cast<UINT>(wParam));
        if (key != CameraKeyUnknown && (keys_[key] & CameraKeyIsDownMask)) {
            keys_[key] &= static_cast<BYTE>(~CameraKeyIsDownMask);
            --keysDown_;
        }
        break;
    }
    case WM_LBUTTONDOWN: pressButton(CameraMouseLeft); break;
    case WM_MBUTTONDOWN: pressButton(CameraMouseMiddle); break;
    case WM_RBUTTONDOWN: pressButton(CameraMouseRight); break;
    case WM_LBUTTONUP: mouseButtons_ &= ~CameraMouseLeft; break;
    case WM_MBUTTONUP: mouseButtons_ &= ~CameraMouseMiddle; break;
    case WM_RBUTTONUP: mouseButtons_ &= ~CameraMouseRight; break;
    case WM_MOUSEMOVE: {
        const int x = GET_X_LPARAM(lParam);
        const int y = GET_Y_LPARAM(lParam);
        if (mousePositionKnown_ && IsBeingDragged()) {
            pendingMouseMove_.x += static_cast<float>(x - lastMouseX_);
            pendingMouseMove_.y += static_cast<float>(y - lastMouseY_);
        }
        lastMouseX_ = x;
        lastMouseY_ = y;
        mousePositionKnown_ = true;
        break;
    }
    case WM_MOUSEWHEEL:
        mouseWheelDelta_ += GET_WHEEL_DELTA_WPARAM(wParam);
        break;
    default:
        break;
    }
    return 0;
}

void CBaseCamera::Reset() { SetViewParams(XMLoadFloat3(&defaultEye_), XMLoadFloat3(&defaultLookAt_)); }

void CBaseCamera::SetViewParams(FXMVECTOR eye, FXMVECTOR lookAt)
{
    XMStoreFloat3(&eye_, eye);
    XMStoreFloat3(&lookAt_, lookAt);
    defaultEye_ = eye_;
    defaultLookAt_ = lookAt_;

    const XMVECTOR up = XMVectorSet(0.0f, 1.0f, 0.0f, 0.0f);
    XMStoreFloat4x4(&view_, XMMatrixLookAtLH(eye, lookAt, up));

    // Yaw and pitch of the view direction, so that mouse rotation continues from here.
    XMFLOAT3 ahead;
    XMStoreFloat3(&ahead, XMVector3Normalize(XMVectorSubtract(lookAt, eye)));
    yaw_ = std::atan2(ahead.x, ahead.z);
    pitch_ = -std::atan2(ahead.y, std::sqrt(ahead.x * ahead.x + ahead.z * ahead.z));
}

void CBaseCamera::SetProjParams(float fieldOfViewY, float aspectRatio, float nearPlane, float farPlane)
{
    fieldOfView_ = fieldOfViewY;
    aspect_ = aspectRatio;
    nearPlane_ = nearPlane;
    farPlane_ = farPlane;
    XMStoreFloat4x4(&projection_, XMMatrixPerspectiveFovLH(fieldOfViewY, aspectRatio, nearPlane, farPlane));
}

void CBaseCamera::SetClipToBoundary(bool clip, const XMFLOAT3* minimum, const XMFLOAT3* maximum)
{
    clipToBoundary_ = clip;
    if (minimum) {
        minBoundary_ = *minimum;
    }
    if (maximum) {
        maxBoundary_ = *maximum;
    }
}

CameraKey CBaseCamera::MapKey(UINT virtualKey)
{
    switch (virtualKey) {
    case VK_CONTROL: return CameraKeyControlDown;
    case VK_LEFT: case 'A': return CameraKeyStrafeLeft;
    case VK_RIGHT: case 'D': return CameraKeyStrafeRight;
    case VK_UP: case 'W': return CameraKeyMoveForward;
    case VK_DOWN: case 'S': return CameraKeyMoveBackward;
    case VK_PRIOR: case 'E': return CameraKeyMoveUp;
    case VK_NEXT: case 'Q': return CameraKeyMoveDown;
    case VK_HOME: return CameraKeyReset;
    default: return CameraKeyUnknown;
    }
}

void CBaseCamera::UpdateMoveSpeed(float elapsedSeconds)
{
    rotationVelocity_ = XMFLOAT2(mouseDelta_.x * rotationScaler_, mouseDelta_.y * rotationScaler_);

    const XMFLOAT3 keys = KeyboardDirection();
    XMVECTOR direction = enablePositionMovement_ ? XMLoadFloat3(&keys) : XMVectorZero();
    if (XMVectorGetX(XMVector3Dot(direction, direction)) > 0.0f) {
        // Diagonal movement is no faster than straight movement.
        direction = XMVector3Normalize(direction);
        XMStoreFloat3(&velocity_, XMVectorScale(direction, moveScaler_));
        dragTimer_ = totalDragTimeToZero_;
        const float perSecond = totalDragTimeToZero_ > 0.0f ? 1.0f / totalDragTimeToZero_ : 0.0f;
        XMStoreFloat3(&velocityDrag_, XMVectorScale(XMLoadFloat3(&velocity_), perSecond));
    } else if (movementDrag_ && dragTimer_ > 0.0f) {
        XMStoreFloat3(&velocity_, XMVectorSubtract(XMLoadFloat3(&velocity_), XMVectorScale(XMLoadFloat3(&velocityDrag_), elapsedSeconds)));
        dragTimer_ -= elapsedSeconds;
        if (dragTimer_ <= 0.0f) {
            velocity_ = XMFLOAT3(0.0f, 0.0f, 0.0f);
        }
    } else {
        velocity_ = XMFLOAT3(0.0f, 0.0f, 0.0f);
    }
}

void CBaseCamera::SetRotateButtons(bool left, bool middle, bool right, bool rotateWithoutButtonDown)
{
    rotateButtonMask_ = (left ? CameraMouseLeft : 0) | (middle ? CameraMouseMiddle : 0) | (right ? CameraMouseRight : 0);
    rotateWithoutButtonDown_ = rotateWithoutButtonDown;
}

XMFLOAT3 CBaseCamera::KeyboardDirection() const
{
    XMFLOAT3 direction(0.0f, 0.0f, 0.0f);
    auto axis = [&](CameraKey positive, CameraKey negative) {
        return (IsKeyDown(positive) ? 1.0f : 0.0f) - (IsKeyDown(negative) ? 1.0f : 0.0f);
    };
    direction.x = axis(CameraKeyStrafeRight, CameraKeyStrafeLeft);
    direction.y = axis(CameraKeyMoveUp, CameraKeyMoveDown);
    direction.z = axis(CameraKeyMoveForward, CameraKeyMoveBackward);
    return direction;
}

void CBaseCamera::UpdateMouseDelta()
{
    const float share = 1.0f / framesToSmoothMouseData_;
    mouseDelta_.x = mouseDelta_.x * (1.0f - share) + pendingMouseMove_.x * share;
    mouseDelta_.y = mouseDelta_.y * (1.0f - share) + pendingMouseMove_.y * share;
    pendingMouseMove_ = XMFLOAT2(0.0f, 0.0f);
}

bool CBaseCamera::IsInDragRect(int x, int y) const
{
    return x >= dragRect_.left && x < dragRect_.right && y >= dragRect_.top && y < dragRect_.bottom;
}
