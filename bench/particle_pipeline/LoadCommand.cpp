// The application's road for one file, stage by stage: open the reader by file ending,
// create a timestep, add the file's particles, queue every brick as a splat job and let
// the workers splat them all, then (when asked) save a processed file.

#include "bench/particle_pipeline/LoadCommand.h"

#include "bench/particle_pipeline/JsonObject.h"
#include "bench/particle_pipeline/PpvStage.h"
#include "src/ParticleSplatter.h"
#include "src/ParticleVolume.h"
#include "src/PartioReader.h"
#include "src/RawParticleReader.h"
#include "src/VelocityMaximum.h"
#include "tarnwick/core/Logging.h"
#include "tarnwick/utils/Timer.h"

#include <fcntl.h>
#include <omp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <thread>

namespace {

using namespace ParticleTypes;

double Now()
{
    return qz::utils::PerformanceCounterMilliseconds() / 1000.0;
}

double PerSecond(double amount, double seconds)
{
    return seconds > 0.0 ? amount / seconds : 0.0;
}

// A stage's time, its rate and, when a plain read of the file was timed, its time as a
// multiple of that read's.
JsonObject Stage(double seconds, std::uint64_t particles, double plainRead = 0.0)
{
    JsonObject stage;
    stage.Add("s", seconds).Add("M_particles_per_s", PerSecond(static_cast<double>(particles) / 1e6, seconds));
    if (plainRead > 0.0) stage.Add("x_plain_read", seconds / plainRead);
    return stage;
}

// Peak resident memory of the process so far, in MiB.
double PeakMemoryMiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    }
    return 0.0;
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// The reader the application picks for the file's ending.
template <class T>
std::unique_ptr<ParticleLoader<T>> MakeReader(const std::string& path, int headerSize)
{
    const std::string name = Lower(path);
    const auto endsWith = [&name](const std::string& tail) {
        return name.size() >= tail.size() && name.compare(name.size() - tail.size(), tail.size(), tail) == 0;
    };
    if (endsWith(".raw")) return std::make_unique<RawParticleReader<T>>(headerSize);
    if (endsWith(".raw.gz")) return std::make_unique<RawParticleGZReader<T>>(headerSize);
    if (endsWith(".bgeo")) return std::make_unique<PartioReader<T>>();
    throw std::runtime_error("no reader for " + path + " (.raw, .raw.gz, .bgeo)");
}

// read(2) of the whole file into memory of its size: what the raw stage is measured
// against. Also brings the file into the page cache.
double PlainRead(const std::string& path)
{
    const int file = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    if (file < 0) throw std::runtime_error("cannot open " + path);
    // A FIFO or device has no size to read up to.
    struct stat info {};
    if (::fstat(file, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(file);
        throw std::runtime_error("cannot open " + path + ": not a regular file");
    }
    const off_t size = info.st_size;
    const double start = Now();
    std::unique_ptr<char[]> buffer(new char[static_cast<std::size_t>(size)]);
    off_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(file, buffer.get() + done, static_cast<std::size_t>(std::min<off_t>(size - done, 1 << 26)));
        if (got <= 0) break;
        done += got;
    }
    const double seconds = Now() - start;
    ::close(file);
    return seconds;
}

template <class Attr>
struct SplatterOf;
template <>
struct SplatterOf<ParticleAttributes_None> {
    using Type = ParticleSplatter<ParticleAttributes_None, 2>;
};
template <>
struct SplatterOf<ParticleAttributes_VMag> {
    using Type = ParticleSplatter<ParticleAttributes_VMag, 0>;
};
template <>
struct SplatterOf<ParticleAttributes_ColorCount> {
    using Type = ParticleSplatter<ParticleAttributes_ColorCount, 1>;
};

// "a,b,c,d,e,f": minimum x, y, z, then maximum; no text gives the all-zero box, which
// asks for the box of the data.
void ParseBox(const std::string& text, float box[6])
{
    std::fill(box, box + 6, 0.0f);
    if (text.empty()) return;
    std::size_t at = 0;
    for (int i = 0; i < 6; ++i) {
        std::size_t used = 0;
        box[i] = std::stof(text.substr(at), &used);
        at += used + 1;
    }
}

