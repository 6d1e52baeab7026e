#pragma once
// Partio subset: particle data with named, typed attributes, read from files by name.
//
// Readers are chosen by extension: ".bgeo" (also ".bgeo.gz"; gzip data is recognised by
// its magic number) is the classic binary BGEO format, version 5. Its point position
// appears as the attribute "position" (VECTOR, 3 floats), index 0, followed by the file's
// point attributes in their order and with their names as stored.
//
// Particle data is created by read() or create() and given back with release().

#include <cstdint>
#include <iostream>
#include <string>
#include <type_traits>
#include <vector>

namespace Partio {

enum ParticleAttributeType { NONE = 0, VECTOR = 1, FLOAT = 2, INT = 3, INDEXEDSTR = 4 };

struct ParticleAttribute {
    ParticleAttributeType type = NONE;
    int count = 0;
    std::string name;
    int attributeIndex = -1;
};

class ParticlesDataMutable {
public:
    ParticlesDataMutable(const ParticlesDataMutable&) = delete;
    ParticlesDataMutable& operator=(const ParticlesDataMutable&) = delete;

    int numParticles() const { return particleCount_; }
    int numAttributes() const { return static_cast<int>(columns_.size()); }

    // False when there is no such attribute; the record is left as it was.
    bool attributeInfo(int index, ParticleAttribute& attribute) const;
    bool attributeInfo(const char* name, ParticleAttribute& attribute) const;

    // The `count` values of one particle. FLOAT and VECTOR attributes hold float, INT and
    // INDEXEDSTR hold int; asking with the other type, or with an attribute record that
    // is not this data's, gives null. The particle index is not checked.
    template <class T>
    const T* data(const ParticleAttribute& attribute, int particleIndex) const;
    template <class T>
    T* dataWrite(const ParticleAttribute& attribute, int particleIndex);

    // New attributes and particles start zeroed.
    ParticleAttribute addAttribute(const char* name, ParticleAttributeType type, int count);
    // Returns the index of the first new particle.
    int addParticles(int count);

    // Frees the data; the pointer is dead afterwards.
    void release() { delete this; }

private:
    friend ParticlesDataMutable* create();
    ParticlesDataMutable() = default;
    ~ParticlesDataMutable() = default;

    struct Column {
        ParticleAttribute info;
        std::vector<float> floats;
        std::vector<int> ints;
    };

    template <class T>
    std::vector<T>* Storage(const ParticleAttribute& attribute);

    std::vector<Column> columns_;
    int particleCount_ = 0;
};

ParticlesDataMutable* create();

// The whole file, or null when it cannot be read (the reason goes to errorStream when
// verbose is set).
ParticlesDataMutable* read(const char* filename, bool verbose = true, std::ostream& errorStream = std::cerr);

// Writes BGEO version 5 ("position" must be 3 floats and becomes the point position);
// gzip-compressed when the name ends in ".gz" or when forced. False on failure.
bool write(const char* filename, const ParticlesDataMutable& particles, bool forceCompressed = false,
           bool verbose = true, std::ostream& errorStream = std::cerr);

// ---------------------------------------------------------------------------------------

template <class T>
std::vector<T>* ParticlesDataMutable::Storage(const ParticleAttribute& attribute)
{
    static_assert(std::is_same_v<T, float> || std::is_same_v<T, int>, "attributes hold float or int");
    const int index = attribute.attributeIndex;
    if (index < 0 || index >= numAttributes()) return nullptr;
    Column& column = columns_[static_cast<std::size_t>(index)];
    const bool floats = column.info.type == FLOAT || column.info.type == VECTOR;
    if constexpr (std::is_same_v<T, float>) {
        return floats ? &column.floats : nullptr;
    } else {
        return floats ? nullptr : &column.ints;
    }
}

template <class T>
const T* ParticlesDataMutable::data(const ParticleAttribute& attribute, int particleIndex) const
{
    return const_cast<ParticlesDataMutable*>(this)->dataWrite<T>(attribute, particleIndex);
}

template <class T>
T* ParticlesDataMutable::dataWrite(const ParticleAttribute& attribute, int particleIndex)
{
    std::vector<T>* storage = Storage<T>(attribute);
    if (!storage) return nullptr;
    const auto count = static_cast<std::size_t>(columns_[static_cast<std::size_t>(attribute.attributeIndex)].info.count);
    return storage->data() + static_cast<std::size_t>(particleIndex) * count;
}

}  // namespace Partio
