#pragma once
// Writer and reader of processed particle volume files (.ppv; layout in
// ProcessedParticleVolumeFormat.h). One file holds one timestep: every brick that has
// occupancy data, with its level-0 words and attribute data, snappy-compressed.
//
// Writing goes to a temporary file that Close renames over the name, so a failed or
// abandoned save never leaves a file that loads as a shorter volume. Reading checks every
// size against the header's limits and the bytes the file has before it allocates, and
// rejects bricks outside the octree, bricks stored twice, and attribute data that does not
// follow the occupancy bits.
//
// Instantiated for Word = qz::core::SimpleVec4<unsigned int>.

#include "src/ProcessedParticleVolumeFormat.h"
#include "src/ReplacingFile.h"

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
    // Without Close the file is abandoned: nothing appears under the name.
    ~ProcessedParticleVolumeWriter() = default;
    ProcessedParticleVolumeWriter(const ProcessedParticleVolumeWriter&) = delete;
    ProcessedParticleVolumeWriter& operator=(const ProcessedParticleVolumeWriter&) = delete;

    // Appends the brick's record and payload; its level 0 must hold exactly the words of
    // the header's brick size.
    void WriteBrick(const ProcessedBrickView<Word>& brick);
    // Completes the file and gives it its name; throws when any byte did not reach it.
    void Close();

    const ProcessedParticleVolumeFileHeader& GetHeader() const { return header_; }

private:
    std::string fileName_;
    ReplacingFile file_;
    ProcessedParticleVolumeFileHeader header_;
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
    void ReadV4(std::FILE* file);

    ProcessedParticleVolumeFileHeader header;
    std::vector<LoadedBrick> loadedBricks;
    // What the volume that receives the bricks expects; set by the caller before loading.
    int applicationOverlap = 0;
    std::uint32_t applicationBrickSize = Unset;
    std::uint32_t applicationLevelCount = Unset;
};
