#pragma once
// A plain vector of four values, 4 * sizeof(T) bytes without anything else: as
// SimpleVec4<unsigned int> it is the 128-bit word of packed occupancy data.

namespace qz::core {

template <class T>
class SimpleVec4 {
public:
    T x {};
    T y {};
    T z {};
    T w {};

    constexpr SimpleVec4() = default;
    constexpr SimpleVec4(T x_, T y_, T z_, T w_) : x(x_), y(y_), z(z_), w(w_) {}

    constexpr T& operator[](int i) { return this->*Member(i); }
    constexpr const T& operator[](int i) const { return this->*Member(i); }

    friend constexpr bool operator==(const SimpleVec4& a, const SimpleVec4& b)
    {
        return a.x == b.x && a.y == b.y && a.z == b.z && a.w == b.w;
    }

private:
    static constexpr T SimpleVec4::*Member(int i)
    {
        constexpr T SimpleVec4::*members[] = {&SimpleVec4::x, &SimpleVec4::y, &SimpleVec4::z, &SimpleVec4::w};
        return members[i];
    }
};

static_assert(sizeof(SimpleVec4<unsigned int>) == 16);

}  // namespace qz::core
