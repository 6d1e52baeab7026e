#include "platform/partio/BgeoReader.h"

#include "platform/partio/BgeoFormat.h"
#include "platform/partio/BigEndian.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace platform::partio {

namespace {

struct Release {
    void operator()(Partio::ParticlesDataMutable* particles) const { particles->release(); }
};
using ParticlesOwner = std::unique_ptr<Partio::ParticlesDataMutable, Release>;

struct PointAttribute {
    Partio::ParticleAttribute attribute;
    bool floats;
};

void ReadMagic(ByteSource& in)
{
    char magic[4] = {0, 0, 0, 0};
    if (in.Remaining() < sizeof(magic)) throw FormatError("not a BGEO file (too short)");
    in.Read(magic, sizeof(magic));
    if (std::memcmp(magic, BgeoMagic, sizeof(magic)) == 0) return;
    if ((magic[0] == 0x7f && magic[1] == 'N' && magic[2] == 'S' && magic[3] == 'J') || magic[0] == '{') {
        throw FormatError("this is the newer JSON-based geometry format; only classic binary BGEO is read");
    }
    throw FormatError("not a BGEO file");
}

void ReadVersion(ByteSource& in)
{
    if (in.Remaining() < 1 || in.ReadU8() != BgeoVersionTag) throw FormatError("not a BGEO file (no version tag)");
    const std::int32_t version = in.ReadI32();
    if (version != BgeoVersion) {
        throw FormatError("BGEO version " + std::to_string(version) + " is not supported (only version 5)");
    }
}

std::string ReadName(ByteSource& in)
{
    const std::uint16_t length = in.ReadU16();
    std::string name(length, '\0');
    in.Read(name.data(), length);
    return name;
}

// Definitions have at least a name length, a size and a type: 8 bytes.
std::vector<PointAttribute> ReadPointAttributes(ByteSource& in, std::int32_t count,
                                                Partio::ParticlesDataMutable& particles)
{
    if (static_cast<std::uint64_t>(count) > in.Remaining() / 8) {
        throw FormatError(std::to_string(count) + " point attributes announced, more than the file can hold");
    }
    std::vector<PointAttribute> attributes;
    for (std::int32_t i = 0; i < count; ++i) {
        const std::string name = ReadName(in);
        const std::uint16_t size = in.ReadU16();
        const std::int32_t bgeoType = in.ReadI32();
        const auto type = ToPartioType(bgeoType);
        if (!type) {
            throw FormatError("point attribute \"" + name + "\" has the unsupported type " + std::to_string(bgeoType));
        }
        if (size == 0) throw FormatError("point attribute \"" + name + "\" has no components");
        if (bgeoType == BgeoIndex) {
            const std::int32_t strings = in.ReadI32();
            // Each string has at least its 2-byte length.
            if (strings < 0 || static_cast<std::uint64_t>(strings) > in.Remaining() / 2) {
                throw FormatError("point attribute \"" + name + "\" announces " + std::to_string(strings) +
                                  " strings, more than the file can hold");
            }
            for (std::int32_t s = 0; s < strings; ++s) in.Skip(in.ReadU16());
        } else {
            in.Skip(std::uint64_t{size} * 4);  // defaults
        }
        attributes.push_back({particles.addAttribute(name.c_str(), *type, size), bgeoType != BgeoInt && bgeoType != BgeoIndex});
    }
    return attributes;
}

void ReadPoints(ByteSource& in, std::int32_t pointCount, const Partio::ParticleAttribute& position,
                const std::vector<PointAttribute>& attributes, Partio::ParticlesDataMutable& particles)
{
    std::uint64_t recordBytes = BgeoPositionBytes;
    for (const PointAttribute& a : attributes) recordBytes += std::uint64_t(a.attribute.count) * 4;
    if (static_cast<std::uint64_t>(pointCount) > in.Remaining() / recordBytes) {
        throw FormatError(std::to_string(pointCount) + " points of " + std::to_string(recordBytes) +
                          " bytes announced, more than the file holds (truncated file?)");
    }
    particles.addParticles(pointCount);

    const std::uint64_t blockPoints = std::max<std::uint64_t>(1, (std::uint64_t{1} << 20) / recordBytes);
    std::vector<unsigned char> block;
    for (std::int32_t first = 0; first < pointCount;) {
        const auto points = static_cast<std::int32_t>(std::min<std::uint64_t>(blockPoints, std::uint64_t(pointCount - first)));
        block.resize(static_cast<std::size_t>(points * recordBytes));
        in.Read(block.data(), block.size());
        const unsigned char* word = block.data();
        for (std::int32_t p = first; p < first + points; ++p) {
            float* xyz = particles.dataWrite<float>(position, p);
            for (int c = 0; c < 3; ++c) xyz[c] = std::bit_cast<float>(BigEndianU32(word + 4 * c));
            word += BgeoPositionBytes;
            for (const PointAttribute& a : attributes) {
                if (a.floats) {
                    float* values = particles.dataWrite<float>(a.attribute, p);
                    for (int c = 0; c < a.attribute.count; ++c, word += 4) values[c] = std::bit_cast<float>(BigEndianU32(word));
                } else {
                    int* values = particles.dataWrite<int>(a.attribute, p);
                    for (int c = 0; c < a.attribute.count; ++c, word += 4) values[c] = static_cast<int>(BigEndianU32(word));
                }
            }
        }
        first += points;
    }
}

}  // namespace

Partio::ParticlesDataMutable* ReadBgeo(ByteSource& in)
{
    ReadMagic(in);
    ReadVersion(in);
    static const char* const countNames[BgeoHeaderCounts] = {
        "points", "primitives", "point groups", "primitive groups",
        "point attributes", "vertex attributes", "primitive attributes", "detail attributes"};
    std::int32_t counts[BgeoHeaderCounts];
    for (int i = 0; i < BgeoHeaderCounts; ++i) {
        counts[i] = in.ReadI32();
        if (counts[i] < 0) throw FormatError("negative number of " + std::string(countNames[i]) + ": " + std::to_string(counts[i]));
    }

    ParticlesOwner particles(Partio::create());
    const Partio::ParticleAttribute position = particles->addAttribute("position", Partio::VECTOR, 3);
    const std::vector<PointAttribute> attributes = ReadPointAttributes(in, counts[4], *particles);
    ReadPoints(in, counts[0], position, attributes, *particles);
    in.VerifyEnd();
    return particles.release();
}

}  // namespace platform::partio
