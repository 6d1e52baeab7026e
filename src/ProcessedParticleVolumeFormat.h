#pragma once
// Byte layout of processed particle volume files (.ppv): a 56-byte file header, then one
// 40-byte record per brick, each directly followed by its snappy-compressed payload. There
// is no brick count and no end marker. Every integer and float is little-endian; the
// layouts are encoded field by field, so padding bytes are always written as zero.
//
// Payload, uncompressed: the W level-0 occupancy words (16 bytes each, component 0
// first), then W attribute offsets (u32) when the record's flag is set, then the
// attribute values (u16), W = (S/4)(S/4)(S/8) for brick size S.

#include "src/OccupancyWord.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

struct ProcessedParticleVolumeFileHeader {
    static constexpr std::size_t Size = 56;
    static constexpr std::uint32_t CurrentVersion = 4;
    using Bytes = std::array<unsigned char, Size>;

    char magic[4] = {'P', 'P', 'V', '\0'};
    std::uint32_t version = CurrentVersion;
    std::uint32_t levels = 0;
    std::uint32_t overlap = 0;
    // The program's occupancy packing at the time of writing.
    std::uint32_t packing[3] = {OccupancyPacking::Dimensions[0], OccupancyPacking::Dimensions[1],
                                OccupancyPacking::Dimensions[2]};
    std::uint32_t brickSize = 0;
    float boxMin[3] = {0, 0, 0};
    float boxMax[3] = {0, 0, 0};

    Bytes ToBytes() const;
    static ProcessedParticleVolumeFileHeader FromBytes(const Bytes& bytes);

    // Reads the header at the stream's position into this object and checks magic,
    // packing and version; throws on a short read or a bad header.
    void CheckFile(std::FILE* file);
    // Opens the file, checks its header as above and closes it again.
    void CheckFile(const std::string& fileName);
    // The checks of CheckFile on the fields as they are.
    void Check() const;
};

struct ProcessedParticleVolumeBrickRecord {
    static constexpr std::size_t Size = 40;
    using Bytes = std::array<unsigned char, Size>;

    std::uint32_t level = 0;
    std::uint32_t position[3] = {0, 0, 0};
    std::uint64_t totalParticleCount = 0;
    std::uint32_t compressedSize = 0;
    // 2 x the number of attribute values.
    std::uint32_t valueByteSize = 0;
    // The payload holds attribute offsets.
    bool hasOffsets = false;

    Bytes ToBytes() const;
    // Any non-zero flag byte means offsets; the padding is ignored.
    static ProcessedParticleVolumeBrickRecord FromBytes(const Bytes& bytes);
};

namespace PpvLayout {

struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
// An open C stream, closed on every path out.
using File = std::unique_ptr<std::FILE, CloseFile>;

// The file opened for reading; throws "Could not open <name>" (with "(not a regular
// file)" for FIFOs and devices) as the method's report.
File OpenForReading(const char* method, const std::string& fileName);

// Level-0 occupancy words of a brick of edge `brickSize`.
constexpr std::uint64_t WordCount(std::uint32_t brickSize)
{
    return OccupancyGrid(brickSize).WordCount();
}

// Payload bytes before compression; 64-bit so that no field combination wraps.
constexpr std::uint64_t UncompressedSize(std::uint32_t brickSize, bool hasOffsets, std::uint32_t valueByteSize)
{
    const std::uint64_t words = WordCount(brickSize);
    return 16 * words + (hasOffsets ? 4 * words : 0) + valueByteSize;
}

}  // namespace PpvLayout

// Every part of the file format reports as one source file, whichever file holds it.
#define QZ_PPV_THROW(method, ...)                                                                  \
    ::qz::core::ThrowErrorReport(method, ::qz::core::ReportFileName("src/ProcessedParticleVolume.cpp"), \
                                 __LINE__, __VA_ARGS__)
