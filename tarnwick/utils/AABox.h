#pragma once
// An axis-aligned box by centre and half size. The w lanes are part of the value: the
// centre is a point (w 1) and the half size a direction (w 0), so four-lane dot products
// with a plane give the plane's value at the centre and the box's reach towards it.

#include "platform/xmath/DirectXMath.h"

namespace qz::utils {

class alignas(16) AABox {
public:
    // The cube [-1,1]^3.
    AABox() = default;
    AABox(DirectX::FXMVECTOR center_, DirectX::FXMVECTOR halfSize_) : center(center_), halfSize(halfSize_) {}
    AABox(const AABox&) = default;
    AABox& operator=(const AABox&) = default;
    virtual ~AABox() = default;

    DirectX::XMVECTOR center = DirectX::XMVectorSet(0.0f, 0.0f, 0.0f, 1.0f);
    DirectX::XMVECTOR halfSize = DirectX::XMVectorSet(1.0f, 1.0f, 1.0f, 0.0f);
};

}  // namespace qz::utils
