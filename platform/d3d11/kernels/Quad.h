#pragma once
// A value of each pixel of a 2x2 quad, as pixel kernels compute them. Lanes are numbered
// 0 (x, y), 1 (x + 1, y), 2 (x, y + 1), 3 (x + 1, y + 1); lanes that the primitive does not
// cover still compute (they are the helpers that make derivatives exist) but write
// nothing. Ddx and Ddy are the differences between neighbours in the quad, so they exist
// for any computed value, as in HLSL: the fine forms per row and column, the coarse ones
// one value for the whole quad (from the top row and the left column).

#include "platform/d3d11/kernels/Registers.h"

namespace d3d11sw {

template <class T>
struct Quad {
    T lane[4];

    T& operator[](int i) { return lane[i]; }
    const T& operator[](int i) const { return lane[i]; }

    static Quad Splat(const T& value) { return {{value, value, value, value}}; }
};

template <class T>
Quad<T> operator+(const Quad<T>& a, const Quad<T>& b) { return {{a[0] + b[0], a[1] + b[1], a[2] + b[2], a[3] + b[3]}}; }
template <class T>
Quad<T> operator-(const Quad<T>& a, const Quad<T>& b) { return {{a[0] - b[0], a[1] - b[1], a[2] - b[2], a[3] - b[3]}}; }
template <class T>
Quad<T> operator*(const Quad<T>& a, const Quad<T>& b) { return {{a[0] * b[0], a[1] * b[1], a[2] * b[2], a[3] * b[3]}}; }
template <class T, class S>
Quad<T> operator*(const Quad<T>& a, const S& s) { return {{a[0] * s, a[1] * s, a[2] * s, a[3] * s}}; }

// Per-lane application of a function.
template <class F, class T>
auto Map(const Quad<T>& q, F f) -> Quad<decltype(f(q[0]))>
{
    return {{f(q[0]), f(q[1]), f(q[2]), f(q[3])}};
}

template <class T>
Quad<T> Ddx(const Quad<T>& q)
{
    const T top = q[1] - q[0];
    const T bottom = q[3] - q[2];
    return {{top, top, bottom, bottom}};
}

template <class T>
Quad<T> Ddy(const Quad<T>& q)
{
    const T left = q[2] - q[0];
    const T right = q[3] - q[1];
    return {{left, right, left, right}};
}

template <class T>
T DdxCoarse(const Quad<T>& q) { return q[1] - q[0]; }

template <class T>
T DdyCoarse(const Quad<T>& q) { return q[2] - q[0]; }

}  // namespace d3d11sw
