#include "src/PartioReader.h"

#include "src/ParticleTypeNames.h"
#include "tarnwick/core/ErrorReport.h"
#include "tarnwick/utils/ConsoleSpinner.h"

#include <sstream>

namespace {

using ParticleTypes::TemplateMethodName;

template <class T>
std::string AttributeReaderMethod()
{
    return TemplateMethodName<T>("PartioAttributeReader", "operator ()");
}

// The attribute of that name, which must hold three floats per particle.
template <class T>
Partio::ParticleAttribute Float3Attribute(const Partio::ParticlesDataMutable& particles, const char* name)
{
    Partio::ParticleAttribute attribute;
    if (!particles.attributeInfo(name, attribute)) {
        QZ_THROW(AttributeReaderMethod<T>().c_str(), "Could not find attribute \"", name, "\"");
    }
    if ((attribute.type != Partio::VECTOR && attribute.type != Partio::FLOAT) || attribute.count != 3) {
        QZ_THROW(AttributeReaderMethod<T>().c_str(), "Invalid \"", name, "\" attribute: float3 required");
    }
    return attribute;
}

// Calls store(record, values) for each record with the attribute's three floats of its particle.
template <class T, class Store>
void CopyFloat3(const Partio::ParticlesDataMutable& particles, const Partio::ParticleAttribute& attribute,
                std::int64_t start, std::int64_t count, std::vector<T>& buffer, Store store)
{
    for (std::int64_t i = 0; i < count; ++i) {
        store(buffer[static_cast<std::size_t>(i)], particles.data<float>(attribute, static_cast<int>(start + i)));
    }
}

template <class T>
void CopyPositions(const Partio::ParticlesDataMutable& particles, const Partio::ParticleAttribute& position,
                   std::int64_t start, std::int64_t count, std::vector<T>& buffer)
{
    CopyFloat3(particles, position, start, count, buffer, [](T& record, const float* xyz) {
        record.x = xyz[0];
        record.y = xyz[1];
        record.z = xyz[2];
    });
}

}  // namespace

// ---------------------------------------------------------------------------------------
// PartioAttributeReader

template <class T>
void PartioAttributeReader<T>::operator()(const Partio::ParticlesDataMutable&, std::int64_t, std::int64_t,
                                          std::vector<T>&) const
{
    QZ_THROW(AttributeReaderMethod<T>().c_str(), "Unsupported particle type for BGEO conversion");
}

template <>
void PartioAttributeReader<ParticleTypes::RawParticle_Pos>::operator()(
    const Partio::ParticlesDataMutable& particles, std::int64_t start, std::int64_t count,
    std::vector<ParticleTypes::RawParticle_Pos>& buffer) const
{
    using T = ParticleTypes::RawParticle_Pos;
    const Partio::ParticleAttribute position = Float3Attribute<T>(particles, "position");
    CopyPositions(particles, position, start, count, buffer);
}

template <>
void PartioAttributeReader<ParticleTypes::RawParticle_PosVel>::operator()(
    const Partio::ParticlesDataMutable& particles, std::int64_t start, std::int64_t count,
    std::vector<ParticleTypes::RawParticle_PosVel>& buffer) const
{
    using T = ParticleTypes::RawParticle_PosVel;
    const Partio::ParticleAttribute position = Float3Attribute<T>(particles, "position");
    const Partio::ParticleAttribute velocity = Float3Attribute<T>(particles, "velocity");
    CopyPositions(particles, position, start, count, buffer);
    CopyFloat3(particles, velocity, start, count, buffer, [](T& record, const float* v) {
        record.vx = v[0];
        record.vy = v[1];
        record.vz = v[2];
    });
}

// ---------------------------------------------------------------------------------------
// PartioReader

template <class T>
void PartioReader<T>::OpenFile(const std::string& fileName)
{
    CloseFile();
    std::ostringstream reason;
    {
        // Finished on every path, also when reading throws.
        qz::utils::ConsoleSpinner spinner;
        spinner.Start("Reading PARTIO data");
        particles_.reset(Partio::read(fileName.c_str(), true, reason));
        index_ = 0;
        spinner.Finish();
    }
    if (!particles_) {
        std::string why = reason.str();
        while (!why.empty() && why.back() == '\n') why.pop_back();
        QZ_THROW(TemplateMethodName<T>("PartioReader", "OpenFile").c_str(), "Could not open ", fileName,
                 " for reading", why.empty() ? "" : "\n", why);
    }

    qz::core::Logger::BeginMessageWith("Opened bgeo file:\n") << "\t" << particles_->numParticles() << " particles";
    for (int i = 0; i < particles_->numAttributes(); ++i) {
        Partio::ParticleAttribute attribute;
        particles_->attributeInfo(i, attribute);
        qz::core::Logger::BeginMessageWith("\tAttribute ") << attribute.name << ", count " << attribute.count;
    }
}

template <class T>
void PartioReader<T>::CloseFile()
{
    particles_.reset();
}

template <class T>
bool PartioReader<T>::IsEof() const
{
    return !particles_ || index_ == particles_->numParticles();
}

template <class T>
std::int64_t PartioReader<T>::GetParticleCount() const
{
    return particles_ ? particles_->numParticles() : 0;
}

template <class T>
void PartioReader<T>::ReadChunk(std::vector<T>& buffer, std::int64_t count)
{
    if (count < 0) QZ_THROW(TemplateMethodName<T>("PartioReader", "ReadChunk").c_str(), "Invalid record count ", count);
    count = std::min(count, GetParticleCount() - index_);
    buffer.resize(static_cast<std::size_t>(count));
    if (!particles_) return;
    PartioAttributeReader<T>()(*particles_, index_, count, buffer);
    index_ += count;
}

template struct PartioAttributeReader<ParticleTypes::RawParticle_PosCol>;
template struct PartioAttributeReader<ParticleTypes::RawParticle_PosRad>;
template struct PartioAttributeReader<ParticleTypes::RawParticle_PosNormal>;

template class PartioReader<ParticleTypes::RawParticle_Pos>;
template class PartioReader<ParticleTypes::RawParticle_PosVel>;
template class PartioReader<ParticleTypes::RawParticle_PosCol>;
template class PartioReader<ParticleTypes::RawParticle_PosRad>;
template class PartioReader<ParticleTypes::RawParticle_PosNormal>;
