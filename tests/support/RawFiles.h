#pragma once
// Raw particle files for the readers' tests: records with distinct bytes in every
// position (also the fields no reader interprets), behind an optional header.

#include "src/RawParticleReader.h"
#include "tarnwick/core/Exception.h"
#include "tests/support/BinaryFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace qz::test {

template <class T>
std::vector<T> PatternRecords(std::size_t count, unsigned seed = 1)
{
    std::vector<T> records(count);
    auto* bytes = reinterpret_cast<unsigned char*>(records.data());
    for (std::size_t i = 0; i < count * sizeof(T); ++i) {
        bytes[i] = static_cast<unsigned char>((i * 131 + seed * 17 + i / 251) & 0xff);
    }
    return records;
}

inline std::string HeaderBytes(int size)
{
    return std::string(static_cast<std::size_t>(size), '\xa5');
}

template <class T>
::testing::AssertionResult SameRecords(const std::vector<T>& expected, const std::vector<T>& actual)
{
    if (expected.size() != actual.size()) {
        return ::testing::AssertionFailure() << expected.size() << " records expected, " << actual.size() << " read";
    }
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (std::memcmp(&expected[i], &actual[i], sizeof(T)) != 0) {
            return ::testing::AssertionFailure() << "record " << i << " differs";
        }
    }
    return ::testing::AssertionSuccess();
}

// The two file kinds: how a file is stored and which reader reads it.
struct PlainFiles {
    template <class T>
    using Reader = RawParticleReader<T>;
    static constexpr const char* Extension = ".raw";
    static void Store(const std::string& path, const std::string& bytes) { WriteBinaryFile(path, bytes); }
};

struct GzipFiles {
    template <class T>
    using Reader = RawParticleGZReader<T>;
    static constexpr const char* Extension = ".raw.gz";
    static void Store(const std::string& path, const std::string& bytes) { WriteBinaryFile(path, GzipBytes(bytes)); }
};

}  // namespace qz::test
