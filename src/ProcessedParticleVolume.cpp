#include "src/ProcessedParticleVolume.h"

#include "tarnwick/core/ErrorReport.h"
#include "tarnwick/core/SimpleVec4.h"

#include <snappy.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <set>
#include <tuple>

// Payloads are the in-memory arrays copied as they are.
static_assert(std::endian::native == std::endian::little);

namespace {

constexpr const char* WriterConstructorMethod =
    "ProcessedParticleVolumeWriter<class qz::core::SimpleVec4<unsigned int> >::ProcessedParticleVolumeWriter";
constexpr const char* WriteBrickMethod =
    "ProcessedParticleVolumeWriter<class qz::core::SimpleVec4<unsigned int> >::WriteBrick";
constexpr const char* CloseMethod = "ProcessedParticleVolumeWriter<class qz::core::SimpleVec4<unsigned int> >::Close";
constexpr const char* LoadFromFileMethod =
    "ProcessedParticleVolumeReader<class qz::core::SimpleVec4<unsigned int> >::LoadFromFile";
constexpr const char* ReadV4Method = "ProcessedParticleVolumeReader<class qz::core::SimpleVec4<unsigned int> >::ReadV4";

// Packed voxel coordinates have ten bits; a word packs eight voxels in z.
constexpr std::uint32_t MinBrickSize = 8;
constexpr std::uint32_t MaxBrickSize = 1024;
// Brick positions of every level must fit 32 bits.
constexpr std::uint32_t MaxLevelCount = 32;
// Snappy's densest element is a 3-byte copy of 64 bytes; with the length prefix and the
// literal a stream must start with, no payload expands further than this.
constexpr std::uint64_t MaxSnappyExpansion = 22;
constexpr std::uint64_t SnappyExpansionSlack = 64;

std::string ErrorText()
{
    return std::strerror(errno);
}

// The positions on the way to and at a level: 0 ... 2^level - 1.
bool IsInsideLevel(const std::uint32_t position[3], std::uint32_t level)
{
    const std::uint64_t cells = std::uint64_t {1} << level;
    return position[0] < cells && position[1] < cells && position[2] < cells;
}

// Attribute offsets name the first value of each non-empty word, values follow the set
// bits word by word, and an odd count has one padding value. Anything else would send
// the renderer to values that are not there.
template <class Word>
bool AttributesFollowOccupancy(const ProcessedBrick<Word>& brick)
{
    if (brick.attributeOffsets.empty()) return brick.attributeValues.empty();
    std::uint64_t count = 0;
    for (std::size_t w = 0; w < brick.words.size(); ++w) {
        const Word& word = brick.words[w];
        const int bits = std::popcount(word.x) + std::popcount(word.y) + std::popcount(word.z) + std::popcount(word.w);
        if (bits == 0) continue;
        if (brick.attributeOffsets[w] != count) return false;
        count += static_cast<std::uint64_t>(bits);
    }
    return brick.attributeValues.size() == count + (count & 1);
}

}  // namespace

template <class Word>
ProcessedBrickView<Word> ProcessedBrickView<Word>::Of(const ProcessedBrick<Word>& brick)
{
    ProcessedBrickView view;
    view.level = brick.level;
    std::copy(std::begin(brick.position), std::end(brick.position), view.position);
    view.totalParticleCount = brick.totalParticleCount;
    view.words = brick.words;
    view.attributeOffsets = brick.attributeOffsets;
    view.attributeValues = brick.attributeValues;
    return view;
}

// ---------------------------------------------------------------------------------------
// Writer

template <class Word>
ProcessedParticleVolumeWriter<Word>::ProcessedParticleVolumeWriter(const std::string& fileName, std::uint32_t levels,
                                                                   std::uint32_t brickSize, std::uint32_t overlap,
                                                                   const float box[6])
    : fileName_(fileName)
{
    static_assert(sizeof(Word) == 16);
    if (!file_.Open(fileName)) QZ_PPV_THROW(WriterConstructorMethod, "Could not open ", fileName, " for writing");

    header_.levels = levels;
    header_.overlap = overlap;
    header_.brickSize = brickSize;
    std::copy(box, box + 3, header_.boxMin);
    std::copy(box + 3, box + 6, header_.boxMax);
    const auto bytes = header_.ToBytes();
    if (!file_.Write(bytes.data(), bytes.size())) {
        QZ_PPV_THROW(WriterConstructorMethod, "File m_fileHeader writing failed");
    }
}

