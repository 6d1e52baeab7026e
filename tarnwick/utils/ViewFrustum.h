#pragma once
// The camera's view, projection and the six clipping planes derived from them, with a
// conservative box test. Planes are not normalised: a point p (w 1) is inside a plane
// when dot(plane, p) >= 0, and only signs are compared.

#include "platform/xmath/DirectXMath.h"
#include "tarnwick/utils/AABox.h"

#include <cstdint>

struct alignas(16) ViewFrustum {
    // The order in which planes are stored and tested.
    enum PlaneIndex { PlaneRight, PlaneLeft, PlaneTop, PlaneBottom, PlaneFar, PlaneNear, PlaneCount };

    // Set by the owner when the viewport changes.
    float pixelScale = 0.0f;  // viewport height / (2 tan(fov / 2))
    float nearDistance = 0.0f;
    float aspect = 0.0f;
    std::uint32_t viewportHeight = 0;

    DirectX::XMVECTOR planes[PlaneCount] = {};
    DirectX::XMMATRIX view = DirectX::XMMatrixIdentity();
    DirectX::XMMATRIX projection = DirectX::XMMatrixIdentity();  // set by the owner
    DirectX::XMMATRIX viewProjection = DirectX::XMMatrixIdentity();
    DirectX::XMVECTOR eyePosition = DirectX::XMVectorSet(0.0f, 0.0f, 0.0f, 1.0f);
    DirectX::XMVECTOR viewDirection = DirectX::XMVectorSet(0.0f, 0.0f, 1.0f, 0.0f);

    // Recomputes everything from the given view and the stored projection, except the
    // projection and the viewport values.
    void Update(DirectX::FXMMATRIX newView);

    // False when the box lies wholly on the outer side of one plane; a box that only
    // touches a plane from outside counts as outside. Boxes near the frustum's edges may
    // pass although they lie outside. Planes with NaN reject nothing.
    bool IntersectsBox(const qz::utils::AABox& box) const
    {
        for (const DirectX::XMVECTOR& plane : planes) {
            const float distance = DirectX::XMVectorGetX(DirectX::XMVector4Dot(plane, box.center));
            const float reach =
                DirectX::XMVectorGetX(DirectX::XMVector4Dot(DirectX::XMVectorAbs(plane), box.halfSize));
            if (-reach >= distance) return false;
        }
        return true;
    }
};
