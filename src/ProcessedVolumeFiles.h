#pragma once
// A particle volume's side of processed particle volume files: saving timesteps and
// filling a timestep from a loaded file. These are the bodies of the volume's
// SaveProcessedFile and AddDataFromProcessedParticleFile, shared by its three attribute
// kinds; `method` is the name the volume's reports carry.
//
// Volume needs: GetTimestepCount, GetTimestep(int) (a shared pointer to the timestep data
// with `root`, `leafBricks` and `created`), GetCurrentTimestep, ForEachBrick, GetBrick,
// GetBrickSize, GetOverlap, GetLevelCount, HasAttributes, `boundingBox` (six floats) and
// `worldToVolume` (m[4][4], row vectors).

#include "src/ProcessedFileName.h"
#include "src/ProcessedParticleVolume.h"
#include "tarnwick/core/ErrorReport.h"
#include "tarnwick/core/Logging.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ProcessedVolumeFiles {

// Reports of these operations name the volume's source file.
#define QZ_VOLUME_FILE_THROW(method, ...)                                                          \
    ::qz::core::ThrowErrorReport((method).c_str(), ::qz::core::ReportFileName("src/ParticleVolume.cpp"), \
                                 __LINE__, __VA_ARGS__)

// Mip levels of a brick of edge `brickSize`: one per significant bit from the eighth on.
constexpr std::uint32_t MipLevelCount(std::uint32_t brickSize)
{
    const auto bits = static_cast<std::uint32_t>(std::bit_width(brickSize));
    return bits < 3 ? 0 : bits - 3;
}

// A box with a finite extent on some axis can be mapped into the volume cube.
inline bool HasExtent(const float box[6])
{
    float largest = 0.0f;
    for (int a = 0; a < 3; ++a) {
        if (!std::isfinite(box[a]) || !std::isfinite(box[a + 3]) || !(box[a + 3] >= box[a])) return false;
        largest = std::max(largest, box[a + 3] - box[a]);
    }
    return largest > 0.0f && std::isfinite(1.0f / largest);
}

// Row-vector matrix mapping world points p to 2 (p - o) / e - 1: e the largest extent,
// the cube centred on the box in x and z and standing on its lowest y.
inline void WorldToVolume(const float box[6], float matrix[4][4])
{
    const float dx = box[3] - box[0];
    const float dy = box[4] - box[1];
    const float dz = box[5] - box[2];
    float e = dx;
    if (dy > e) e = dy;
    if (dz > e) e = dz;
    const float origin[3] = {(dx - e) * 0.5f + box[0], box[1], (dz - e) * 0.5f + box[2]};
    const float s = 1.0f / e * 2.0f;
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) matrix[r][c] = 0.0f;
    }
    for (int a = 0; a < 3; ++a) {
        matrix[a][a] = s;
        matrix[3][a] = -origin[a] * s + -1.0f;
    }
    matrix[3][3] = 1.0f;
}

// Writes timestep `timestep` (every timestep for -1) to the file named by `pattern`.
template <class Volume>
void Save(Volume& volume, const std::string& pattern, int timestep, const std::string& method)
{
    using Word = qz::core::SimpleVec4<unsigned int>;
    const auto count = static_cast<int>(volume.GetTimestepCount());
    if (timestep < -1 || timestep >= count) {
        QZ_VOLUME_FILE_THROW(method, "Invalid timestep ", timestep, ": the volume has ", count, " timesteps");
    }
    const int first = timestep == -1 ? 0 : timestep;
    const int end = timestep == -1 ? count : timestep + 1;
    for (int t = first; t < end; ++t) {
        const std::string fileName = FormatTimestepFileName(pattern, t);
        qz::core::Logger::BeginMessageWith("Saving processed file ") << fileName;
        const auto data = volume.GetTimestep(t);
        if (!data) QZ_VOLUME_FILE_THROW(method, "Invalid timestep ", t, ": the volume has ", count, " timesteps");

        ProcessedParticleVolumeWriter<Word> writer(fileName, volume.GetLevelCount(), volume.GetBrickSize(),
                                                   volume.GetOverlap(), volume.boundingBox);
        // Only bricks with occupancy data; inner nodes and bricks never splatted have none.
        std::vector<ProcessedBrickView<Word>> bricks;
        Volume::ForEachBrick(
            data.get(),
            [&](auto& brick) {
                if (brick.levels.empty() || brick.levels[0].empty()) return;
                ProcessedBrickView<Word>& view = bricks.emplace_back();
                view.level = brick.level;
                for (int a = 0; a < 3; ++a) view.position[a] = brick.position[a];
                view.totalParticleCount = brick.totalParticleCount;
                view.words = brick.levels[0];
                view.attributeOffsets = brick.attributeOffsets;
                view.attributeValues = brick.attributeValues;
            },
            nullptr);
        writer.WriteBricks(bricks);
        writer.Close();
    }
}

