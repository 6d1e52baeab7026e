#pragma once
// Any bytes as a raw particle file, read with every record type, a header size and a
// chunk length taken from the first two bytes: the reader either refuses the file or a
// chunk with an error report, or delivers exactly the records it counted, never more
// than asked. Anything else (a crash, an overrun, a leak) is a finding.

#include "fuzz/FuzzInput.h"
#include "src/RawParticleReader.h"
#include "tarnwick/core/Exception.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qz::fuzz {

template <class Reader, class T>
void ReadAll(const std::string& path, int headerSize, std::int64_t chunk, bool knowsItsEnd)
{
    Reader reader(headerSize);
    try {
        reader.OpenFile(path);
    } catch (const qz::core::Exception&) {
        Require(reader.GetParticleCount() == 0);
        return;
    }
    const std::int64_t count = reader.GetParticleCount();
    Require(count >= 0);
    std::vector<T> buffer;
    std::int64_t read = 0;
    try {
        while (read < count) {
            reader.ReadChunk(buffer, chunk);
            Require(static_cast<std::int64_t>(buffer.size()) <= chunk && !buffer.empty());
            read += static_cast<std::int64_t>(buffer.size());
            Require(reader.GetCurrentIndex() == read);
        }
        if (knowsItsEnd) Require(reader.IsEof());
        if (!reader.IsEof()) {
            reader.ReadChunk(buffer, chunk);
            Require(buffer.empty());
        }
    } catch (const qz::core::Exception&) {
        // Only whole records that arrived stay.
        Require(static_cast<std::int64_t>(buffer.size()) <= chunk);
    }
    Require(read <= count);
}

template <template <class> class Reader>
int FuzzRawReader(const std::uint8_t* data, std::size_t size, bool knowsItsEnd)
{
    if (size < 2) return 0;
    using namespace ParticleTypes;
    const int headerSize = data[1] % 64;
    const std::int64_t chunk = 1 + data[0] / 5 % 16;
    const std::string path = InputFile(data + 2, size - 2);
    switch (data[0] % 5) {
    case 0: ReadAll<Reader<RawParticle_Pos>, RawParticle_Pos>(path, headerSize, chunk, knowsItsEnd); break;
    case 1: ReadAll<Reader<RawParticle_PosVel>, RawParticle_PosVel>(path, headerSize, chunk, knowsItsEnd); break;
    case 2: ReadAll<Reader<RawParticle_PosCol>, RawParticle_PosCol>(path, headerSize, chunk, knowsItsEnd); break;
    case 3: ReadAll<Reader<RawParticle_PosRad>, RawParticle_PosRad>(path, headerSize, chunk, knowsItsEnd); break;
    default: ReadAll<Reader<RawParticle_PosNormal>, RawParticle_PosNormal>(path, headerSize, chunk, knowsItsEnd); break;
    }
    return 0;
}

}  // namespace qz::fuzz
