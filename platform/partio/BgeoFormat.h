#pragma once
// Classic binary BGEO, as far as points go. Everything is big-endian.
//
//   "Bgeo" 'V' int32 version (5)
//   int32 nPoints nPrims nPointGroups nPrimGroups nPointAttrib nVertexAttrib nPrimAttrib nAttrib
//   nPointAttrib definitions: uint16 name length, name, uint16 size, int32 type, then
//     float/int/vector: size 4-byte defaults; index: int32 count, count (uint16 length, bytes)
//   nPoints records: P as 4 floats (w dropped), then each attribute's size 4-byte words
//   primitives, groups and the other attribute classes follow; they are not read.

#include "platform/partio/Partio.h"

#include <cstdint>
#include <optional>

namespace platform::partio {

constexpr char BgeoMagic[4] = {'B', 'g', 'e', 'o'};
constexpr char BgeoVersionTag = 'V';
constexpr std::int32_t BgeoVersion = 5;
constexpr int BgeoHeaderCounts = 8;
constexpr std::uint64_t BgeoPositionBytes = 16;

enum BgeoAttributeType : std::int32_t {
    BgeoFloat = 0,
    BgeoInt = 1,
    BgeoIndex = 4,
    BgeoVector = 5,
};

inline std::optional<Partio::ParticleAttributeType> ToPartioType(std::int32_t bgeoType)
{
    switch (bgeoType) {
    case BgeoFloat: return Partio::FLOAT;
    case BgeoInt: return Partio::INT;
    case BgeoIndex: return Partio::INDEXEDSTR;
    case BgeoVector: return Partio::VECTOR;
    default: return std::nullopt;
    }
}

inline std::optional<BgeoAttributeType> ToBgeoType(Partio::ParticleAttributeType type)
{
    switch (type) {
    case Partio::FLOAT: return BgeoFloat;
    case Partio::INT: return BgeoInt;
    case Partio::INDEXEDSTR: return BgeoIndex;
    case Partio::VECTOR: return BgeoVector;
    default: return std::nullopt;
    }
}

}  // namespace platform::partio
