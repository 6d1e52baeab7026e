#pragma once
// The one value type of the shader kernels: four floats, as a shader register holds them.
// Like a register it starts undefined; Float4{} is zero.

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
inline Float4 operator*(const Float4& a, float s) { return {a.x * s, a.y * s, a.z * s, a.w * s}; }
inline Float4 operator*(float s, const Float4& a) { return a * s; }

}  // namespace d3d11sw
