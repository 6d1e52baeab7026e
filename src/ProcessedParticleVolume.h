#pragma once
// Writer and reader of processed particle volume files (.ppv; layout in
// ProcessedParticleVolumeFormat.h). One file holds one timestep: every brick that has
// occupancy data, with its level-0 words and attribute data, snappy-compressed.
//
// Writing goes to a temporary file that Close (or the destructor) renames over the name;
// a save whose writing failed or that is left by an exception leaves no file that would
// load as a shorter volume. Reading checks every
// size against the header's limits and the bytes the file has before it allocates, and
// rejects bricks outside the octree, bricks stored twice, and attribute data that does not
// follow the occupancy bits.
//
// Instantiated for Word = qz::core::SimpleVec4<unsigned int>.

#include "src/BatchWorkers.h"
#include "src/ProcessedParticleVolumeFormat.h"
#include "tarnwick/utils/ReplacingFile.h"

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

// One brick as a file stores it.
template <class Word>
struct ProcessedBrick {
    std::uint32_t level = 0;
    std::uint32_t position[3] = {0, 0, 0};
    std::uint64_t totalParticleCount = 0;
    std::vector<Word> words;                     // level 0, W words
    std::vector<std::uint32_t> attributeOffsets;  // W or none
    std::vector<std::uint16_t> attributeValues;
};

// The data of one brick to be written, wherever it lives.
template <class Word>
struct ProcessedBrickView {
    std::uint32_t level = 0;
    std::uint32_t position[3] = {0, 0, 0};
    std::uint64_t totalParticleCount = 0;
    std::span<const Word> words;
    std::span<const std::uint32_t> attributeOffsets;
    std::span<const std::uint16_t> attributeValues;

    static ProcessedBrickView Of(const ProcessedBrick<Word>& brick);
};

template <class Word>
class ProcessedParticleVolumeWriter {
public:
    // Creates the file's temporary twin and writes the header. box: minimum x, y, z, then
    // maximum x, y, z.
    ProcessedParticleVolumeWriter(const std::string& fileName, std::uint32_t levels, std::uint32_t brickSize,
                                  std::uint32_t overlap, const float box[6]);
    // Completes the file as Close does, unless a write failed or an exception is leaving
    // the writer's scope: then nothing appears under the name. A failure here is logged.
    ~ProcessedParticleVolumeWriter();
    ProcessedParticleVolumeWriter(const ProcessedParticleVolumeWriter&) = delete;
    ProcessedParticleVolumeWriter& operator=(const ProcessedParticleVolumeWriter&) = delete;

    // Appends the brick's record and payload; its level 0 must hold exactly the words of
    // the header's brick size.
    void WriteBrick(const ProcessedBrickView<Word>& brick);
    // Appends the bricks in their order, as WriteBrick one by one would, except that every
    // brick is checked before any is written; payloads are compressed in parallel.
    void WriteBricks(std::span<const ProcessedBrickView<Word>> bricks);
    // Completes the file and gives it its name; throws when any byte did not reach it.
    void Close();

private:
    std::string fileName_;
    qz::utils::ReplacingFile file_;
    // Exceptions in flight when the writer was made; more at its end mean unwinding.
    int uncaughtAtStart_;
    bool writeFailed_ = false;
    ProcessedParticleVolumeFileHeader header_;
    // One brick's payload on its way to the file; kept from batch to batch, the buffers
    // only grow.
    struct PayloadSlot {
        std::vector<char> uncompressed;
        std::vector<char> compressed;
        std::size_t compressedSize = 0;
    };
    // Uncompressed bytes compressed side by side before they are written.
    static constexpr std::size_t BatchBytes = std::size_t {4} << 20;

    void WriteAll(std::span<const ProcessedBrickView<Word>> bricks);
    static std::size_t PayloadBytes(const ProcessedBrickView<Word>& brick);
    static void CompressBrick(const ProcessedBrickView<Word>& brick, PayloadSlot& slot);
    void PrepareSlots(std::span<const ProcessedBrickView<Word>> batch, std::size_t set);
    // With workers: in parallel, the calling thread helping.
    void CompressBatch(std::span<const ProcessedBrickView<Word>> batch, std::size_t set, BatchWorkers* workers);
    void WriteBatch(std::span<const ProcessedBrickView<Word>> batch, std::size_t set);

    // Two sets: one batch is compressed into one while the other is written.
    std::vector<PayloadSlot> slots_[2];
    BatchWorkers workers_;
};

template <class Word>
class ProcessedParticleVolumeReader {
public:
    using LoadedBrick = ProcessedBrick<Word>;
    // Not compared while all bits are set.
    static constexpr std::uint32_t Unset = ~0u;

    // Fills the reader from the file; throws on any failure, leaving no bricks. The file is
    // closed on every path.
    void LoadFromFile(const std::string& fileName);
    // Reads the bricks of a version-4 file from a stream positioned after the header.
    // Records are read and checked in file order; payloads are decompressed in parallel
    // batches, and the first failure in file order is the one reported.
    void ReadV4(std::FILE* file);

    ProcessedParticleVolumeFileHeader header;
    std::vector<LoadedBrick> loadedBricks;
    // What the volume that receives the bricks expects; set by the caller before loading.
    int applicationOverlap = 0;
    std::uint32_t applicationBrickSize = Unset;
    std::uint32_t applicationLevelCount = Unset;

private:
    // A payload read and checked, waiting for decompression into its brick.
    struct PendingPayload {
        std::size_t offset;
        std::size_t size;
        bool hasOffsets;
        std::uint32_t valueByteSize;
    };
    enum class Failure : unsigned char { None, Decompression, Attributes };
    struct PayloadBatch {
        std::vector<char> bytes;
        std::vector<PendingPayload> payloads;
        std::vector<LoadedBrick> bricks;  // one per payload
        std::vector<Failure> failures;
        void Clear();
    };
    // Compressed bytes gathered before a batch is decompressed.
    static constexpr std::size_t BatchBytes = std::size_t {16} << 20;

    static void PrepareBatch(PayloadBatch& batch);
    // Runs on any thread; failures are kept in the batch, not reported.
    static void DecompressItem(PayloadBatch& batch, std::uint64_t wordCount, std::size_t index);
    // With the workers when the batch is large, the calling thread helping.
    static void DecompressBatch(PayloadBatch& batch, std::uint64_t wordCount, BatchWorkers& workers);
    // Reports the batch's first failure, or moves its bricks to loadedBricks.
    void FinishBatch(PayloadBatch& batch);
};
