#include "bench/particle_pipeline/SyntheticParticles.h"

#include "bench/volume/DamBreak.h"
#include "platform/partio/Partio.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <stdexcept>
#include <vector>

namespace Synthetic {

namespace {

// splitmix64: cheap, and good enough for placing particles.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t Next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // [0, 1)
    float Unit() { return static_cast<float>(Next() >> 40) * (1.0f / 16777216.0f); }

private:
    std::uint64_t state_;
};

std::uint8_t Byte(float value)
{
    return static_cast<std::uint8_t>(std::clamp(value, 0.0f, 255.0f));
}

// Positions of the volume benchmark's dam break, so that both benchmarks measure one
// scene; velocities and colours follow from where a particle is.
Particle DamBreak(std::uint64_t seed, std::uint64_t index, Random& r)
{
    ParticleTypes::VolumeParticle<ParticleTypes::ParticleAttributes_None> position;
    bench::MakeDamBreak(index + (seed << 40), 1, &position);
    const float x = position.x, y = position.y;
    Particle p {{x, y, position.z}, {}, {}};
    const bool column = x < 2.6f && y <= 1.6f * std::sqrt(1.0f - x / 2.6f) + 0.02f;
    const bool sheet = !column && y < 0.07f;
    float speed;
    if (column) {
        p.velocity[0] = 1.2f * (x / 2.6f) * (0.3f + y / 1.6f);
        p.velocity[1] = -0.5f * (1.0f - y / 1.6f) * (x / 2.6f);
        p.velocity[2] = 0.05f * (r.Unit() - 0.5f);
        speed = p.velocity[0];
    } else if (sheet) {
        p.velocity[0] = 2.5f + 0.4f * (x - 2.6f);
        p.velocity[1] = 0.1f * (r.Unit() - 0.5f);
        p.velocity[2] = 0.1f * (r.Unit() - 0.5f);
        speed = 1.0f;
    } else {
        p.velocity[0] = 2.0f + 1.5f * r.Unit();
        p.velocity[1] = 2.5f * (r.Unit() - 0.3f);
        p.velocity[2] = 0.5f * (r.Unit() - 0.5f);
        speed = 2.0f;
    }
    // Deep water dark blue, fast water lighter, spray white.
    p.colour[0] = Byte(20.0f + 110.0f * speed);
    p.colour[1] = Byte(70.0f + 90.0f * speed);
    p.colour[2] = Byte(190.0f + 40.0f * speed);
    return p;
}

Particle Uniform(Random& r)
{
    Particle p {};
    for (int a = 0; a < 3; ++a) {
        p.position[a] = r.Unit();
        p.velocity[a] = 2.0f * r.Unit() - 1.0f;
        p.colour[a] = static_cast<std::uint8_t>(r.Next() & 0xFF);
    }
    return p;
}

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

constexpr std::uint64_t Batch = 1 << 20;

template <class T>
void MakeBatch(const FileSpec& spec, std::uint64_t first, std::vector<T>& records)
{
    const auto count = static_cast<std::int64_t>(records.size());
#pragma omp parallel for schedule(static)
    for (std::int64_t i = 0; i < count; ++i) {
        Fill(MakeParticle(spec.kind, spec.seed, first + static_cast<std::uint64_t>(i)), records[static_cast<std::size_t>(i)]);
    }
}

// Writes the header and every record through write(data, bytes).
template <class T, class Write>
void WriteRecords(const FileSpec& spec, Write&& write)
{
    if (spec.headerSize > 0) write(std::vector<char>(static_cast<std::size_t>(spec.headerSize)).data(), spec.headerSize);
    std::vector<T> records;
    for (std::uint64_t first = 0; first < spec.count; first += Batch) {
        records.resize(std::min(Batch, spec.count - first));
        MakeBatch(spec, first, records);
        write(records.data(), records.size() * sizeof(T));
    }
}

template <class Write>
void WriteAnyRecords(const FileSpec& spec, Write&& write)
{
    switch (spec.record) {
    case Record::Pos: WriteRecords<ParticleTypes::RawParticle_Pos>(spec, write); break;
    case Record::PosVel: WriteRecords<ParticleTypes::RawParticle_PosVel>(spec, write); break;
    case Record::PosCol: WriteRecords<ParticleTypes::RawParticle_PosCol>(spec, write); break;
    }
}

void WriteRaw(const FileSpec& spec)
{
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(spec.path.c_str(), "wb"), &std::fclose);
    if (!file) throw std::runtime_error("cannot create " + spec.path);
    WriteAnyRecords(spec, [&](const void* data, std::size_t bytes) {
        if (std::fwrite(data, 1, bytes, file.get()) != bytes) throw std::runtime_error("cannot write " + spec.path);
    });
    if (std::fclose(file.release()) != 0) throw std::runtime_error("cannot write " + spec.path);
}

