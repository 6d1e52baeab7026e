#include "src/ProcessedParticleVolumeFormat.h"

#include "platform/win/RegularFile.h"
#include "tarnwick/core/ErrorReport.h"

#include <bit>
#include <cstring>
#include <memory>

namespace {

constexpr const char* CheckFileMethod = "ProcessedParticleVolumeFileHeader::CheckFile";

// Little-endian fields at fixed offsets of a byte array.
template <std::size_t N>
void PutU32(std::array<unsigned char, N>& bytes, std::size_t offset, std::uint32_t value)
{
    for (std::size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<unsigned char>(value >> (8 * i));
}

template <std::size_t N>
void PutU64(std::array<unsigned char, N>& bytes, std::size_t offset, std::uint64_t value)
{
    for (std::size_t i = 0; i < 8; ++i) bytes[offset + i] = static_cast<unsigned char>(value >> (8 * i));
}

template <std::size_t N>
std::uint32_t GetU32(const std::array<unsigned char, N>& bytes, std::size_t offset)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value |= std::uint32_t {bytes[offset + i]} << (8 * i);
    return value;
}

template <std::size_t N>
std::uint64_t GetU64(const std::array<unsigned char, N>& bytes, std::size_t offset)
{
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < 8; ++i) value |= std::uint64_t {bytes[offset + i]} << (8 * i);
    return value;
}

}  // namespace

ProcessedParticleVolumeFileHeader::Bytes ProcessedParticleVolumeFileHeader::ToBytes() const
{
    Bytes bytes {};
    std::memcpy(bytes.data(), magic, 4);
    PutU32(bytes, 4, version);
    PutU32(bytes, 8, levels);
    PutU32(bytes, 12, overlap);
    for (std::size_t i = 0; i < 3; ++i) PutU32(bytes, 16 + 4 * i, packing[i]);
    PutU32(bytes, 28, brickSize);
    for (std::size_t i = 0; i < 3; ++i) {
        PutU32(bytes, 32 + 4 * i, std::bit_cast<std::uint32_t>(boxMin[i]));
        PutU32(bytes, 44 + 4 * i, std::bit_cast<std::uint32_t>(boxMax[i]));
    }
    return bytes;
}

ProcessedParticleVolumeFileHeader ProcessedParticleVolumeFileHeader::FromBytes(const Bytes& bytes)
{
    ProcessedParticleVolumeFileHeader header;
    std::memcpy(header.magic, bytes.data(), 4);
    header.version = GetU32(bytes, 4);
    header.levels = GetU32(bytes, 8);
    header.overlap = GetU32(bytes, 12);
    for (std::size_t i = 0; i < 3; ++i) header.packing[i] = GetU32(bytes, 16 + 4 * i);
    header.brickSize = GetU32(bytes, 28);
    for (std::size_t i = 0; i < 3; ++i) {
        header.boxMin[i] = std::bit_cast<float>(GetU32(bytes, 32 + 4 * i));
        header.boxMax[i] = std::bit_cast<float>(GetU32(bytes, 44 + 4 * i));
    }
    return header;
}

void ProcessedParticleVolumeFileHeader::Check() const
{
    // The fourth magic byte has never been looked at; files with anything there load.
    if (magic[0] != 'P' || magic[1] != 'P' || magic[2] != 'V') QZ_PPV_THROW(CheckFileMethod, "Invalid magic string");
    for (int i = 0; i < 3; ++i) {
        if (packing[i] != OccupancyPacking::Dimensions[i]) {
            QZ_PPV_THROW(CheckFileMethod, "File packing dim #", i, " ", packing[i], ", but application packing dim #",
                         i, " is ", OccupancyPacking::Dimensions[i]);
        }
    }
    if (version != CurrentVersion) QZ_PPV_THROW(CheckFileMethod, "Invalid PPV version: ", version);
}

void ProcessedParticleVolumeFileHeader::CheckFile(std::FILE* file)
{
    Bytes bytes {};
    if (std::fread(bytes.data(), 1, Size, file) != Size) {
        QZ_PPV_THROW(CheckFileMethod, "Invalid number of bytes during header read");
    }
    *this = FromBytes(bytes);
    Check();
}

PpvLayout::File PpvLayout::OpenForReading(const char* method, const std::string& fileName)
{
    std::string failure;
    File file(platform::win::OpenRegularFile(fileName, failure));
    if (file) return file;
    if (failure == platform::win::NotARegularFileText) QZ_PPV_THROW(method, "Could not open ", fileName, " (", failure, ")");
    QZ_PPV_THROW(method, "Could not open ", fileName);
}

void ProcessedParticleVolumeFileHeader::CheckFile(const std::string& fileName)
{
    CheckFile(PpvLayout::OpenForReading(CheckFileMethod, fileName).get());
}

ProcessedParticleVolumeBrickRecord::Bytes ProcessedParticleVolumeBrickRecord::ToBytes() const
{
    Bytes bytes {};  // the seven padding bytes stay zero
    PutU32(bytes, 0, level);
    for (std::size_t i = 0; i < 3; ++i) PutU32(bytes, 4 + 4 * i, position[i]);
    PutU64(bytes, 16, totalParticleCount);
    PutU32(bytes, 24, compressedSize);
    PutU32(bytes, 28, valueByteSize);
    bytes[32] = hasOffsets ? 1 : 0;
    return bytes;
}

ProcessedParticleVolumeBrickRecord ProcessedParticleVolumeBrickRecord::FromBytes(const Bytes& bytes)
{
    ProcessedParticleVolumeBrickRecord record;
    record.level = GetU32(bytes, 0);
    for (std::size_t i = 0; i < 3; ++i) record.position[i] = GetU32(bytes, 4 + 4 * i);
    record.totalParticleCount = GetU64(bytes, 16);
    record.compressedSize = GetU32(bytes, 24);
    record.valueByteSize = GetU32(bytes, 28);
    record.hasOffsets = bytes[32] != 0;
    return record;
}
