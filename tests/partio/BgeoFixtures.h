#pragma once
// Hand-built BGEO files for the reader's tests, written byte by byte so that they do not
// depend on the writer.

#include "platform/partio/BigEndian.h"
#include "platform/partio/Partio.h"

#include <array>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

namespace qz::test {

using platform::partio::BigEndianBuffer;

struct ReleaseParticles {
    void operator()(Partio::ParticlesDataMutable* particles) const { particles->release(); }
};
using Particles = std::unique_ptr<Partio::ParticlesDataMutable, ReleaseParticles>;

// The header: magic, version and the eight counts (points, primitives, point groups,
// primitive groups, point attributes, vertex, primitive and detail attributes).
inline BigEndianBuffer BgeoHeader(std::int32_t points, std::int32_t pointAttributes, std::int32_t version = 5)
{
    BigEndianBuffer out;
    out.Text("Bgeo").U8('V').I32(version);
    const std::array<std::int32_t, 8> counts = {points, 0, 0, 0, pointAttributes, 0, 0, 0};
    for (std::int32_t count : counts) out.I32(count);
    return out;
}

inline void AttributeDefinition(BigEndianBuffer& out, const std::string& name, std::uint16_t size, std::int32_t type)
{
    out.U16(static_cast<std::uint16_t>(name.size())).Text(name).U16(size).I32(type);
}

// Two points: "v" (vector 3, defaults 9 9 9), "id" (int 1), "kind" (index 1 with the
// strings "water" and "foam"), "rho" (float 1). Position w values are 1 and 7.
inline std::string HandBuiltBgeo()
{
    BigEndianBuffer out = BgeoHeader(2, 4);
    AttributeDefinition(out, "v", 3, 5);
    out.F32(9.0f).F32(9.0f).F32(9.0f);
    AttributeDefinition(out, "id", 1, 1);
    out.I32(-1);
    AttributeDefinition(out, "kind", 1, 4);
    out.I32(2).U16(5).Text("water").U16(4).Text("foam");
    AttributeDefinition(out, "rho", 1, 0);
    out.F32(1000.0f);
    // Point 0
    out.F32(1.5f).F32(-2.25f).F32(3.0e-39f).F32(1.0f);
    out.F32(0.1f).F32(-0.0f).F32(1.0e30f);
    out.I32(-123456);
    out.I32(1);
    out.F32(998.5f);
    // Point 1
    out.F32(-4.0f).F32(5.0f).F32(6.0f).F32(7.0f);
    out.F32(7.0f).F32(8.0f).F32(9.0f);
    out.I32(2147483647);
    out.I32(0);
    out.F32(1001.25f);
    // Primitives and the rest are not read.
    out.Text("trailing data the reader ignores");
    return out.Data();
}

// Read with the reason of a failure kept.
struct ReadResult {
    Particles particles;
    std::string error;
};

inline ReadResult ReadParticles(const std::string& path)
{
    std::ostringstream errors;
    ReadResult result;
    result.particles.reset(Partio::read(path.c_str(), true, errors));
    result.error = errors.str();
    return result;
}

}  // namespace qz::test
