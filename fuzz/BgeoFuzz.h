#pragma once
// Any bytes as a BGEO file: Partio's read either returns null or particle data whose
// every attribute value can be read, and the record copying of the particle reader either
// fills the records or throws its error report. Anything else is a finding.

#include "fuzz/FuzzInput.h"
#include "platform/partio/Partio.h"
#include "src/PartioReader.h"
#include "tarnwick/core/Exception.h"

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace qz::fuzz {

template <class T>
void CopyRecords(const Partio::ParticlesDataMutable& particles)
{
    std::vector<T> records(static_cast<std::size_t>(particles.numParticles()));
    try {
        PartioAttributeReader<T>()(particles, 0, particles.numParticles(), records);
    } catch (const qz::core::Exception&) {
    }
}

inline void ReadBgeo(const std::string& path)
{
    std::ostringstream reasons;
    const std::unique_ptr<Partio::ParticlesDataMutable, PartioFiles::ReleaseParticles> particles(
        Partio::read(path.c_str(), true, reasons));
    if (!particles) {
        Require(!reasons.str().empty());
        return;
    }
    Require(particles->numParticles() >= 0);
    Partio::ParticleAttribute position;
    Require(particles->attributeInfo("position", position) && position.count == 3);
    float sum = 0;
    for (int a = 0; a < particles->numAttributes(); ++a) {
        Partio::ParticleAttribute attribute;
        Require(particles->attributeInfo(a, attribute) && attribute.count > 0);
        const bool floats = attribute.type == Partio::FLOAT || attribute.type == Partio::VECTOR;
        for (int p = 0; p < particles->numParticles(); ++p) {
            for (int c = 0; c < attribute.count; ++c) {
                sum += floats ? particles->data<float>(attribute, p)[c] : static_cast<float>(particles->data<int>(attribute, p)[c]);
            }
        }
    }
    volatile float keep = sum;
    (void)keep;
    CopyRecords<ParticleTypes::RawParticle_Pos>(*particles);
    CopyRecords<ParticleTypes::RawParticle_PosVel>(*particles);
}

}  // namespace qz::fuzz
