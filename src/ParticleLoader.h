#pragma once
// The reader interface behind which raw, gzip and Partio files deliver records of type T
// (one of the record types of ParticleTypes.h) to the loading pipeline.
//
// Use: OpenFile, GetParticleCount, ReadChunk until the records wanted are in, CloseFile.
// Failures throw qz::core::Exception.

#include <cstdint>
#include <string>
#include <vector>

template <class T>
class ParticleLoader {
public:
    ParticleLoader() = default;
    ParticleLoader(const ParticleLoader&) = delete;
    ParticleLoader& operator=(const ParticleLoader&) = delete;
    virtual ~ParticleLoader() = default;

    // Opens the file (closing what was open) and positions before the first record.
    virtual void OpenFile(const std::string& fileName) = 0;
    // Releases the file; does nothing when none is open.
    virtual void CloseFile() = 0;
    // Up to count records from the current index on; the buffer is resized to the number
    // delivered, which is smaller than count only at the end of the records.
    virtual void ReadChunk(std::vector<T>& buffer, std::int64_t count) = 0;
    // As ReadChunk, into memory with room for count records: answers the number delivered.
    // Readers that can only fill vectors answer -1 and read nothing.
    virtual std::int64_t ReadInto(T* /*target*/, std::int64_t /*count*/) { return -1; }
    virtual bool IsEof() const = 0;
    // Records in the file, after the header.
    virtual std::int64_t GetParticleCount() const = 0;
    // Index of the next record to read.
    virtual std::int64_t GetCurrentIndex() const = 0;
    // Every reader answers true.
    virtual bool IsValid() const { return true; }
};
