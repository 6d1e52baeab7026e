#pragma once
// Storage types (plain floats, no alignment needs) and the 16-byte register types that
// the arithmetic works on.

namespace DirectX {

// Four floats in one 16-byte aligned SIMD value; lanes are read as v[0] .. v[3], and
// + - * / work lane by lane.
typedef float XMVECTOR __attribute__((vector_size(16)));

// Parameter spellings of code written for DirectXMath: vectors by value, matrices by
// reference.
using FXMVECTOR = const XMVECTOR;
using GXMVECTOR = const XMVECTOR;
using HXMVECTOR = const XMVECTOR;
using CXMVECTOR = const XMVECTOR;
#define XM_CALLCONV

// Four row vectors.
struct alignas(16) XMMATRIX {
    XMVECTOR r[4];

    XMMATRIX() = default;
    constexpr XMMATRIX(XMVECTOR r0, XMVECTOR r1, XMVECTOR r2, XMVECTOR r3) : r {r0, r1, r2, r3} {}
    constexpr XMMATRIX(float m00, float m01, float m02, float m03, float m10, float m11, float m12,
                       float m13, float m20, float m21, float m22, float m23, float m30, float m31,
                       float m32, float m33)
        : r {XMVECTOR {m00, m01, m02, m03}, XMVECTOR {m10, m11, m12, m13},
             XMVECTOR {m20, m21, m22, m23}, XMVECTOR {m30, m31, m32, m33}}
    {
    }
};

using FXMMATRIX = const XMMATRIX&;
using CXMMATRIX = const XMMATRIX&;

struct XMFLOAT2 {
    float x;
    float y;

    XMFLOAT2() = default;
    constexpr XMFLOAT2(float x_, float y_) : x(x_), y(y_) {}
};

struct XMFLOAT3 {
    float x;
    float y;
    float z;

    XMFLOAT3() = default;
    constexpr XMFLOAT3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
};

struct XMFLOAT4 {
    float x;
    float y;
    float z;
    float w;

    XMFLOAT4() = default;
    constexpr XMFLOAT4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
};

// Row-major: m[row][column].
struct XMFLOAT4X4 {
    float m[4][4];

    XMFLOAT4X4() = default;
    constexpr XMFLOAT4X4(float m00, float m01, float m02, float m03, float m10, float m11,
                         float m12, float m13, float m20, float m21, float m22, float m23,
                         float m30, float m31, float m32, float m33)
        : m {{m00, m01, m02, m03}, {m10, m11, m12, m13}, {m20, m21, m22, m23}, {m30, m31, m32, m33}}
    {
    }

    float operator()(unsigned row, unsigned column) const { return m[row][column]; }
    float& operator()(unsigned row, unsigned column) { return m[row][column]; }
};

constexpr float XM_PI = 3.141592654f;
constexpr float XM_PIDIV2 = 1.570796327f;
constexpr float XM_PIDIV4 = 0.785398163f;

}  // namespace DirectX
