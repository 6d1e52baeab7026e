#pragma once
// Matrices for row vectors: a point p is transformed as p x M, and XMMatrixMultiply(A, B)
// applies A first. Projections are left-handed and map depth to 0 <= z <= w.

#include "platform/xmath/Types.h"

namespace DirectX {

XMMATRIX XMMatrixIdentity();
XMMATRIX XMMatrixMultiply(FXMMATRIX a, CXMMATRIX b);
XMMATRIX XMMatrixTranspose(FXMMATRIX m);
// Without a check for singularity: a singular matrix gives non-finite entries. The
// determinant goes into every lane of *determinant when it is given.
XMMATRIX XMMatrixInverse(XMVECTOR* determinant, FXMMATRIX m);

XMMATRIX XMMatrixTranslation(float x, float y, float z);
XMMATRIX XMMatrixScaling(float x, float y, float z);
// Roll about z first, then pitch about x, then yaw about y; angles in radians.
XMMATRIX XMMatrixRotationRollPitchYaw(float pitch, float yaw, float roll);

XMMATRIX XMMatrixLookAtLH(FXMVECTOR eye, FXMVECTOR focus, FXMVECTOR up);
XMMATRIX XMMatrixPerspectiveFovLH(float fovAngleY, float aspectRatio, float nearZ, float farZ);

// v x m with all four lanes of v.
XMVECTOR XMVector4Transform(FXMVECTOR v, FXMMATRIX m);
// (x, y, z, 1) x m, divided by the resulting w.
XMVECTOR XMVector3TransformCoord(FXMVECTOR v, FXMMATRIX m);
// (x, y, z, 0) x m: directions ignore the translation.
XMVECTOR XMVector3TransformNormal(FXMVECTOR v, FXMMATRIX m);

XMMATRIX XMLoadFloat4x4(const XMFLOAT4X4* source);
void XMStoreFloat4x4(XMFLOAT4X4* target, FXMMATRIX m);

}  // namespace DirectX
