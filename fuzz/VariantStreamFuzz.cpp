// Any bytes as the binary key-value stream of a collection with an item of every type:
// reading either applies the elements or stops with an error report, never reading past
// the buffer. The collection's own stream is read back to the same values.

#include "fuzz/FuzzInput.h"
#include "fuzz/SettingsFixture.h"
#include "tarnwick/core/Exception.h"

#include <cstring>
#include <memory>
#include <new>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qz::fuzz::SilenceLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A copy of exactly the input's size, so that a read past its end is an overrun.
    const std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[size]);
    if (size) std::memcpy(bytes.get(), data, size);
    qz::fuzz::SettingsFixture settings;
    try {
        settings.volume.LoadFromBinaryKeyValue(bytes.get(), size);
    } catch (const qz::core::Exception&) {
    }

    // Whatever was read, the collection's own stream gives it back unchanged.
    void* saved = nullptr;
    std::size_t savedSize = 0;
    settings.volume.SaveToBinaryKeyValue(saved, savedSize);
    qz::fuzz::SettingsFixture copy;
    copy.volume.LoadFromBinaryKeyValue(saved, savedSize);
    void* again = nullptr;
    std::size_t againSize = 0;
    copy.volume.SaveToBinaryKeyValue(again, againSize);
    qz::fuzz::Require(savedSize == againSize && std::memcmp(saved, again, savedSize) == 0);
    ::operator delete(saved);
    ::operator delete(again);
    return 0;
}