template <class Word>
void ProcessedParticleVolumeWriter<Word>::WriteBrick(const ProcessedBrickView<Word>& brick)
{
    const std::uint64_t wordCount = PpvLayout::WordCount(header_.brickSize);
    if (brick.words.size() != wordCount) QZ_PPV_THROW(WriteBrickMethod, "Invalid element count");
    if (!file_.IsOpen()) QZ_PPV_THROW(WriteBrickMethod, "File is not open");

    const std::size_t wordBytes = brick.words.size_bytes();
    const std::size_t offsetBytes = brick.attributeOffsets.size_bytes();
    const std::size_t valueBytes = brick.attributeValues.size_bytes();
    // The reader knows the offsets by their count and the values by a 32-bit byte size.
    if ((offsetBytes != 0 && brick.attributeOffsets.size() != wordCount) || valueBytes > 0xFFFFFFFFu) {
        QZ_PPV_THROW(WriteBrickMethod, "Invalid element count");
    }

    ProcessedParticleVolumeBrickRecord record;
    record.level = brick.level;
    std::copy(std::begin(brick.position), std::end(brick.position), record.position);
    record.totalParticleCount = brick.totalParticleCount;
    record.valueByteSize = static_cast<std::uint32_t>(valueBytes);
    record.hasOffsets = offsetBytes != 0;

    const std::size_t size = wordBytes + offsetBytes + valueBytes;
    const std::unique_ptr<char[]> uncompressed(new char[size]);
    std::memcpy(uncompressed.get(), brick.words.data(), wordBytes);
    if (offsetBytes) std::memcpy(uncompressed.get() + wordBytes, brick.attributeOffsets.data(), offsetBytes);
    if (valueBytes) std::memcpy(uncompressed.get() + wordBytes + offsetBytes, brick.attributeValues.data(), valueBytes);

    const std::unique_ptr<char[]> compressed(new char[snappy::MaxCompressedLength(size)]);
    std::size_t compressedSize = 0;
    snappy::RawCompress(uncompressed.get(), size, compressed.get(), &compressedSize);
    if (compressedSize > 0xFFFFFFFFu) QZ_PPV_THROW(WriteBrickMethod, "Invalid element count");
    record.compressedSize = static_cast<std::uint32_t>(compressedSize);

    const auto recordBytes = record.ToBytes();
    if (!file_.Write(recordBytes.data(), recordBytes.size())) QZ_PPV_THROW(WriteBrickMethod, "Brick header writing failed");
    if (!file_.Write(compressed.get(), compressedSize)) QZ_PPV_THROW(WriteBrickMethod, "Brick data writing failed");
}

template <class Word>
void ProcessedParticleVolumeWriter<Word>::Close()
{
    if (!file_.IsOpen()) QZ_PPV_THROW(CloseMethod, "File is not open");
    if (!file_.Commit()) QZ_PPV_THROW(CloseMethod, "Could not complete ", fileName_, " (", ErrorText(), ")");
}

// ---------------------------------------------------------------------------------------
// Reader

template <class Word>
void ProcessedParticleVolumeReader<Word>::LoadFromFile(const std::string& fileName)
{
    loadedBricks.clear();
    const PpvLayout::File file(std::fopen(fileName.c_str(), "rb"));
    if (!file) QZ_PPV_THROW(LoadFromFileMethod, "Could not open ", fileName);

    header.CheckFile(file.get());
    if (static_cast<std::int64_t>(header.overlap) != applicationOverlap) {
        QZ_PPV_THROW(LoadFromFileMethod, "File overlap is ", header.overlap, ", but application overlap is ",
                     applicationOverlap);
    }
    if (applicationBrickSize != Unset && header.brickSize != applicationBrickSize) {
        QZ_PPV_THROW(LoadFromFileMethod, "Invalid brick size: File contains ", header.brickSize,
                     ", volume is set to ", applicationBrickSize);
    }
    if (applicationLevelCount != Unset && header.levels != applicationLevelCount) {
        QZ_PPV_THROW(LoadFromFileMethod, "Invalid level count: File contains ", header.levels,
                     ", volume is set to ", applicationLevelCount);
    }
    if (header.version != ProcessedParticleVolumeFileHeader::CurrentVersion) {
        QZ_PPV_THROW(LoadFromFileMethod, "Invalid PPV version: ", header.version);
    }
    try {
        ReadV4(file.get());
    } catch (...) {
        loadedBricks.clear();
        throw;
    }
}

