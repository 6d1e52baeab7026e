// Writes the points of particle data as classic binary BGEO, version 5: enough for test
// fixtures and for handing data to tools that read the format.

#include "platform/partio/BgeoFormat.h"
#include "platform/partio/BigEndian.h"
#include "platform/partio/FileNames.h"
#include "platform/partio/Partio.h"

#include <zlib.h>

#include <climits>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform::partio {

namespace {

std::string Encode(const Partio::ParticlesDataMutable& particles)
{
    Partio::ParticleAttribute position;
    if (!particles.attributeInfo("position", position) || position.count != 3 ||
        (position.type != Partio::VECTOR && position.type != Partio::FLOAT)) {
        throw std::runtime_error("the particles have no 3-component float attribute \"position\"");
    }
    std::vector<Partio::ParticleAttribute> attributes;
    for (int i = 0; i < particles.numAttributes(); ++i) {
        Partio::ParticleAttribute attribute;
        particles.attributeInfo(i, attribute);
        if (attribute.attributeIndex == position.attributeIndex) continue;
        if (!ToBgeoType(attribute.type) || attribute.count < 1 || attribute.count > 0xFFFF || attribute.name.size() > 0xFFFF) {
            throw std::runtime_error("attribute \"" + attribute.name + "\" cannot be written as BGEO");
        }
        attributes.push_back(attribute);
    }

    BigEndianBuffer out;
    out.Bytes(BgeoMagic, sizeof(BgeoMagic));
    out.Bytes(&BgeoVersionTag, 1);
    out.I32(BgeoVersion);
    const std::int32_t counts[BgeoHeaderCounts] = {particles.numParticles(), 0, 0, 0,
                                                   static_cast<std::int32_t>(attributes.size()), 0, 0, 0};
    for (std::int32_t count : counts) out.I32(count);

    for (const Partio::ParticleAttribute& attribute : attributes) {
        out.U16(static_cast<std::uint16_t>(attribute.name.size()));
        out.Bytes(attribute.name.data(), attribute.name.size());
        out.U16(static_cast<std::uint16_t>(attribute.count));
        const BgeoAttributeType type = *ToBgeoType(attribute.type);
        out.I32(type);
        if (type == BgeoIndex) {
            out.I32(0);  // no string table
        } else {
            for (int c = 0; c < attribute.count; ++c) out.U32(0);
        }
    }

    for (int p = 0; p < particles.numParticles(); ++p) {
        const float* xyz = particles.data<float>(position, p);
        for (int c = 0; c < 3; ++c) out.F32(xyz[c]);
        out.F32(1.0f);
        for (const Partio::ParticleAttribute& attribute : attributes) {
            if (attribute.type == Partio::FLOAT || attribute.type == Partio::VECTOR) {
                const float* values = particles.data<float>(attribute, p);
                for (int c = 0; c < attribute.count; ++c) out.F32(values[c]);
            } else {
                const int* values = particles.data<int>(attribute, p);
                for (int c = 0; c < attribute.count; ++c) out.I32(values[c]);
            }
        }
    }
    return out.Data();
}

void Store(const std::string& fileName, const std::string& bytes, bool compressed)
{
    if (compressed) {
        if (bytes.size() > static_cast<std::size_t>(INT_MAX)) throw std::runtime_error("too large to compress in one piece");
        gzFile stream = gzopen(fileName.c_str(), "wb");
        if (!stream) throw std::runtime_error("cannot create the file");
        const bool written = bytes.empty() || gzwrite(stream, bytes.data(), static_cast<unsigned>(bytes.size())) ==
                                                  static_cast<int>(bytes.size());
        if (gzclose(stream) != Z_OK || !written) throw std::runtime_error("cannot write the file");
        return;
    }
    std::FILE* file = std::fopen(fileName.c_str(), "wb");
    if (!file) throw std::runtime_error("cannot create the file");
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written) throw std::runtime_error("cannot write the file");
}

}  // namespace

}  // namespace platform::partio

namespace Partio {

bool write(const char* filename, const ParticlesDataMutable& particles, bool forceCompressed, bool verbose,
           std::ostream& errorStream)
{
    const std::string name = filename ? filename : "";
    try {
        platform::partio::Store(name, platform::partio::Encode(particles),
                                forceCompressed || platform::partio::EndsWith(name, ".gz"));
        return true;
    } catch (const std::exception& error) {
        if (verbose) errorStream << "Partio: " << name << ": " << error.what() << std::endl;
        return false;
    }
}

}  // namespace Partio