void WriteGzip(const FileSpec& spec)
{
    gzFile file = gzopen(spec.path.c_str(), "wb1");
    if (!file) throw std::runtime_error("cannot create " + spec.path);
    try {
        WriteAnyRecords(spec, [&](const void* data, std::size_t bytes) {
            if (gzwrite(file, data, static_cast<unsigned>(bytes)) != static_cast<int>(bytes)) {
                throw std::runtime_error("cannot write " + spec.path);
            }
        });
    } catch (...) {
        gzclose(file);
        throw;
    }
    if (gzclose(file) != Z_OK) throw std::runtime_error("cannot write " + spec.path);
}

void WriteBgeo(const FileSpec& spec)
{
    if (spec.count > static_cast<std::uint64_t>(std::numeric_limits<int>::max())) {
        throw std::runtime_error("BGEO files hold fewer particles");
    }
    std::unique_ptr<Partio::ParticlesDataMutable, void (*)(Partio::ParticlesDataMutable*)> data(
        Partio::create(), [](Partio::ParticlesDataMutable* d) { d->release(); });
    const Partio::ParticleAttribute position = data->addAttribute("position", Partio::VECTOR, 3);
    Partio::ParticleAttribute velocity, colour;
    if (spec.record == Record::PosVel) velocity = data->addAttribute("velocity", Partio::VECTOR, 3);
    if (spec.record == Record::PosCol) colour = data->addAttribute("Cd", Partio::VECTOR, 3);
    const int count = static_cast<int>(spec.count);
    data->addParticles(count);
    for (int i = 0; i < count; ++i) {
        const Particle p = MakeParticle(spec.kind, spec.seed, static_cast<std::uint64_t>(i));
        std::copy(p.position, p.position + 3, data->dataWrite<float>(position, i));
        if (spec.record == Record::PosVel) std::copy(p.velocity, p.velocity + 3, data->dataWrite<float>(velocity, i));
        if (spec.record == Record::PosCol) {
            float* c = data->dataWrite<float>(colour, i);
            for (int a = 0; a < 3; ++a) c[a] = p.colour[a] / 255.0f;
        }
    }
    if (!Partio::write(spec.path.c_str(), *data)) throw std::runtime_error("cannot write " + spec.path);
}

}  // namespace

Particle MakeParticle(Kind kind, std::uint64_t seed, std::uint64_t index)
{
    Random r(seed * 0x2545F4914F6CDD1Dull + index * 0x9E3779B97F4A7C15ull);
    r.Next();
    return kind == Kind::DamBreak ? DamBreak(seed, index, r) : Uniform(r);
}

void WriteFile(const FileSpec& spec)
{
    if (EndsWith(spec.path, ".raw")) {
        WriteRaw(spec);
    } else if (EndsWith(spec.path, ".raw.gz")) {
        WriteGzip(spec);
    } else if (EndsWith(spec.path, ".bgeo") || EndsWith(spec.path, ".bgeo.gz")) {
        WriteBgeo(spec);
    } else {
        throw std::runtime_error("unknown file ending (.raw, .raw.gz, .bgeo): " + spec.path);
    }
}

}  // namespace Synthetic
