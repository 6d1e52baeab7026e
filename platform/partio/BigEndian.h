#pragma once
// Big-endian words, the byte order of BGEO files.

#include <bit>
#include <cstdint>
#include <string>

namespace platform::partio {

inline std::uint32_t BigEndianU32(const unsigned char* bytes)
{
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 |
           std::uint32_t{bytes[3]};
}

// Bytes appended in big-endian order.
class BigEndianBuffer {
public:
    BigEndianBuffer& Bytes(const void* data, std::size_t size)
    {
        bytes_.append(static_cast<const char*>(data), size);
        return *this;
    }
    BigEndianBuffer& Text(const std::string& text) { return Bytes(text.data(), text.size()); }
    BigEndianBuffer& U8(std::uint8_t value) { return Bytes(&value, 1); }
    BigEndianBuffer& U16(std::uint16_t value)
    {
        const unsigned char b[2] = {static_cast<unsigned char>(value >> 8), static_cast<unsigned char>(value)};
        return Bytes(b, 2);
    }
    BigEndianBuffer& U32(std::uint32_t value)
    {
        const unsigned char b[4] = {static_cast<unsigned char>(value >> 24), static_cast<unsigned char>(value >> 16),
                                    static_cast<unsigned char>(value >> 8), static_cast<unsigned char>(value)};
        return Bytes(b, 4);
    }
    BigEndianBuffer& I32(std::int32_t value) { return U32(static_cast<std::uint32_t>(value)); }
    BigEndianBuffer& F32(float value) { return U32(std::bit_cast<std::uint32_t>(value)); }

    const std::string& Data() const { return bytes_; }

private:
    std::string bytes_;
};

}  // namespace platform::partio
