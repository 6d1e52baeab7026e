#pragma once
// Vector operations. Dot products and lengths come back replicated into every lane, so
// they combine with other vectors without a conversion; XMVectorGetX reads one out.

#include "platform/xmath/Types.h"

#include <cmath>

namespace DirectX {

inline XMVECTOR XMVectorSet(float x, float y, float z, float w) { return XMVECTOR {x, y, z, w}; }
inline XMVECTOR XMVectorZero() { return XMVECTOR {0.0f, 0.0f, 0.0f, 0.0f}; }
inline XMVECTOR XMVectorReplicate(float value) { return XMVECTOR {value, value, value, value}; }

inline float XMVectorGetX(FXMVECTOR v) { return v[0]; }
inline float XMVectorGetY(FXMVECTOR v) { return v[1]; }
inline float XMVectorGetZ(FXMVECTOR v) { return v[2]; }
inline float XMVectorGetW(FXMVECTOR v) { return v[3]; }

inline XMVECTOR XMVectorAdd(FXMVECTOR a, FXMVECTOR b) { return a + b; }
inline XMVECTOR XMVectorSubtract(FXMVECTOR a, FXMVECTOR b) { return a - b; }
inline XMVECTOR XMVectorMultiply(FXMVECTOR a, FXMVECTOR b) { return a * b; }
inline XMVECTOR XMVectorScale(FXMVECTOR v, float factor) { return v * factor; }
inline XMVECTOR XMVectorNegate(FXMVECTOR v) { return -v; }

// NaN stays NaN (its sign bit is cleared).
inline XMVECTOR XMVectorAbs(FXMVECTOR v)
{
    return XMVECTOR {std::fabs(v[0]), std::fabs(v[1]), std::fabs(v[2]), std::fabs(v[3])};
}

inline XMVECTOR XMVectorMax(FXMVECTOR a, FXMVECTOR b)
{
    return XMVECTOR {a[0] > b[0] ? a[0] : b[0], a[1] > b[1] ? a[1] : b[1], a[2] > b[2] ? a[2] : b[2],
                     a[3] > b[3] ? a[3] : b[3]};
}

inline XMVECTOR XMVector3Dot(FXMVECTOR a, FXMVECTOR b)
{
    return XMVectorReplicate(a[0] * b[0] + a[1] * b[1] + a[2] * b[2]);
}

inline XMVECTOR XMVector4Dot(FXMVECTOR a, FXMVECTOR b)
{
    return XMVectorReplicate(a[0] * b[0] + a[1] * b[1] + a[2] * b[2] + a[3] * b[3]);
}

// The w lane of the result is 0.
inline XMVECTOR XMVector3Cross(FXMVECTOR a, FXMVECTOR b)
{
    return XMVECTOR {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0],
                     0.0f};
}

inline XMVECTOR XMVector3Length(FXMVECTOR v) { return XMVectorReplicate(std::sqrt(XMVector3Dot(v, v)[0])); }

// All four lanes divided by the length of x, y, z; a vector of length 0 becomes zero.
inline XMVECTOR XMVector3Normalize(FXMVECTOR v)
{
    const float length = XMVector3Length(v)[0];
    if (length == 0.0f) return XMVectorZero();
    return v / length;
}

inline XMVECTOR XMLoadFloat2(const XMFLOAT2* source) { return XMVECTOR {source->x, source->y, 0.0f, 0.0f}; }
inline XMVECTOR XMLoadFloat3(const XMFLOAT3* source)
{
    return XMVECTOR {source->x, source->y, source->z, 0.0f};
}
inline XMVECTOR XMLoadFloat4(const XMFLOAT4* source)
{
    return XMVECTOR {source->x, source->y, source->z, source->w};
}

inline void XMStoreFloat2(XMFLOAT2* target, FXMVECTOR v) { *target = XMFLOAT2(v[0], v[1]); }
inline void XMStoreFloat3(XMFLOAT3* target, FXMVECTOR v) { *target = XMFLOAT3(v[0], v[1], v[2]); }
inline void XMStoreFloat4(XMFLOAT4* target, FXMVECTOR v) { *target = XMFLOAT4(v[0], v[1], v[2], v[3]); }

}  // namespace DirectX
