#pragma once
// Raw particle records become volume particles: the position as read (no scaling, no
// exchange of axes) and the attribute value of the volume's kind.
//
//   RawParticle_Pos, _PosNormal, _PosRad  -> no attribute (normal, radius dropped)
//   RawParticle_PosVel                    -> |v| in single precision, unscaled
//   RawParticle_PosCol                    -> red, green, blue (0-255), count 0

#include "src/ParticleTypes.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <span>
#include <vector>

// Axis-aligned box of positions: minimum x, y, z, then maximum x, y, z. Starts empty.
struct PositionBox {
    float bounds[6] = {FLT_MAX, FLT_MAX, FLT_MAX, -FLT_MAX, -FLT_MAX, -FLT_MAX};

    // NaN positions leave the box as it is.
    void Grow(float x, float y, float z)
    {
        const float p[3] = {x, y, z};
        for (int a = 0; a < 3; ++a) {
            if (p[a] < bounds[a]) bounds[a] = p[a];
            if (p[a] > bounds[a + 3]) bounds[a + 3] = p[a];
        }
    }
    void Grow(const PositionBox& other)
    {
        for (int a = 0; a < 3; ++a) {
            if (other.bounds[a] < bounds[a]) bounds[a] = other.bounds[a];
            if (other.bounds[a + 3] > bounds[a + 3]) bounds[a + 3] = other.bounds[a + 3];
        }
    }
    // True until a position with a number on every axis has been added.
    bool IsEmpty() const
    {
        return !(bounds[0] <= bounds[3] && bounds[1] <= bounds[4] && bounds[2] <= bounds[5]);
    }
};

// The attribute kind that a record type fills.
template <class T>
struct RecordAttributes {
    using Type = ParticleTypes::ParticleAttributes_None;
};
template <>
struct RecordAttributes<ParticleTypes::RawParticle_PosVel> {
    using Type = ParticleTypes::ParticleAttributes_VMag;
};
template <>
struct RecordAttributes<ParticleTypes::RawParticle_PosCol> {
    using Type = ParticleTypes::ParticleAttributes_ColorCount;
};

template <class T>
using RecordParticle = ParticleTypes::VolumeParticle<typename RecordAttributes<T>::Type>;

template <class T>
inline RecordParticle<T> ConvertRecord(const T& r)
{
    return {r.x, r.y, r.z, {}};
}

template <>
inline RecordParticle<ParticleTypes::RawParticle_PosVel> ConvertRecord(const ParticleTypes::RawParticle_PosVel& r)
{
    return {r.x, r.y, r.z, {std::sqrt(r.vx * r.vx + r.vy * r.vy + r.vz * r.vz)}};
}

template <>
inline RecordParticle<ParticleTypes::RawParticle_PosCol> ConvertRecord(const ParticleTypes::RawParticle_PosCol& r)
{
    return {r.x, r.y, r.z, {r.red, r.green, r.blue, 0}};
}

// Converts `count` records into `out`, in parallel; grows `box` when given.
template <class T>
void ConvertRecords(const T* records, std::size_t count, RecordParticle<T>* out, PositionBox* box);

// Appends the converted records to `chunk` (a vector of RecordParticle<T>).
template <class T, class Chunk>
void AppendConverted(std::span<const T> records, Chunk& chunk, PositionBox* box)
{
    // Sized first so that the threads write disjoint parts of it.
    const std::size_t first = chunk.size();
    chunk.resize(first + records.size());
    ConvertRecords(records.data(), records.size(), chunk.data() + first, box);
}
template <class T, class Chunk>
void AppendConverted(const std::vector<T>& records, Chunk& chunk, PositionBox* box)
{
    AppendConverted(std::span<const T>(records), chunk, box);
}

#define QZ_FOR_EACH_RECORD_TYPE(X)        \
    X(ParticleTypes::RawParticle_Pos)     \
    X(ParticleTypes::RawParticle_PosVel)  \
    X(ParticleTypes::RawParticle_PosCol)  \
    X(ParticleTypes::RawParticle_PosRad)  \
    X(ParticleTypes::RawParticle_PosNormal)

// Compiled once, without floating-point contraction, so every build gives the same bits.
#define QZ_DECLARE_CONVERT_CHUNK(T) \
    extern template void ConvertRecords<T>(const T*, std::size_t, RecordParticle<T>*, PositionBox*);
QZ_FOR_EACH_RECORD_TYPE(QZ_DECLARE_CONVERT_CHUNK)
#undef QZ_DECLARE_CONVERT_CHUNK
