#include "tarnwick/core/TypeUtils.h"

#include "tarnwick/core/ErrorReport.h"

#include <array>

namespace qz::core {

namespace {

constexpr std::array<int, 12> DataTypeSizes = {1, 2, 4, 8, 1, 2, 4, 8, 4, 8, 1, 0};
constexpr std::array<int, 14> DataTypeIDs = {0, 1, 2, 3, 10, 11, 12, 13, 20, 21, 30, 100, 101, 999};
constexpr std::array<const char*, 14> DataTypeNames = {
    "int8",  "int16",  "int32",  "int64",  "uint8",   "uint16", "uint32",
    "uint64", "float", "double", "boolean", "string", "serializable", "undefined"};

}  // namespace

int GetDataTypeSize(int index)
{
    if (index < 0 || index >= static_cast<int>(DataTypeSizes.size())) {
        QZ_THROW("qz::core::GetDataTypeSize", "GeDataTypeSize is not implemented for datatype ", index);
    }
    return DataTypeSizes[static_cast<std::size_t>(index)];
}

int GetDataTypeID(int index)
{
    if (index < 0 || index >= static_cast<int>(DataTypeIDs.size())) {
        QZ_THROW("qz::core::GetDataTypeID", "GetDataTypeID is not implemented for datatype ", index);
    }
    return DataTypeIDs[static_cast<std::size_t>(index)];
}

const char* GetDataTypeName(int index)
{
    if (index < 0 || index >= static_cast<int>(DataTypeNames.size())) return "undefined";
    return DataTypeNames[static_cast<std::size_t>(index)];
}

}  // namespace qz::core
