#include "platform/xmath/Matrix.h"

#include "platform/xmath/Vector.h"

#include <cmath>

namespace DirectX {

namespace {

XMMATRIX RotationX(float angle)
{
    const float s = std::sin(angle);
    const float c = std::cos(angle);
    return XMMATRIX(1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1);
}

XMMATRIX RotationY(float angle)
{
    const float s = std::sin(angle);
    const float c = std::cos(angle);
    return XMMATRIX(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1);
}

XMMATRIX RotationZ(float angle)
{
    const float s = std::sin(angle);
    const float c = std::cos(angle);
    return XMMATRIX(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
}

}  // namespace

XMMATRIX XMMatrixIdentity()
{
    return XMMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
}

XMVECTOR XMVector4Transform(FXMVECTOR v, FXMMATRIX m)
{
    return v[0] * m.r[0] + v[1] * m.r[1] + v[2] * m.r[2] + v[3] * m.r[3];
}

XMVECTOR XMVector3TransformCoord(FXMVECTOR v, FXMMATRIX m)
{
    const XMVECTOR result = v[0] * m.r[0] + v[1] * m.r[1] + v[2] * m.r[2] + m.r[3];
    return result / result[3];
}

XMVECTOR XMVector3TransformNormal(FXMVECTOR v, FXMMATRIX m)
{
    return v[0] * m.r[0] + v[1] * m.r[1] + v[2] * m.r[2];
}

XMMATRIX XMMatrixMultiply(FXMMATRIX a, CXMMATRIX b)
{
    // Row i of the product is row i of a transformed by b.
    return XMMATRIX(XMVector4Transform(a.r[0], b), XMVector4Transform(a.r[1], b),
                    XMVector4Transform(a.r[2], b), XMVector4Transform(a.r[3], b));
}

XMMATRIX XMMatrixTranspose(FXMMATRIX m)
{
    const XMVECTOR* r = m.r;
    return XMMATRIX(r[0][0], r[1][0], r[2][0], r[3][0], r[0][1], r[1][1], r[2][1], r[3][1],
                    r[0][2], r[1][2], r[2][2], r[3][2], r[0][3], r[1][3], r[2][3], r[3][3]);
}

XMMATRIX XMMatrixInverse(XMVECTOR* determinant, FXMMATRIX m)
{
    // Laplace expansion along pairs of rows: 2x2 minors of the upper rows (s) and of the
    // lower rows (c) give the determinant and every cofactor.
    const XMVECTOR* a = m.r;
    const float s0 = a[0][0] * a[1][1] - a[1][0] * a[0][1];
    const float s1 = a[0][0] * a[1][2] - a[1][0] * a[0][2];
    const float s2 = a[0][0] * a[1][3] - a[1][0] * a[0][3];
    const float s3 = a[0][1] * a[1][2] - a[1][1] * a[0][2];
    const float s4 = a[0][1] * a[1][3] - a[1][1] * a[0][3];
    const float s5 = a[0][2] * a[1][3] - a[1][2] * a[0][3];
    const float c5 = a[2][2] * a[3][3] - a[3][2] * a[2][3];
    const float c4 = a[2][1] * a[3][3] - a[3][1] * a[2][3];
    const float c3 = a[2][1] * a[3][2] - a[3][1] * a[2][2];
    const float c2 = a[2][0] * a[3][3] - a[3][0] * a[2][3];
    const float c1 = a[2][0] * a[3][2] - a[3][0] * a[2][2];
    const float c0 = a[2][0] * a[3][1] - a[3][0] * a[2][1];

    const float det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
    if (determinant) *determinant = XMVectorReplicate(det);
    const float inv = 1.0f / det;

    const XMMATRIX adjugate(
        a[1][1] * c5 - a[1][2] * c4 + a[1][3] * c3, -a[0][1] * c5 + a[0][2] * c4 - a[0][3] * c3,
        a[3][1] * s5 - a[3][2] * s4 + a[3][3] * s3, -a[2][1] * s5 + a[2][2] * s4 - a[2][3] * s3,

        -a[1][0] * c5 + a[1][2] * c2 - a[1][3] * c1, a[0][0] * c5 - a[0][2] * c2 + a[0][3] * c1,
        -a[3][0] * s5 + a[3][2] * s2 - a[3][3] * s1, a[2][0] * s5 - a[2][2] * s2 + a[2][3] * s1,

        a[1][0] * c4 - a[1][1] * c2 + a[1][3] * c0, -a[0][0] * c4 + a[0][1] * c2 - a[0][3] * c0,
        a[3][0] * s4 - a[3][1] * s2 + a[3][3] * s0, -a[2][0] * s4 + a[2][1] * s2 - a[2][3] * s0,

        -a[1][0] * c3 + a[1][1] * c1 - a[1][2] * c0, a[0][0] * c3 - a[0][1] * c1 + a[0][2] * c0,
        -a[3][0] * s3 + a[3][1] * s1 - a[3][2] * s0, a[2][0] * s3 - a[2][1] * s1 + a[2][2] * s0);
    return XMMATRIX(adjugate.r[0] * inv, adjugate.r[1] * inv, adjugate.r[2] * inv, adjugate.r[3] * inv);
}

XMMATRIX XMMatrixTranslation(float x, float y, float z)
{
    return XMMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1);
}

XMMATRIX XMMatrixScaling(float x, float y, float z)
{
    return XMMATRIX(x, 0, 0, 0, 0, y, 0, 0, 0, 0, z, 0, 0, 0, 0, 1);
}

XMMATRIX XMMatrixRotationRollPitchYaw(float pitch, float yaw, float roll)
{
    return XMMatrixMultiply(XMMatrixMultiply(RotationZ(roll), RotationX(pitch)), RotationY(yaw));
}

XMMATRIX XMMatrixLookAtLH(FXMVECTOR eye, FXMVECTOR focus, FXMVECTOR up)
{
    // The camera's axes in world space; the view matrix takes them back to x, y and z.
    const XMVECTOR forward = XMVector3Normalize(focus - eye);
    const XMVECTOR right = XMVector3Normalize(XMVector3Cross(up, forward));
    const XMVECTOR cameraUp = XMVector3Cross(forward, right);
    const XMVECTOR back = -eye;
    return XMMATRIX(right[0], cameraUp[0], forward[0], 0, right[1], cameraUp[1], forward[1], 0,
                    right[2], cameraUp[2], forward[2], 0, XMVector3Dot(right, back)[0],
                    XMVector3Dot(cameraUp, back)[0], XMVector3Dot(forward, back)[0], 1);
}

XMMATRIX XMMatrixPerspectiveFovLH(float fovAngleY, float aspectRatio, float nearZ, float farZ)
{
    const float height = std::cos(0.5f * fovAngleY) / std::sin(0.5f * fovAngleY);
    const float width = height / aspectRatio;
    const float range = farZ / (farZ - nearZ);
    return XMMATRIX(width, 0, 0, 0, 0, height, 0, 0, 0, 0, range, 1, 0, 0, -range * nearZ, 0);
}

XMMATRIX XMLoadFloat4x4(const XMFLOAT4X4* source)
{
    const auto& m = source->m;
    return XMMATRIX(m[0][0], m[0][1], m[0][2], m[0][3], m[1][0], m[1][1], m[1][2], m[1][3], m[2][0],
                    m[2][1], m[2][2], m[2][3], m[3][0], m[3][1], m[3][2], m[3][3]);
}

void XMStoreFloat4x4(XMFLOAT4X4* target, FXMMATRIX m)
{
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) target->m[row][column] = m.r[row][column];
    }
}

}  // namespace DirectX
