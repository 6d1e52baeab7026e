#pragma once
// The value types of shader kernels: a register of four 32-bit components, read as
// floats (Float4), unsigned (Uint4) or signed integers (Int4). Like a register, a Float4
// starts undefined; Float4{} is zero. AsUint, AsInt and AsFloat reinterpret the bits, as
// HLSL's asuint, asint and asfloat do: integer formats travel through Float4 registers
// that way (vertex attributes, render-target outputs) and keep every bit.

#include <bit>
#include <cstdint>

namespace d3d11sw {

struct Float4 {
    float x;
    float y;
    float z;
    float w;

    float& operator[](int i) { return (&x)[i]; }
    float operator[](int i) const { return (&x)[i]; }
};

inline Float4 operator+(const Float4& a, const Float4& b) { return {a.x + b.x, a.y + b.y, a.z + b.z, a.w + b.w}; }
inline Float4 operator-(const Float4& a, const Float4& b) { return {a.x - b.x, a.y - b.y, a.z - b.z, a.w - b.w}; }
inline Float4 operator*(const Float4& a, const Float4& b) { return {a.x * b.x, a.y * b.y, a.z * b.z, a.w * b.w}; }
inline Float4 operator/(const Float4& a, const Float4& b) { return {a.x / b.x, a.y / b.y, a.z / b.z, a.w / b.w}; }
inline Float4 operator*(const Float4& a, float s) { return {a.x * s, a.y * s, a.z * s, a.w * s}; }
inline Float4 operator*(float s, const Float4& a) { return a * s; }
inline bool operator==(const Float4& a, const Float4& b) { return a.x == b.x && a.y == b.y && a.z == b.z && a.w == b.w; }

template <class T>
struct Integer4 {
    T x;
    T y;
    T z;
    T w;

    T& operator[](int i) { return (&x)[i]; }
    T operator[](int i) const { return (&x)[i]; }

    friend Integer4 operator+(const Integer4& a, const Integer4& b) { return {T(a.x + b.x), T(a.y + b.y), T(a.z + b.z), T(a.w + b.w)}; }
    friend Integer4 operator-(const Integer4& a, const Integer4& b) { return {T(a.x - b.x), T(a.y - b.y), T(a.z - b.z), T(a.w - b.w)}; }
    friend Integer4 operator*(const Integer4& a, const Integer4& b) { return {T(a.x * b.x), T(a.y * b.y), T(a.z * b.z), T(a.w * b.w)}; }
    friend Integer4 operator&(const Integer4& a, const Integer4& b) { return {T(a.x & b.x), T(a.y & b.y), T(a.z & b.z), T(a.w & b.w)}; }
    friend Integer4 operator|(const Integer4& a, const Integer4& b) { return {T(a.x | b.x), T(a.y | b.y), T(a.z | b.z), T(a.w | b.w)}; }
    friend Integer4 operator^(const Integer4& a, const Integer4& b) { return {T(a.x ^ b.x), T(a.y ^ b.y), T(a.z ^ b.z), T(a.w ^ b.w)}; }
    // Shifts use the low five bits of the count, as HLSL's do.
    friend Integer4 operator<<(const Integer4& a, unsigned n) { n &= 31; return {T(a.x << n), T(a.y << n), T(a.z << n), T(a.w << n)}; }
    friend Integer4 operator>>(const Integer4& a, unsigned n) { n &= 31; return {T(a.x >> n), T(a.y >> n), T(a.z >> n), T(a.w >> n)}; }
    friend bool operator==(const Integer4&, const Integer4&) = default;
};

using Uint4 = Integer4<std::uint32_t>;
using Int4 = Integer4<std::int32_t>;

inline Uint4 AsUint(const Float4& v) { return std::bit_cast<Uint4>(v); }
inline Int4 AsInt(const Float4& v) { return std::bit_cast<Int4>(v); }
inline Float4 AsFloat(const Uint4& v) { return std::bit_cast<Float4>(v); }
inline Float4 AsFloat(const Int4& v) { return std::bit_cast<Float4>(v); }

}  // namespace d3d11sw