// One file into one new timestep, then every brick splatted, as the application's loader
// does it.
template <class T, class Volume, class Splatter>
JsonObject LoadTimestep(const Options& options, const std::string& path, Volume& volume, Splatter& splatter,
                       double plainRead)
{
    const double loadStart = Now();
    auto reader = MakeReader<T>(path, static_cast<int>(options.Count("header", 0)));
    reader->OpenFile(path);
    const double opened = Now();
    const auto n = static_cast<std::uint64_t>(reader->GetParticleCount());

    const int t = static_cast<int>(volume.CreateTimestep(true));
    float box[6];
    ParseBox(options.Text("box", ""), box);
    volume.AddDataFromRawParticleFile(reader.get(), box, t, 0);
    reader->CloseFile();
    const double added = Now();

    // Every brick with particles becomes one job; the workers splat until none is left.
    std::uint64_t bricks = 0, records = 0;
    splatter.StopProcessing();
    ParticleVolumeInterface::ForEachBrick(volume.GetTimestep(t).get(), [&](Brick& brick) {
        const std::uint64_t count = brick.particleCount;
        if (splatter.PushJob(brick, false) == ParticleSplatterInterface::PushResult::Queued) {
            ++bricks;
            records += count;
        }
    }, nullptr);
    const double splatStart = Now();
    splatter.StartProcessing();
    splatter.StopProcessing();
    const double splatted = Now();
    // A brick that could not be splatted fails the load (and would fail a save).
    const std::vector<std::string> failures = splatter.TakeFailures();
    if (!failures.empty()) {
        throw std::runtime_error(std::to_string(failures.size()) + " bricks of timestep " + std::to_string(t) +
                                 " could not be splatted; the first: " + failures.front());
    }
    volume.ClearParticleData(t);
    splatter.StartProcessing();

    JsonObject json;
    json.Add("timestep", t).Add("particles", n).Add("box_given", box[0] != box[3]);
    const double reading = volume.statistics.readingTime / 1000.0;
    JsonObject readConvert = Stage(reading, n);
    readConvert.Add("MB_per_s", PerSecond(static_cast<double>(n) * sizeof(T) / 1e6, reading));
    if (plainRead > 0.0) readConvert.Add("x_plain_read", reading / plainRead);
    json.Add("open", Stage(opened - loadStart, n));
    json.Add("read_convert", readConvert);
    json.Add("insertion", Stage(volume.statistics.insertionTime / 1000.0, n, plainRead));
    json.Add("octree_build", Stage((volume.statistics.sortTime + volume.statistics.octreeTime) / 1000.0, n, plainRead));
    json.Add("add_data", Stage(added - opened, n, plainRead));
    JsonObject splat = Stage(splatted - splatStart, n, plainRead);
    splat.Add("bricks", bricks).Add("records", records).Add(
        "M_records_per_s", PerSecond(static_cast<double>(records) / 1e6, splatted - splatStart));
    json.Add("splat", splat);
    json.Add("load_total", Stage(splatted - loadStart, n, plainRead));

    const TimestepAnalysis analysis = volume.AnalyzeTimestep(static_cast<std::uint32_t>(t));
    JsonObject result;
    result.Add("bricks_with_data", static_cast<unsigned>(analysis.brickCount))
        .Add("occupied_voxels", static_cast<std::uint64_t>(analysis.occupiedVoxels))
        .Add("memory_MB", static_cast<double>(analysis.memory) / 1e6);
    json.Add("volume", result);
    return json;
}

template <class T>
JsonObject Load(const Options& options, const std::string& path)
{
    using Attr = typename RecordAttributes<T>::Type;
    JsonObject json;
    json.Add("file", path).Add("type", options.Text("type", "posvel")).Add("record_bytes", static_cast<unsigned>(sizeof(T)));
    json.Add("hardware_threads", std::thread::hardware_concurrency()).Add("omp_threads", omp_get_max_threads());

    // read(2) of the file into fresh memory of its size, the ceiling every stage is
    // measured against ("x_plain_read"). The first read may come from disk; the figures
    // are for the page cache.
    const bool raw = Lower(path).size() >= 4 && Lower(path).substr(path.size() - 4) == ".raw";
    double plainRead = 0.0;
    if (raw) {
        PlainRead(path);
        plainRead = PlainRead(path);
        JsonObject read;
        read.Add("s", plainRead).Add("MB_per_s", PerSecond(static_cast<double>(std::filesystem::file_size(path)) / 1e6, plainRead));
        json.Add("plain_read", read);
    }

    ParticleVolume<Attr> volume;
    volume.Prepare(static_cast<std::uint32_t>(options.Count("brick-size", 64)),
                   static_cast<std::uint32_t>(options.Count("overlap", 4)),
                   static_cast<std::uint32_t>(options.Count("levels", 6)));
    volume.chunkLength = options.Count("chunk-length", volume.chunkLength);
    typename SplatterOf<Attr>::Type splatter(&volume, static_cast<unsigned>(options.Count("workers", 0)));
    VelocityMaximum.store(static_cast<float>(options.Number("velmax", 1.0)));
    json.Add("splat_workers", splatter.GetWorkerCount()).Add("chunk_length", volume.chunkLength);

    // Later timesteps keep the box of the first and insert while reading.
    std::vector<JsonObject> timesteps;
    const std::uint64_t count = std::max<std::uint64_t>(1, options.Count("timesteps", 1));
    for (std::uint64_t k = 0; k < count; ++k) timesteps.push_back(LoadTimestep<T>(options, path, volume, splatter, plainRead));
    const auto particlesPerTimestep = static_cast<std::uint64_t>(volume.statistics.particleCount);
    splatter.StopProcessing();
    json.Add("timesteps", timesteps);
    const std::string ppvBase = options.Text("ppv", "");
    if (ppvBase.empty()) {
        json.Add("ppv", "not asked");
    } else {
        json.Add("ppv", SaveAndLoadPpv(volume, ppvBase));
    }
    const double peak = PeakMemoryMiB() * 1.048576;
    json.Add("peak_memory_MB", peak);
    json.Add("peak_bytes_per_particle", peak * 1e6 / static_cast<double>(std::max<std::uint64_t>(1, particlesPerTimestep)));
    return json;
}

}  // namespace

int RunLoadCommand(const Options& options)
{
    if (options.Count("quiet", 0) != 0) {
        // Error reports still show.
        qz::core::Logger::Instance()->Streams().at(0)->SetMinLevel(qz::core::LogLevelErrorReport);
    }
    const std::string type = options.Text("type", "posvel");
    const std::string path = options.Required("input");
    JsonObject json;
    if (type == "pos") {
        json = Load<RawParticle_Pos>(options, path);
    } else if (type == "posvel") {
        json = Load<RawParticle_PosVel>(options, path);
    } else if (type == "poscol") {
        json = Load<RawParticle_PosCol>(options, path);
    } else if (type == "posrad") {
        json = Load<RawParticle_PosRad>(options, path);
    } else if (type == "posnormal") {
        json = Load<RawParticle_PosNormal>(options, path);
    } else {
        throw std::runtime_error("unknown --type " + type + " (pos, posvel, poscol, posrad, posnormal)");
    }
    std::cout << json.Text() << std::endl;
    return 0;
}
