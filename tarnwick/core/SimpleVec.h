#pragma once
// Fixed-size vectors of N values that serialize themselves: the binary form is the class
// type id and the values in order; the text form is "[a, b, c]" with floats as "%f" and
// integers in decimal.

#include "tarnwick/core/NumberText.h"
#include "tarnwick/core/Serializable.h"

#include <cstring>
#include <string>
#include <type_traits>

namespace qz::core {

template <class T, int N>
struct VecComponents;

template <class T>
struct VecComponents<T, 2> {
    T x {};
    T y {};
};

template <class T>
struct VecComponents<T, 3> {
    T x {};
    T y {};
    T z {};
};

template <class T>
struct VecComponents<T, 4> {
    T x {};
    T y {};
    T z {};
    T w {};
};

template <class T, int N>
class SimpleVec : public Serializable, public VecComponents<T, N> {
public:
    static constexpr int Count = N;

    T& operator[](int i) { return this->*Member(i); }
    const T& operator[](int i) const { return this->*Member(i); }

    std::uint32_t GetSerializedSize() const override { return sizeof(std::uint32_t) + N * sizeof(T); }

    std::uint32_t Serialize(void* destination) const override
    {
        auto* out = static_cast<unsigned char*>(destination);
        const std::uint32_t id = GetTypeID();
        std::memcpy(out, &id, sizeof(id));
        for (int i = 0; i < N; ++i) std::memcpy(out + sizeof(id) + i * sizeof(T), &(*this)[i], sizeof(T));
        return GetSerializedSize();
    }

    std::uint32_t Deserialize(const void* source) override
    {
        const auto* in = static_cast<const unsigned char*>(source);
        for (int i = 0; i < N; ++i) std::memcpy(&(*this)[i], in + sizeof(std::uint32_t) + i * sizeof(T), sizeof(T));
        return GetSerializedSize();
    }

    std::string ToString() const override
    {
        std::string text = "[";
        for (int i = 0; i < N; ++i) {
            if (i > 0) text += ", ";
            text += NumberToText((*this)[i]);
        }
        return text + "]";
    }

    // As sscanf with "[%f, %f, %f]": the bracket must come first, a comma must follow each
    // value directly, and blanks may stand before each value.
    int FromString(const std::string& text) override
    {
        const char* cursor = text.c_str();
        if (*cursor != '[') return 0;
        ++cursor;
        int count = 0;
        for (; count < N; ++count) {
            if (count > 0) {
                if (*cursor != ',') break;
                ++cursor;
            }
            T value {};
            const std::size_t used = ReadNumber(cursor, value);
            if (used == 0) break;
            (*this)[count] = value;
            cursor += used;
        }
        return count;
    }

    friend bool operator==(const SimpleVec& a, const SimpleVec& b)
    {
        for (int i = 0; i < N; ++i) {
            if (!(a[i] == b[i])) return false;
        }
        return true;
    }

protected:
    SimpleVec() = default;

private:
    using Components = VecComponents<T, N>;

    static T Components::*Member(int i)
    {
        if constexpr (N == 2) {
            constexpr T Components::*members[] = {&Components::x, &Components::y};
            return members[i];
        } else if constexpr (N == 3) {
            constexpr T Components::*members[] = {&Components::x, &Components::y, &Components::z};
            return members[i];
        } else {
            constexpr T Components::*members[] = {&Components::x, &Components::y, &Components::z, &Components::w};
            return members[i];
        }
    }
};

template <class T>
class SimpleVec2 : public SimpleVec<T, 2> {
public:
    SimpleVec2() = default;
    SimpleVec2(T x, T y)
    {
        this->x = x;
        this->y = y;
    }
};

template <class T>
class SimpleVec3 : public SimpleVec<T, 3> {
public:
    SimpleVec3() = default;
    SimpleVec3(T x, T y, T z)
    {
        this->x = x;
        this->y = y;
        this->z = z;
    }
};

}  // namespace qz::core
