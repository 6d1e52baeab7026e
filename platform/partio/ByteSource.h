#pragma once
// The bytes of a file for a parser that checks every length before it uses it: reads
// either deliver all that was asked or throw, and a limit on the bytes left is known
// before anything is allocated. Gzip files are inflated as they are read; for them the
// limit is what deflate can at most make of the compressed bytes.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform::partio {

// A file that cannot be read as what it claims to be.
class FormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Throws FormatError when fewer than size bytes are left.
    virtual void Read(void* target, std::uint64_t size) = 0;
    virtual void Skip(std::uint64_t size) = 0;
    // The bytes left, or for compressed data an upper limit of them.
    virtual std::uint64_t Remaining() const = 0;
    // Called when the parser has all it needs. Compressed data is inflated on to its end
    // and its checksum checked, as long as the rest is no larger than what was read (plus
    // a mebibyte); a longer rest is left alone, so a small file of long runs costs
    // nothing. Throws FormatError for a corrupt or truncated end.
    virtual void VerifyEnd() {}

    std::uint8_t ReadU8();
    std::uint16_t ReadU16();  // big-endian
    std::uint32_t ReadU32();  // big-endian
    std::int32_t ReadI32();   // big-endian
};

// Opens a file, plain or gzip-compressed (told apart by the gzip magic number).
// Throws FormatError when it cannot be opened (FIFOs and devices included) or inflated.
std::unique_ptr<ByteSource> OpenByteSource(const std::string& fileName);

}  // namespace platform::partio
