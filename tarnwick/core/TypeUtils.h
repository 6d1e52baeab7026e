#pragma once
// The closed set of value types a variant can refer to: index, name, byte size and the
// stable id that XML files carry.

#include "tarnwick/core/Serializable.h"

#include <cstdint>
#include <string>
#include <type_traits>

namespace qz::core {

// The data-type index of a variant; the binary key-value stream carries it as it is.
using DataType = std::int32_t;

enum DataTypeIndex : DataType {
    DataTypeInt8 = 0,
    DataTypeInt16 = 1,
    DataTypeInt32 = 2,
    DataTypeInt64 = 3,
    DataTypeUInt8 = 4,
    DataTypeUInt16 = 5,
    DataTypeUInt32 = 6,
    DataTypeUInt64 = 7,
    DataTypeFloat = 8,
    DataTypeDouble = 9,
    DataTypeBool = 10,
    DataTypeString = 11,
    DataTypeClass = 12,
    DataTypeUndefined = 13,
};

// Byte size of indexes 0 to 11 (a string has no fixed size: 0); throws for any other.
int GetDataTypeSize(int index);
// Stable id of indexes 0 to 13, as written into XML files; throws for any other.
int GetDataTypeID(int index);
// "int8" ... "boolean", "string", "serializable", "undefined"; "undefined" outside 0 to 13.
const char* GetDataTypeName(int index);

// The index of a value type at compile time; classes derived from Serializable are 12.
template <class T, class = void>
struct DataTypeOf;

template <class T>
struct DataTypeOf<T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>>> {
    static constexpr DataType value =
        (std::is_signed_v<T> ? 0 : 4) + (sizeof(T) == 1 ? 0 : sizeof(T) == 2 ? 1 : sizeof(T) == 4 ? 2 : 3);
    static_assert(sizeof(T) <= 8);
};
template <>
struct DataTypeOf<float> {
    static constexpr DataType value = DataTypeFloat;
};
template <>
struct DataTypeOf<double> {
    static constexpr DataType value = DataTypeDouble;
};
template <>
struct DataTypeOf<bool> {
    static constexpr DataType value = DataTypeBool;
};
template <>
struct DataTypeOf<std::string> {
    static constexpr DataType value = DataTypeString;
};
template <class T>
struct DataTypeOf<T, std::enable_if_t<std::is_base_of_v<Serializable, T>>> {
    static constexpr DataType value = DataTypeClass;
};

template <class T>
inline constexpr DataType DataTypeOfV = DataTypeOf<std::remove_cv_t<T>>::value;

template <class T>
struct TypeTag {
    using Type = T;
};

// Calls visit(TypeTag<T>{}) with the value type of an index from 0 to 12 (Serializable for
// 12); returns false, without calling, for any other index.
template <class Visitor>
bool VisitDataType(int index, Visitor&& visit)
{
    switch (index) {
    case DataTypeInt8: visit(TypeTag<std::int8_t> {}); return true;
    case DataTypeInt16: visit(TypeTag<std::int16_t> {}); return true;
    case DataTypeInt32: visit(TypeTag<std::int32_t> {}); return true;
    case DataTypeInt64: visit(TypeTag<std::int64_t> {}); return true;
    case DataTypeUInt8: visit(TypeTag<std::uint8_t> {}); return true;
    case DataTypeUInt16: visit(TypeTag<std::uint16_t> {}); return true;
    case DataTypeUInt32: visit(TypeTag<std::uint32_t> {}); return true;
    case DataTypeUInt64: visit(TypeTag<std::uint64_t> {}); return true;
    case DataTypeFloat: visit(TypeTag<float> {}); return true;
    case DataTypeDouble: visit(TypeTag<double> {}); return true;
    case DataTypeBool: visit(TypeTag<bool> {}); return true;
    case DataTypeString: visit(TypeTag<std::string> {}); return true;
    case DataTypeClass: visit(TypeTag<Serializable> {}); return true;
    default: return false;
    }
}

}  // namespace qz::core
