#include "bench/particle_pipeline/PpvStage.h"

#include "src/ParticleVolumeSources.h"
#include "src/ProcessedFileName.h"
#include "src/ProcessedParticleVolume.h"
#include "tarnwick/utils/Timer.h"

#include <snappy.h>

#include <filesystem>
#include <stdexcept>
#include <vector>

namespace {

double Now()
{
    return qz::utils::PerformanceCounterMilliseconds() / 1000.0;
}

double PerSecond(double amount, double seconds)
{
    return seconds > 0.0 ? amount / seconds : 0.0;
}

// A stage's time with its rates over the uncompressed brick payloads.
JsonObject Rates(double seconds, double payloadBytes, std::uint64_t bricks)
{
    JsonObject stage;
    stage.Add("s", seconds)
        .Add("MB_per_s", PerSecond(payloadBytes / 1e6, seconds))
        .Add("bricks_per_s", PerSecond(static_cast<double>(bricks), seconds));
    return stage;
}

// The payloads of the bricks a save writes, assembled as the writer assembles them.
std::vector<std::string> Payloads(ParticleVolumeInterface::TimestepAttributes* timestep)
{
    std::vector<std::string> payloads;
    ParticleVolumeInterface::ForEachBrick(
        timestep,
        [&](Brick& brick) {
            if (brick.levels.empty() || brick.levels[0].empty()) return;
            std::string& payload = payloads.emplace_back(reinterpret_cast<const char*>(brick.levels[0].data()),
                                                         brick.levels[0].size() * sizeof(Brick::OccupancyWord));
            payload.append(reinterpret_cast<const char*>(brick.attributeOffsets.data()),
                           brick.attributeOffsets.size() * sizeof(std::uint32_t));
            payload.append(reinterpret_cast<const char*>(brick.attributeValues.data()),
                           brick.attributeValues.size() * sizeof(std::uint16_t));
        },
        nullptr);
    return payloads;
}

}  // namespace

template <class Attr>
JsonObject SaveAndLoadPpv(ParticleVolume<Attr>& volume, const std::string& base)
{
    const std::string pattern = base + "_%04d.ppv";
    const auto parent = std::filesystem::path(base).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent);
    const int count = static_cast<int>(volume.GetTimestepCount());

    std::vector<std::vector<std::string>> saved;
    double payloadBytes = 0;
    std::uint64_t bricks = 0;
    for (int t = 0; t < count; ++t) {
        saved.push_back(Payloads(volume.GetTimestep(t).get()));
        for (const std::string& payload : saved.back()) payloadBytes += static_cast<double>(payload.size());
        bricks += saved.back().size();
    }

    // snappy alone, one thread, on the same bytes.
    std::vector<std::string> compressed;
    double start = Now();
    for (const auto& payloads : saved) {
        for (const std::string& payload : payloads) snappy::Compress(payload.data(), payload.size(), &compressed.emplace_back());
    }
    const double snappyCompress = Now() - start;
    std::vector<char> output;
    start = Now();
    std::size_t i = 0;
    for (const auto& payloads : saved) {
        for (const std::string& payload : payloads) {
            output.resize(payload.size());
            if (!snappy::RawUncompress(compressed[i].data(), compressed[i].size(), output.data())) {
                throw std::runtime_error("snappy could not decompress its own payload");
            }
            ++i;
        }
    }
    const double snappyUncompress = Now() - start;

    start = Now();
    volume.SaveProcessedFile(pattern, -1);
    const double save = Now() - start;

    ParticleVolume<Attr> loaded;
    loaded.Prepare(volume.GetBrickSize(), volume.GetOverlap(), volume.GetLevelCount());
    double fileBytes = 0;
    start = Now();
    for (int t = 0; t < count; ++t) {
        const std::string path = FormatTimestepFileName(pattern, t);
        fileBytes += static_cast<double>(std::filesystem::file_size(path));
        const int u = static_cast<int>(loaded.CreateTimestep(true));
        ProcessedParticleVolumeReader<Brick::OccupancyWord> reader;
        reader.applicationOverlap = static_cast<int>(loaded.GetOverlap());
        reader.applicationBrickSize = loaded.GetBrickSize();
        reader.applicationLevelCount = loaded.GetLevelCount();
        reader.LoadFromFile(path);
        loaded.AddDataFromProcessedParticleFile(reader.header, reader.loadedBricks, u);
    }
    const double load = Now() - start;
    for (int t = 0; t < count; ++t) {
        if (Payloads(loaded.GetTimestep(t).get()) != saved[static_cast<std::size_t>(t)]) {
            throw std::runtime_error("timestep " + std::to_string(t) + " differs after loading");
        }
    }

    JsonObject json;
    json.Add("files", FormatTimestepFileName(pattern, 0) + (count > 1 ? " ..." : ""))
        .Add("timesteps", count)
        .Add("bricks", bricks)
        .Add("payload_MB", payloadBytes / 1e6)
        .Add("file_MB", fileBytes / 1e6);
    json.Add("snappy_compress", Rates(snappyCompress, payloadBytes, bricks));
    json.Add("save", Rates(save, payloadBytes, bricks));
    json.Add("save_vs_snappy", PerSecond(snappyCompress, save));
    json.Add("snappy_uncompress", Rates(snappyUncompress, payloadBytes, bricks));
    json.Add("load", Rates(load, payloadBytes, bricks));
    return json;
}

#define QZ_INSTANTIATE_PPV_STAGE(Attr) template JsonObject SaveAndLoadPpv(ParticleVolume<Attr>&, const std::string&);
QZ_FOR_EACH_ATTRIBUTE_KIND(QZ_INSTANTIATE_PPV_STAGE)
