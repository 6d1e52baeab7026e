#pragma once
// Readers of raw particle files: an optional header of a configured number of bytes,
// then packed records of type T and nothing else.
//
//   RawParticleReader<T>    *.raw, through stdio with 64-bit positions
//   RawParticleGZReader<T>  *.raw.gz, through zlib; the record count comes from the gzip
//                           size trailer, so the data must be one gzip member of less
//                           than 4 GiB (checked when the last record has been read)
//
// Both are instantiated for the five record types of ParticleTypes.h. Every read is
// checked: a file that ends early or does not decompress throws instead of delivering
// stale or zeroed records.

#include "src/ParticleLoader.h"
#include "src/ParticleTypes.h"

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace RawParticleFiles {

struct CloseCFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using CFile = std::unique_ptr<std::FILE, CloseCFile>;

struct CloseGzFile {
    void operator()(gzFile file) const { gzclose(file); }
};
using GzFile = std::unique_ptr<gzFile_s, CloseGzFile>;

}  // namespace RawParticleFiles

template <class T>
class RawParticleReader : public ParticleLoader<T> {
public:
    // headerSize: bytes skipped at the start of the file; negative sizes throw.
    explicit RawParticleReader(int headerSize);

    void OpenFile(const std::string& fileName) override;
    void CloseFile() override;
    void ReadChunk(std::vector<T>& buffer, std::int64_t count) override;
    std::int64_t ReadInto(T* target, std::int64_t count) override;
    // A closed reader is at its end and has no records.
    bool IsEof() const override;
    std::int64_t GetParticleCount() const override;
    std::int64_t GetCurrentIndex() const override;

private:
    // The records a read of count records gets; fails at the end of the file.
    std::int64_t CountToRead(std::int64_t count) const;
    // Reads count records into target; fails, having read what came, when fewer come.
    // `delivered` tells how many came.
    void ReadRecords(T* target, std::int64_t count, std::int64_t& delivered);

    RawParticleFiles::CFile file_;
    std::int64_t headerOffset_;
    std::int64_t dataSize_ = 0;
    std::string fileName_;
};

template <class T>
class RawParticleGZReader : public ParticleLoader<T> {
public:
    // headerSize: bytes skipped at the start of the decompressed data; negative sizes throw.
    explicit RawParticleGZReader(int headerSize);

    void OpenFile(const std::string& fileName) override;
    void CloseFile() override;
    // After the last record the rest of the stream is checked: its checksum, and that no
    // data follows (a size trailer that wrapped at 4 GiB, or further gzip members).
    void ReadChunk(std::vector<T>& buffer, std::int64_t count) override;
    std::int64_t ReadInto(T* target, std::int64_t count) override;
    // zlib's end-of-file flag; a closed reader is at its end.
    bool IsEof() const override;
    std::int64_t GetParticleCount() const override;
    std::int64_t GetCurrentIndex() const override;

private:
    // Reads size bytes in pieces that gzread accepts; returns how many arrived.
    std::int64_t ReadBytes(void* target, std::int64_t size);
    std::int64_t CountToRead(std::int64_t count) const;
    void ReadRecords(T* target, std::int64_t count, std::int64_t& delivered);
    void VerifyEndOfStream();

    RawParticleFiles::GzFile stream_;
    std::int64_t headerOffset_;
    std::int64_t particleCount_ = 0;
    std::string fileName_;
};
