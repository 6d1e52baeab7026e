#pragma once
// Records from BGEO files through the Partio layer. OpenFile reads the whole file into
// memory (with a console spinner meanwhile); ReadChunk copies records out of it.
//
//   PartioReader<T>           the reader, for the five record types
//   PartioAttributeReader<T>  which attributes make a record: "position" for
//                             RawParticle_Pos, "position" and "velocity" for
//                             RawParticle_PosVel; the other types throw at the first chunk

#include "platform/partio/Partio.h"
#include "src/ParticleLoader.h"
#include "src/ParticleTypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace PartioFiles {

struct ReleaseParticles {
    void operator()(Partio::ParticlesDataMutable* particles) const { particles->release(); }
};
using ParticlesOwner = std::unique_ptr<Partio::ParticlesDataMutable, ReleaseParticles>;

}  // namespace PartioFiles

template <class T>
struct PartioAttributeReader {
    // Fills buffer[0, count) from particles start, start + 1, ...; the buffer already
    // holds count records and the particles exist.
    void operator()(const Partio::ParticlesDataMutable& particles, std::int64_t start, std::int64_t count,
                    std::vector<T>& buffer) const;
};

template <>
void PartioAttributeReader<ParticleTypes::RawParticle_Pos>::operator()(const Partio::ParticlesDataMutable&, std::int64_t,
                                                                      std::int64_t,
                                                                      std::vector<ParticleTypes::RawParticle_Pos>&) const;
template <>
void PartioAttributeReader<ParticleTypes::RawParticle_PosVel>::operator()(
    const Partio::ParticlesDataMutable&, std::int64_t, std::int64_t, std::vector<ParticleTypes::RawParticle_PosVel>&) const;

template <class T>
class PartioReader : public ParticleLoader<T> {
public:
    PartioReader() = default;

    // Throws "Could not open <name> for reading" (with Partio's reason) when the file
    // cannot be read.
    void OpenFile(const std::string& fileName) override;
    void CloseFile() override;
    // Delivers an empty buffer at the end instead of throwing.
    void ReadChunk(std::vector<T>& buffer, std::int64_t count) override;
    bool IsEof() const override;
    std::int64_t GetParticleCount() const override;
    std::int64_t GetCurrentIndex() const override { return index_; }

private:
    PartioFiles::ParticlesOwner particles_;
    std::int64_t index_ = 0;
};
