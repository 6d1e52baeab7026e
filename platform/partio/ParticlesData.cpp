#include "platform/partio/Partio.h"

#include <cstring>

namespace Partio {

ParticlesDataMutable* create()
{
    return new ParticlesDataMutable();
}

bool ParticlesDataMutable::attributeInfo(int index, ParticleAttribute& attribute) const
{
    if (index < 0 || index >= numAttributes()) return false;
    attribute = columns_[static_cast<std::size_t>(index)].info;
    return true;
}

bool ParticlesDataMutable::attributeInfo(const char* name, ParticleAttribute& attribute) const
{
    if (!name) return false;
    for (const Column& column : columns_) {
        if (column.info.name == name) {
            attribute = column.info;
            return true;
        }
    }
    return false;
}

ParticleAttribute ParticlesDataMutable::addAttribute(const char* name, ParticleAttributeType type, int count)
{
    Column column;
    column.info.type = type;
    column.info.count = count > 0 ? count : 0;
    column.info.name = name ? name : "";
    column.info.attributeIndex = numAttributes();
    const auto values = static_cast<std::size_t>(particleCount_) * static_cast<std::size_t>(column.info.count);
    if (type == FLOAT || type == VECTOR) {
        column.floats.resize(values);
    } else {
        column.ints.resize(values);
    }
    columns_.push_back(std::move(column));
    return columns_.back().info;
}

int ParticlesDataMutable::addParticles(int count)
{
    const int first = particleCount_;
    if (count <= 0) return first;
    particleCount_ += count;
    for (Column& column : columns_) {
        const auto values = static_cast<std::size_t>(particleCount_) * static_cast<std::size_t>(column.info.count);
        if (column.info.type == FLOAT || column.info.type == VECTOR) {
            column.floats.resize(values);
        } else {
            column.ints.resize(values);
        }
    }
    return first;
}

}  // namespace Partio
