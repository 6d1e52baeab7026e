#include "src/ProcessedParticleVolume.h"

#include "src/BatchWorkers.h"
#include "src/VolumeGeometry.h"

#include "tarnwick/core/ErrorReport.h"
#include "tarnwick/core/SimpleVec4.h"

#include <snappy.h>
#include <sys/uio.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <exception>
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

// Below this many payload bytes the work is done before a helper thread would wake.
constexpr std::size_t ParallelBytes = std::size_t {1} << 20;

// Set bits of a 64-bit value; the build targets processors without a count instruction,
// where std::popcount becomes a library call per word.
constexpr std::uint64_t BitCount(std::uint64_t v)
{
    v = v - ((v >> 1) & 0x5555555555555555ull);
    v = (v & 0x3333333333333333ull) + ((v >> 2) & 0x3333333333333333ull);
    v = (v + (v >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return (v * 0x0101010101010101ull) >> 56;
}
static_assert(BitCount(0) == 0 && BitCount(~0ull) == 64 && BitCount(0x8000000000000001ull) == 2);

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
        if ((word.x | word.y | word.z | word.w) == 0) continue;
        const std::uint64_t bits = BitCount(std::uint64_t {word.x} | std::uint64_t {word.y} << 32) +
                                   BitCount(std::uint64_t {word.z} | std::uint64_t {word.w} << 32);
        if (brick.attributeOffsets[w] != count) return false;
        count += bits;
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
    : fileName_(fileName), uncaughtAtStart_(std::uncaught_exceptions())
{
    static_assert(sizeof(Word) == 16);
    if (!file_.Open(fileName)) QZ_REPORT_SAVE_FAILURE(fileName, file_.Error(),
                                                      QZ_PPV_THROW(WriterConstructorMethod, "Could not open ", fileName, " for writing"));

    header_.levels = levels;
    header_.overlap = overlap;
    header_.brickSize = brickSize;
    std::copy(box, box + 3, header_.boxMin);
    std::copy(box + 3, box + 6, header_.boxMax);
    const auto bytes = header_.ToBytes();
    if (!file_.Write(bytes.data(), bytes.size())) {
        QZ_REPORT_SAVE_FAILURE(fileName_, file_.Error(), QZ_PPV_THROW(WriterConstructorMethod, "File m_fileHeader writing failed"));
    }
}

template <class Word>
ProcessedParticleVolumeWriter<Word>::~ProcessedParticleVolumeWriter()
{
    if (!file_.IsOpen()) return;
    if (writeFailed_ || std::uncaught_exceptions() > uncaughtAtStart_) {
        file_.Discard();
        return;
    }
    try {
        Close();
    } catch (const qz::core::Exception&) {
        // Reported where it failed; a destructor goes on.
    }
}

template <class Word>
void ProcessedParticleVolumeWriter<Word>::WriteBrick(const ProcessedBrickView<Word>& brick)
{
    WriteBricks(std::span<const ProcessedBrickView<Word>>(&brick, 1));
}

template <class Word>
void ProcessedParticleVolumeWriter<Word>::WriteBricks(std::span<const ProcessedBrickView<Word>> bricks)
{
    try {
        WriteAll(bricks);
    } catch (...) {
        writeFailed_ = true;
        throw;
    }
}

template <class Word>
void ProcessedParticleVolumeWriter<Word>::WriteAll(std::span<const ProcessedBrickView<Word>> bricks)
{
    // Every brick is checked before anything is written.
    const std::uint64_t wordCount = PpvLayout::WordCount(header_.brickSize);
    std::size_t totalBytes = 0;
    for (const ProcessedBrickView<Word>& brick : bricks) {
        // The reader knows the offsets by their count and the values by a 32-bit byte size.
        if (brick.words.size() != wordCount ||
            (!brick.attributeOffsets.empty() && brick.attributeOffsets.size() != wordCount) ||
            brick.attributeValues.size_bytes() > 0xFFFFFFFFu) {
            QZ_PPV_THROW(WriteBrickMethod, "Invalid element count");
        }
        totalBytes += PayloadBytes(brick);
    }
    if (!file_.IsOpen()) QZ_PPV_THROW(WriteBrickMethod, "File is not open");

    // Batches of bricks are compressed side by side on the helper threads while the batch
    // before them is written, in file order, on this thread.
    std::vector<std::span<const ProcessedBrickView<Word>>> batches;
    for (std::size_t first = 0; first < bricks.size();) {
        std::size_t end = first;
        for (std::size_t bytes = 0; end < bricks.size() && (end == first || bytes < BatchBytes); ++end) {
            bytes += PayloadBytes(bricks[end]);
        }
        batches.push_back(bricks.subspan(first, end - first));
        first = end;
    }
    if (totalBytes < ParallelBytes) {
        for (const auto& batch : batches) {
            CompressBatch(batch, 0, nullptr);
            WriteBatch(batch, 0);
        }
        return;
    }
    CompressBatch(batches[0], 0, &workers_);
    for (std::size_t k = 0; k < batches.size(); ++k) {
        const bool next = k + 1 < batches.size();
        if (next) {
            PrepareSlots(batches[k + 1], (k + 1) % 2);
            workers_.Start(static_cast<std::int64_t>(batches[k + 1].size()),
                           [this, batch = batches[k + 1], set = (k + 1) % 2](std::int64_t i) {
                               CompressBrick(batch[static_cast<std::size_t>(i)], slots_[set][static_cast<std::size_t>(i)]);
                           });
        }
        try {
            WriteBatch(batches[k], k % 2);
        } catch (...) {
            workers_.Wait();
            throw;
        }
        workers_.Wait();
    }
}

template <class Word>
std::size_t ProcessedParticleVolumeWriter<Word>::PayloadBytes(const ProcessedBrickView<Word>& brick)
{
    return brick.words.size_bytes() + brick.attributeOffsets.size_bytes() + brick.attributeValues.size_bytes();
}

template <class Word>
void ProcessedParticleVolumeWriter<Word>::PrepareSlots(std::span<const ProcessedBrickView<Word>> batch, std::size_t set)
{
    if (slots_[set].size() < batch.size()) slots_[set].resize(batch.size());
}

template <class Word>
void ProcessedParticleVolumeWriter<Word>::CompressBatch(std::span<const ProcessedBrickView<Word>> batch, std::size_t set,
                                                        BatchWorkers* workers)
{
    PrepareSlots(batch, set);
    const auto item = [&](std::int64_t i) {
        CompressBrick(batch[static_cast<std::size_t>(i)], slots_[set][static_cast<std::size_t>(i)]);
    };
    if (workers) {
        workers->Run(static_cast<std::int64_t>(batch.size()), item);
    } else {
        for (std::size_t i = 0; i < batch.size(); ++i) item(static_cast<std::int64_t>(i));
    }
}

template <class Word>
void ProcessedParticleVolumeWriter<Word>::CompressBrick(const ProcessedBrickView<Word>& brick, PayloadSlot& slot)
{
    const std::size_t wordBytes = brick.words.size_bytes();
    const std::size_t offsetBytes = brick.attributeOffsets.size_bytes();
    const std::size_t valueBytes = brick.attributeValues.size_bytes();
    const std::size_t size = wordBytes + offsetBytes + valueBytes;
    if (slot.uncompressed.size() < size) slot.uncompressed.resize(size);
    std::memcpy(slot.uncompressed.data(), brick.words.data(), wordBytes);
    if (offsetBytes) std::memcpy(slot.uncompressed.data() + wordBytes, brick.attributeOffsets.data(), offsetBytes);
    if (valueBytes) std::memcpy(slot.uncompressed.data() + wordBytes + offsetBytes, brick.attributeValues.data(), valueBytes);
    const std::size_t maxCompressed = snappy::MaxCompressedLength(size);
    if (slot.compressed.size() < maxCompressed) slot.compressed.resize(maxCompressed);
    snappy::RawCompress(slot.uncompressed.data(), size, slot.compressed.data(), &slot.compressedSize);
}

template <class Word>
void ProcessedParticleVolumeWriter<Word>::WriteBatch(std::span<const ProcessedBrickView<Word>> batch, std::size_t set)
{
    for (std::size_t i = 0; i < batch.size(); ++i) {
        const ProcessedBrickView<Word>& brick = batch[i];
        const PayloadSlot& slot = slots_[set][i];
        ProcessedParticleVolumeBrickRecord record;
        record.level = brick.level;
        std::copy(std::begin(brick.position), std::end(brick.position), record.position);
        record.totalParticleCount = brick.totalParticleCount;
        record.valueByteSize = static_cast<std::uint32_t>(brick.attributeValues.size_bytes());
        record.hasOffsets = !brick.attributeOffsets.empty();
        if (slot.compressedSize > 0xFFFFFFFFu) QZ_PPV_THROW(WriteBrickMethod, "Invalid element count");
        record.compressedSize = static_cast<std::uint32_t>(slot.compressedSize);

        const auto recordBytes = record.ToBytes();
        if (!file_.Write(recordBytes.data(), recordBytes.size())) {
            QZ_REPORT_SAVE_FAILURE(fileName_, file_.Error(), QZ_PPV_THROW(WriteBrickMethod, "Brick header writing failed"));
        }
        if (!file_.Write(slot.compressed.data(), slot.compressedSize)) {
            QZ_REPORT_SAVE_FAILURE(fileName_, file_.Error(), QZ_PPV_THROW(WriteBrickMethod, "Brick data writing failed"));
        }
    }
}

template <class Word>
void ProcessedParticleVolumeWriter<Word>::Close()
{
    if (!file_.IsOpen()) QZ_PPV_THROW(CloseMethod, "File is not open");
    if (!file_.Commit()) {
        QZ_REPORT_SAVE_FAILURE(fileName_, file_.Error(),
                               QZ_PPV_THROW(CloseMethod, "Could not complete ", fileName_, " (", std::strerror(file_.Error()), ")"));
    }
}

// ---------------------------------------------------------------------------------------
// Reader

template <class Word>
void ProcessedParticleVolumeReader<Word>::LoadFromFile(const std::string& fileName)
{
    loadedBricks.clear();
    const PpvLayout::File file = PpvLayout::OpenForReading(LoadFromFileMethod, fileName);

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
    if (!VolumeGeometry::IsValidBrickSize(brickSize)) {
        QZ_PPV_THROW(ReadV4Method, "Invalid brick size: File contains ", brickSize, ", which is no power of two from ",
                     VolumeGeometry::MinBrickSize, " to ", VolumeGeometry::MaxBrickSize);
    }
    if (header.levels < 1 || header.levels > VolumeGeometry::MaxLevelCount) {
        QZ_PPV_THROW(ReadV4Method, "Invalid level count: File contains ", header.levels, ", which is not from 1 to ",
                     VolumeGeometry::MaxLevelCount);
    }
    // The volume may adopt the box; the empty box of a file without particles is one.
    const float fileBox[6] = {header.boxMin[0], header.boxMin[1], header.boxMin[2],
                              header.boxMax[0], header.boxMax[1], header.boxMax[2]};
    if (!BoxMapping::CheckBox(fileBox).empty()) {
        QZ_PPV_THROW(ReadV4Method, "Invalid bounding box: ", qz::core::LogVector3(header.boxMin), " - ",
                     qz::core::LogVector3(header.boxMax));
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
    // Payloads are decompressed batch by batch in the background while the next batch is
    // read; bricks join loadedBricks in file order when their batch is done.
    PayloadBatch reading;
    PayloadBatch decompressing;
    BatchWorkers workers;  // after the batches: joined before they go
    bool inBackground = false;
    auto finishBackground = [&] {
        if (!inBackground) return;
        workers.Wait();
        inBackground = false;
        FinishBatch(decompressing);
    };
    try {
        while (remaining != 0) {
            ProcessedParticleVolumeBrickRecord::Bytes recordBytes {};
            if (remaining < recordBytes.size() ||
                std::fread(recordBytes.data(), 1, recordBytes.size(), file) != recordBytes.size()) {
                QZ_PPV_THROW(ReadV4Method, "Invalid number of bytes during header read");
            }
            remaining -= recordBytes.size();
            const auto record = ProcessedParticleVolumeBrickRecord::FromBytes(recordBytes);

            if (record.level >= header.levels || !IsInsideLevel(record.position, record.level)) {
                QZ_PPV_THROW(ReadV4Method, "Invalid brick position: ", qz::core::LogVector3(record.position), " at level ",
                             record.level, " of ", header.levels);
            }
            if (!stored.emplace(record.level, record.position[0], record.position[1], record.position[2]).second) {
                QZ_PPV_THROW(ReadV4Method, "Brick stored twice: ", qz::core::LogVector3(record.position), " at level ",
                             record.level);
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
            if (reading.bytes.capacity() == 0) reading.bytes.reserve(std::min<std::uint64_t>(remaining, 2 * BatchBytes));
            const std::size_t offset = reading.bytes.size();
            reading.bytes.resize(offset + record.compressedSize);
            char* compressed = reading.bytes.data() + offset;
            if (std::fread(compressed, 1, record.compressedSize, file) != record.compressedSize) {
                QZ_PPV_THROW(ReadV4Method, "Invalid number of bytes during brick data read");
            }
            remaining -= record.compressedSize;

            std::size_t announced = 0;
            if (!snappy::GetUncompressedLength(compressed, record.compressedSize, &announced)) {
                QZ_PPV_THROW(ReadV4Method, "Error during snappy::GetUncompressedLength");
            }
            // A stream cannot expand beyond snappy's densest code, so nothing is allocated
            // for sizes that a payload of this length cannot hold.
            if (announced != expected || expected > MaxSnappyExpansion * record.compressedSize + SnappyExpansionSlack) {
                QZ_PPV_THROW(ReadV4Method, "Decompressed data size does not match");
            }

            LoadedBrick& brick = reading.bricks.emplace_back();
            brick.level = record.level;
            std::copy(std::begin(record.position), std::end(record.position), brick.position);
            brick.totalParticleCount = record.totalParticleCount;
            reading.payloads.push_back({offset, record.compressedSize, record.hasOffsets, record.valueByteSize});
            if (reading.bytes.size() >= BatchBytes) {
                finishBackground();
                std::swap(reading, decompressing);
                reading.Clear();
                PrepareBatch(decompressing);
                inBackground = true;
                workers.Start(static_cast<std::int64_t>(decompressing.payloads.size()),
                              [&decompressing, wordCount](std::int64_t i) {
                                  DecompressItem(decompressing, wordCount, static_cast<std::size_t>(i));
                              });
            }
        }
    } catch (...) {
        // Bricks before the failing record may be broken too; their report comes first.
        finishBackground();
        DecompressBatch(reading, wordCount, workers);
        FinishBatch(reading);
        throw;
    }
    finishBackground();
    DecompressBatch(reading, wordCount, workers);
    FinishBatch(reading);
}

template <class Word>
void ProcessedParticleVolumeReader<Word>::PayloadBatch::Clear()
{
    bytes.clear();
    payloads.clear();
    bricks.clear();
    failures.clear();
}

template <class Word>
void ProcessedParticleVolumeReader<Word>::PrepareBatch(PayloadBatch& batch)
{
    batch.failures.assign(batch.payloads.size(), Failure::None);
}

template <class Word>
void ProcessedParticleVolumeReader<Word>::DecompressBatch(PayloadBatch& batch, std::uint64_t wordCount,
                                                          BatchWorkers& workers)
{
    PrepareBatch(batch);
    const auto count = static_cast<std::int64_t>(batch.payloads.size());
    const auto item = [&batch, wordCount](std::int64_t i) { DecompressItem(batch, wordCount, static_cast<std::size_t>(i)); };
    if (batch.bytes.size() < ParallelBytes) {
        for (std::int64_t i = 0; i < count; ++i) item(i);
    } else {
        workers.Run(count, item);
    }
}

template <class Word>
void ProcessedParticleVolumeReader<Word>::DecompressItem(PayloadBatch& batch, std::uint64_t wordCount, std::size_t index)
{
    const PendingPayload& payload = batch.payloads[index];
    LoadedBrick& brick = batch.bricks[index];
    brick.words.resize(wordCount);
    if (payload.hasOffsets) brick.attributeOffsets.resize(wordCount);
    brick.attributeValues.resize(payload.valueByteSize / 2);
    // Straight into the brick's vectors.
    iovec parts[3] = {{brick.words.data(), 16 * wordCount},
                      {brick.attributeOffsets.data(), 4 * brick.attributeOffsets.size()},
                      {brick.attributeValues.data(), payload.valueByteSize}};
    if (!snappy::RawUncompressToIOVec(batch.bytes.data() + payload.offset, payload.size, parts, 3)) {
        batch.failures[index] = Failure::Decompression;
    } else if (!AttributesFollowOccupancy(brick)) {
        batch.failures[index] = Failure::Attributes;
    }
}

template <class Word>
void ProcessedParticleVolumeReader<Word>::FinishBatch(PayloadBatch& batch)
{
    for (std::size_t i = 0; i < batch.failures.size(); ++i) {
        if (batch.failures[i] == Failure::Decompression) QZ_PPV_THROW(ReadV4Method, "Error during snappy::RawUncompress");
        if (batch.failures[i] == Failure::Attributes) {
            QZ_PPV_THROW(ReadV4Method, "Attribute data does not match the occupancy data");
        }
        loadedBricks.push_back(std::move(batch.bricks[i]));
    }
    batch.Clear();
}

template struct ProcessedBrickView<qz::core::SimpleVec4<unsigned int>>;
template class ProcessedParticleVolumeWriter<qz::core::SimpleVec4<unsigned int>>;
template class ProcessedParticleVolumeReader<qz::core::SimpleVec4<unsigned int>>;