template <class Word>
void ProcessedParticleVolumeReader<Word>::ReadV4(std::FILE* file)
{
    const std::uint32_t brickSize = header.brickSize;
    if (brickSize < MinBrickSize || brickSize > MaxBrickSize || !std::has_single_bit(brickSize)) {
        QZ_PPV_THROW(ReadV4Method, "Invalid brick size: File contains ", brickSize, ", which is no power of two from ",
                     MinBrickSize, " to ", MaxBrickSize);
    }
    if (header.levels < 1 || header.levels > MaxLevelCount) {
        QZ_PPV_THROW(ReadV4Method, "Invalid level count: File contains ", header.levels, ", which is not from 1 to ",
                     MaxLevelCount);
    }
    for (int a = 0; a < 3; ++a) {
        // The volume adopts the box and divides by its extent.
        if (!std::isfinite(header.boxMin[a]) || !std::isfinite(header.boxMax[a]) || header.boxMin[a] > header.boxMax[a]) {
            QZ_PPV_THROW(ReadV4Method, "Invalid bounding box: [", header.boxMin[0], ", ", header.boxMin[1], ", ",
                         header.boxMin[2], "] - [", header.boxMax[0], ", ", header.boxMax[1], ", ", header.boxMax[2],
                         "]");
        }
    }
    const std::uint64_t wordCount = PpvLayout::WordCount(brickSize);

    // Every size in the file is compared with what is left of it before anything is
    // allocated for it.
    const std::int64_t start = ftello(file);
    if (start < 0 || fseeko(file, 0, SEEK_END) != 0) {
        QZ_PPV_THROW(ReadV4Method, "Could not determine the file size (", ErrorText(), ")");
    }
    const std::int64_t end = ftello(file);
    if (end < start || fseeko(file, start, SEEK_SET) != 0) {
        QZ_PPV_THROW(ReadV4Method, "Could not determine the file size (", ErrorText(), ")");
    }
    std::uint64_t remaining = static_cast<std::uint64_t>(end - start);

    std::set<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t>> stored;
    std::vector<char> compressed;
    while (remaining != 0) {
        ProcessedParticleVolumeBrickRecord::Bytes recordBytes {};
        if (remaining < recordBytes.size() || std::fread(recordBytes.data(), 1, recordBytes.size(), file) != recordBytes.size()) {
            QZ_PPV_THROW(ReadV4Method, "Invalid number of bytes during header read");
        }
        remaining -= recordBytes.size();
        const auto record = ProcessedParticleVolumeBrickRecord::FromBytes(recordBytes);

        if (record.level >= header.levels || !IsInsideLevel(record.position, record.level)) {
            QZ_PPV_THROW(ReadV4Method, "Invalid brick position: [", record.position[0], ", ", record.position[1], ", ",
                         record.position[2], "] at level ", record.level, " of ", header.levels);
        }
        if (!stored.emplace(record.level, record.position[0], record.position[1], record.position[2]).second) {
            QZ_PPV_THROW(ReadV4Method, "Brick stored twice: [", record.position[0], ", ", record.position[1], ", ",
                         record.position[2], "] at level ", record.level);
        }
        // Two bytes a value, one value per voxel at the most.
        if (record.valueByteSize % 2 != 0 || record.valueByteSize > 2 * 128 * wordCount) {
            QZ_PPV_THROW(ReadV4Method, "Invalid attribute value byte size: ", record.valueByteSize);
        }
        const std::uint64_t expected = PpvLayout::UncompressedSize(brickSize, record.hasOffsets, record.valueByteSize);
        if (record.compressedSize > remaining) {
            QZ_PPV_THROW(ReadV4Method, "Invalid number of bytes during brick data read");
        }
        if (record.compressedSize > snappy::MaxCompressedLength(expected)) {
            QZ_PPV_THROW(ReadV4Method, "Invalid compressed brick size: ", record.compressedSize, " for ", expected,
                         " bytes");
        }
        compressed.resize(record.compressedSize);
        if (std::fread(compressed.data(), 1, compressed.size(), file) != compressed.size()) {
            QZ_PPV_THROW(ReadV4Method, "Invalid number of bytes during brick data read");
        }
        remaining -= record.compressedSize;

        std::size_t announced = 0;
        if (!snappy::GetUncompressedLength(compressed.data(), compressed.size(), &announced)) {
            QZ_PPV_THROW(ReadV4Method, "Error during snappy::GetUncompressedLength");
        }
        if (announced != expected || expected > MaxSnappyExpansion * compressed.size() + SnappyExpansionSlack) {
            QZ_PPV_THROW(ReadV4Method, "Decompressed data size does not match");
        }
        const std::unique_ptr<char[]> uncompressed(new char[expected]);
        if (!snappy::RawUncompress(compressed.data(), compressed.size(), uncompressed.get())) {
            QZ_PPV_THROW(ReadV4Method, "Error during snappy::RawUncompress");
        }

        LoadedBrick& brick = loadedBricks.emplace_back();
        brick.level = record.level;
        std::copy(std::begin(record.position), std::end(record.position), brick.position);
        brick.totalParticleCount = record.totalParticleCount;
        const char* source = uncompressed.get();
        brick.words.resize(wordCount);
        std::memcpy(brick.words.data(), source, 16 * wordCount);
        source += 16 * wordCount;
        if (record.hasOffsets) {
            brick.attributeOffsets.resize(wordCount);
            std::memcpy(brick.attributeOffsets.data(), source, 4 * wordCount);
            source += 4 * wordCount;
        }
        brick.attributeValues.resize(record.valueByteSize / 2);
        if (record.valueByteSize) std::memcpy(brick.attributeValues.data(), source, record.valueByteSize);
        if (!AttributesFollowOccupancy(brick)) {
            QZ_PPV_THROW(ReadV4Method, "Attribute data does not match the occupancy data");
        }
    }
}

template struct ProcessedBrickView<qz::core::SimpleVec4<unsigned int>>;
template class ProcessedParticleVolumeWriter<qz::core::SimpleVec4<unsigned int>>;
template class ProcessedParticleVolumeReader<qz::core::SimpleVec4<unsigned int>>;
