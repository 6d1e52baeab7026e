#include "bench/volume/DamBreak.h"

#include <cmath>

namespace bench {

namespace {

std::uint64_t Mix(std::uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// Uniform floats in [0, 1) from one particle's stream.
class Stream {
public:
    explicit Stream(std::uint64_t index) : state_(Mix(index * 0x100000001B3ull + 12345)) {}
    float Next()
    {
        state_ = Mix(state_);
        return static_cast<float>(state_ >> 40) * (1.0f / 16777216.0f);
    }

private:
    std::uint64_t state_;
};

}  // namespace

void MakeDamBreak(std::uint64_t first, std::uint64_t count,
                  ParticleTypes::VolumeParticle<ParticleTypes::ParticleAttributes_None>* out)
{
    for (std::uint64_t i = first; i < first + count; ++i) {
        Stream random(i);
        const float kind = random.Next();
        ParticleTypes::VolumeParticle<ParticleTypes::ParticleAttributes_None> p {};
        if (kind < 0.80f) {
            // The collapsing column: its surface falls from 1.6 at the wall to 0 at x 2.6.
            p.x = 2.6f * random.Next();
            const float height = 1.6f * std::sqrt(1.0f - p.x / 2.6f) + 0.02f;
            p.y = height * random.Next();
            p.z = random.Next();
        } else if (kind < 0.92f) {
            // The sheet along the floor ahead of the column.
            p.x = 2.6f + 1.35f * random.Next();
            p.y = 0.06f * random.Next() * random.Next();
            p.z = random.Next();
        } else {
            // Spray: 4096 droplet clusters above the front.
            Stream cluster(static_cast<std::uint64_t>(random.Next() * 4096.0f) + (1ull << 40));
            const float cx = 2.2f + 1.7f * cluster.Next();
            const float cy = 0.1f + 1.2f * cluster.Next() * cluster.Next();
            const float cz = cluster.Next();
            const float spread = 0.004f + 0.02f * cluster.Next();
            p.x = cx + spread * (random.Next() + random.Next() - 1.0f);
            p.y = cy + spread * (random.Next() + random.Next() - 1.0f);
            p.z = cz + spread * (random.Next() + random.Next() - 1.0f);
        }
        out[i - first] = p;
    }
}

}  // namespace bench
