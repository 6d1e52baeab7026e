// Saving timesteps to processed particle volume files and filling a timestep from a loaded
// one, the same for every attribute kind. Loaded bricks hold no particles: they arrive
// splatted, with level 0 from the file and zeroed mip levels above it.

#include "src/ParticleVolume.h"
#include "src/OccupancyWord.h"
#include "src/ParticleVolumeSources.h"
#include "src/ProcessedFileName.h"
#include "src/ProcessedParticleVolume.h"

#include <utility>

namespace {

using Word = Brick::OccupancyWord;

}  // namespace

template <class Attr>
void ParticleVolume<Attr>::SaveProcessedFile(const std::string& fileNamePattern, int timestep)
{
    const auto count = static_cast<int>(GetTimestepCount());
    if (timestep < -1 || timestep >= count) {
        QZ_VOLUME_THROW("SaveProcessedFile", "Invalid timestep ", timestep, ": the volume has ", count, " timesteps");
    }
    const int first = timestep == -1 ? 0 : timestep;
    const int end = timestep == -1 ? count : timestep + 1;
    for (int t = first; t < end; ++t) {
        const std::string fileName = FormatTimestepFileName(fileNamePattern, t);
        qz::core::Logger::BeginMessageWith("Saving processed file ") << fileName;
        const TimestepPointer data = RequireTimestep("SaveProcessedFile", t);

        // Only bricks with occupancy data; inner nodes and bricks never splatted have none.
        // A brick whose records were not splatted (yet, or because the splat failed) would
        // be missing from the file: such a timestep is not saved.
        std::vector<ProcessedBrickView<Word>> bricks;
        std::uint64_t unsplatted = 0;
        const Brick* firstUnsplatted = nullptr;
        ForEachBrick(
            data.get(),
            [&](Brick& brick) {
                if (brick.splatFailed || brick.particleCount != 0) {
                    if (unsplatted++ == 0) firstUnsplatted = &brick;
                }
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
        if (unsplatted != 0) {
            QZ_VOLUME_THROW("SaveProcessedFile", "Timestep ", t, " is not saved to ", fileName, ": ", unsplatted,
                            " of its bricks were not splatted, the first at level ", firstUnsplatted->level, " ",
                            qz::core::LogVector3(firstUnsplatted->position));
        }
        // Nothing appears under the name unless every brick reached the file.
        ProcessedParticleVolumeWriter<Word> writer(fileName, levelCount, brickSize, overlap, boundingBox);
        writer.WriteBricks(bricks);
        writer.Close();
    }
}

template <class Attr>
void ParticleVolume<Attr>::AddDataFromProcessedParticleFile(const ProcessedParticleVolumeFileHeader& header,
                                                            std::vector<ProcessedBrick<Word>>& bricks, int timestep)
{
    const char* const operation = "AddDataFromProcessedParticleFile";
    qz::core::Logger::BeginMessageWith("Adding data from processed particle file (timestep = ") << timestep << ")";
    if (GetTimestepCount() == 0) QZ_VOLUME_THROW(operation, "No timesteps have been added yet");
    const int t = timestep == -1 ? GetCurrentTimestep() : timestep;
    if (t < 0) QZ_VOLUME_THROW(operation, "No timestep is selected");
    const TimestepPointer data = RequireTimestep(operation, t);
    data->leafBricks.clear();

    if (header.brickSize != brickSize) {
        QZ_VOLUME_THROW(operation, "Invalid brick size: File contains ", header.brickSize, ", volume is set to ",
                        brickSize);
    }
    if (header.levels != levelCount) {
        QZ_VOLUME_THROW(operation, "Invalid level count: File contains ", header.levels, ", volume is set to ",
                        levelCount);
    }
    // A level 0 of another size would be read past its end by the upload and the splat.
    const std::uint64_t wordCount = PpvLayout::WordCount(brickSize);
    for (const ProcessedBrick<Word>& stored : bricks) {
        if (stored.words.size() != wordCount ||
            (!stored.attributeOffsets.empty() && stored.attributeOffsets.size() != wordCount)) {
            QZ_VOLUME_THROW(operation, "Invalid element count");
        }
    }

    const OccupancyGrid grid(brickSize);
    const std::uint32_t levels = OccupancyGrid::MipLevelCount(brickSize);
    const bool attributes = HasAttributes();
    for (ProcessedBrick<Word>& stored : bricks) {
        Brick* brick = GetBrick(t, stored.position, static_cast<int>(stored.level), true);
        brick->splatted = true;
        brick->postProcessed = false;
        brick->particleCount = 0;
        brick->totalParticleCount = stored.totalParticleCount;
        brick->levels.resize(levels);
        for (std::uint32_t k = 0; k < levels; ++k) {
            brick->levels[k].assign(grid.WordCount(k), Word());
        }
        if (levels != 0) brick->levels[0] = std::move(stored.words);
        if (attributes) {
            if (!stored.attributeOffsets.empty()) brick->attributeOffsets = std::move(stored.attributeOffsets);
            if (!stored.attributeValues.empty()) brick->attributeValues = std::move(stored.attributeValues);
        }
        data->leafBricks.push_back(brick);
    }
    data->created = true;

    // A volume without a box takes the file's, even one without extent, which then maps
    // the file's one point or no particle as insertion would have.
    if (!BoxMapping::HasExtent(boundingBox)) {
        const float fileBox[6] = {header.boxMin[0], header.boxMin[1], header.boxMin[2],
                                  header.boxMax[0], header.boxMax[1], header.boxMax[2]};
        if (BoxMapping::CheckBox(fileBox).empty()) {
            std::copy(fileBox, fileBox + 6, boundingBox);
            BoxMapping::FromBox(boundingBox).WorldToVolume(worldToVolume.m);
        }
    }
    qz::core::Logger::BeginMessageWith("Lowing done, new bounding box: ")
        << qz::core::LogVector3(boundingBox) << " - " << qz::core::LogVector3(boundingBox + 3);
    bricks.clear();
}

#define QZ_INSTANTIATE_FILES(Attr)                                                                  \
    template void ParticleVolume<Attr>::SaveProcessedFile(const std::string&, int);                 \
    template void ParticleVolume<Attr>::AddDataFromProcessedParticleFile(                           \
        const ProcessedParticleVolumeFileHeader&, std::vector<ProcessedBrick<Brick::OccupancyWord>>&, int);
QZ_FOR_EACH_ATTRIBUTE_KIND(QZ_INSTANTIATE_FILES)