// Gives timestep `timestep` (the current one for -1) the loaded bricks, which are consumed.
template <class Volume, class Word>
void AddData(Volume& volume, const ProcessedParticleVolumeFileHeader& header,
             std::vector<ProcessedBrick<Word>>& loaded, int timestep, const std::string& method)
{
    qz::core::Logger::BeginMessageWith("Adding data from processed particle file (timestep = ") << timestep << ")";
    if (volume.GetTimestepCount() == 0) QZ_VOLUME_FILE_THROW(method, "No timesteps have been added yet");
    const int t = timestep == -1 ? volume.GetCurrentTimestep() : timestep;
    if (t < 0) QZ_VOLUME_FILE_THROW(method, "No timestep is selected");
    const auto data = volume.GetTimestep(t);
    if (!data) {
        QZ_VOLUME_FILE_THROW(method, "Invalid timestep ", t, ": the volume has ", volume.GetTimestepCount(),
                             " timesteps");
    }
    data->leafBricks.clear();

    const std::uint32_t brickSize = volume.GetBrickSize();
    if (header.brickSize != brickSize) {
        QZ_VOLUME_FILE_THROW(method, "Invalid brick size: File contains ", header.brickSize, ", volume is set to ",
                             brickSize);
    }
    if (header.levels != volume.GetLevelCount()) {
        QZ_VOLUME_FILE_THROW(method, "Invalid level count: File contains ", header.levels, ", volume is set to ",
                             volume.GetLevelCount());
    }
    const std::uint64_t wordCount = PpvLayout::WordCount(brickSize);
    for (const ProcessedBrick<Word>& stored : loaded) {
        // A level 0 of another size would be read past its end by the splat and the upload.
        if (stored.words.size() != wordCount ||
            (!stored.attributeOffsets.empty() && stored.attributeOffsets.size() != wordCount)) {
            QZ_VOLUME_FILE_THROW(method, "Invalid element count");
        }
    }

    const std::uint32_t levels = MipLevelCount(brickSize);
    const std::uint32_t words[3] = {brickSize >> 2, brickSize >> 2, brickSize >> 3};
    const bool attributes = volume.HasAttributes();
    for (ProcessedBrick<Word>& stored : loaded) {
        auto* brick = volume.GetBrick(t, stored.position, static_cast<int>(stored.level), true);
        brick->splatted = true;
        brick->postProcessed = false;
        brick->particleCount = 0;
        brick->totalParticleCount = stored.totalParticleCount;
        brick->levels.resize(levels);
        for (std::uint32_t k = 0; k < levels; ++k) {
            brick->levels[k].assign(std::size_t {words[0] >> k} * (words[1] >> k) * (words[2] >> k), Word());
        }
        if (levels != 0) brick->levels[0] = std::move(stored.words);
        if (attributes) {
            if (!stored.attributeOffsets.empty()) brick->attributeOffsets = std::move(stored.attributeOffsets);
            if (!stored.attributeValues.empty()) brick->attributeValues = std::move(stored.attributeValues);
        }
        data->leafBricks.push_back(brick);
    }
    data->created = true;

    // A volume without a box takes the file's, when that is a box.
    float* box = volume.boundingBox;
    if (box[0] == box[3] && box[1] == box[4] && box[2] == box[5]) {
        const float fileBox[6] = {header.boxMin[0], header.boxMin[1], header.boxMin[2],
                                  header.boxMax[0], header.boxMax[1], header.boxMax[2]};
        if (HasExtent(fileBox)) {
            std::copy(fileBox, fileBox + 6, box);
            WorldToVolume(box, volume.worldToVolume.m);
        }
    }
    qz::core::Logger::BeginMessageWith("Lowing done, new bounding box: ")
        << "[" << box[0] << ", " << box[1] << ", " << box[2] << "] - [" << box[3] << ", " << box[4] << ", " << box[5]
        << "]";
    loaded.clear();
}

#undef QZ_VOLUME_FILE_THROW

}  // namespace ProcessedVolumeFiles
