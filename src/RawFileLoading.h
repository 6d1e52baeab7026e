#pragma once
// ParticleVolume<Attr>::AddDataFromRawParticleFile: the records of an open reader become
// one timestep of the volume.
//
// Box rules: into timestep 0 (or a later one while the volume has no box) a given box
// whose minimum equals its maximum asks for the box of the data, which then can only be
// known after reading: every chunk is inserted once reading has ended. Otherwise the box
// is known (given, or kept from the timestep that placed the data) and chunks are
// inserted while reading goes on.
//
// Everything that can be checked is checked before the temporary data is made; whatever
// fails later clears it again, so the volume can always create its next timestep.

#include "src/ParticleVolume.h"
#include "src/RawLoadPipeline.h"
#include "src/ParticleVolumeSources.h"
#include "src/RawRecordConversion.h"

#include <algorithm>
#include <type_traits>

template <class Attr>
template <class T>
void ParticleVolume<Attr>::AddDataFromRawParticleFile(ParticleLoader<T>* reader, const float (&givenBox)[6],
                                                      int timestep, std::int64_t count)
{
    static_assert(std::is_same_v<RecordParticle<T>, Particle>, "the record type fills another attribute kind");
    const char* const operation = "AddDataFromRawParticleFile";
    qz::core::Logger::BeginMessage(qz::core::LogLevelDetail) << "Loading particles from raw file";

    if (!HasTimesteps()) QZ_VOLUME_THROW(operation, "No timesteps have been added yet");
    const int t = timestep == -1 ? GetCurrentTimestep() : timestep;
    if (t < 0) QZ_VOLUME_THROW(operation, "No timestep is selected");
    const TimestepPointer data = GetTimestep(t);
    if (!data) QZ_VOLUME_THROW(operation, "Timestep ", t, " does not exist");
    if (!reader) QZ_VOLUME_THROW(operation, "No reader given");
    if (chunkLength == 0) QZ_VOLUME_THROW(operation, "The chunk length must be at least 1");

    const std::int64_t total = reader->GetParticleCount();
    const std::int64_t n =
        std::max<std::int64_t>(0, count <= 0 ? total : std::min(count, total - reader->GetCurrentIndex()));
    const bool noBoxGiven =
        givenBox[3] - givenBox[0] == 0.0f && givenBox[4] - givenBox[1] == 0.0f && givenBox[5] - givenBox[2] == 0.0f;
    // Timestep 0 places the data; so does any later timestep while the volume has no box
    // yet, as after a load into timestep 0 that failed.
    const bool placesData = t == 0 || !BoxMapping::HasExtent(boundingBox);
    const bool computeBox = placesData && noBoxGiven;
    const bool chunked = !computeBox;
    if (computeBox && n != total) {
        QZ_VOLUME_THROW(operation, "Bounding box update is enabled, but only a part of the data will be inserted. "
                                   "This will break the next inserted chunk, so don't do this!");
    }
    if (HasAttributes() && n != total) {
        QZ_VOLUME_THROW(operation, "Particles cannot be inserted in chunks when attribute storage is enabled.");
    }

    const RawLoadPlan plan {static_cast<std::uint64_t>(n), chunkLength};
    TimestepMemory needed;
    needed.particles = plan.particleCount * sizeof(Particle);
    needed.records = plan.particleCount * sizeof(Record);
    needed.leafCounters = std::uint64_t {geometry.leafCount} * sizeof(std::uint64_t);
    needed.buffers = 2 * std::min(plan.particleCount, plan.pieceSize) * sizeof(T);
    RequireMemory(operation, needed);
    float keptBox[6];
    std::copy(boundingBox, boundingBox + 6, keptBox);
    PrepareTemporaryData();
    try {
        chunks.assign(plan.ChunkCount(), NewChunk());
        data->root.timestep = t;
        if (placesData && !computeBox) std::copy(givenBox, givenBox + 6, boundingBox);

        qz::core::Logger::BeginMessageWith("Converting to internal representation");
        qz::utils::Timer totalTimer;
        totalTimer.Reset();
        qz::utils::Timer readingTimer;
        PositionBox dataBox;
        using Pipeline = RawLoadPipeline<T, Particle, ParticleChunk>;
        Pipeline pipeline(
            *reader, plan, chunks,
            [box = computeBox ? &dataBox : nullptr](std::span<const T> in, ParticleChunk& out) {
                AppendConverted(in, out, box);
            },
            chunked ? typename Pipeline::Inserter(
                          [this](std::size_t i) { InsertParticles(i, i + 1); })
                    : nullptr,
            // Memory the process has not used yet comes slowly; while the file is read,
            // this thread touches the records' pages so that insertion finds them ready.
            [this, &plan, &pipeline] {
                records.resize(plan.particleCount);
                TouchPages(records.data(), records.size() * sizeof(Record), [&pipeline] { return pipeline.IsReading(); });
            },
            memoryPool);
        pipeline.Run(readingTimer);
        // Without a position the box stays empty, and the next timestep looks for one.
        if (computeBox) std::copy(dataBox.bounds, dataBox.bounds + 6, boundingBox);
        if (!chunked) InsertParticles(0, 0);
        totalTimer.Stop();

        statistics.readingTime = readingTimer.Total();
        statistics.insertionTime = timer.Total();
        qz::core::Logger::BeginMessageWith("Conversion & reading: ") << n << " particles, " << readingTimer;
        qz::core::Logger::BeginMessageWith("Insertion: ") << timer;
        qz::core::Logger::BeginMessageWith("Total: ") << totalTimer << "\n";
        qz::core::Logger::BeginMessageWith("Bounding box: ")
            << qz::core::LogVector3(boundingBox) << " - " << qz::core::LogVector3(boundingBox + 3);

        for (ParticleChunk& chunk : chunks) ParticleChunk().swap(chunk);
        std::vector<ParticleChunk>().swap(chunks);
        Create(t);
    } catch (...) {
        std::copy(keptBox, keptBox + 6, boundingBox);
        ClearTemporaryData();
        throw;
    }
}
