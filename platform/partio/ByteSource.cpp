#include "platform/partio/ByteSource.h"

#include "platform/partio/BigEndian.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace platform::partio {

namespace {

[[noreturn]] void ThrowTruncated()
{
    throw FormatError("the file ends before the data it announces (truncated file?)");
}

struct CloseCFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using CFile = std::unique_ptr<std::FILE, CloseCFile>;

class FileSource : public ByteSource {
public:
    FileSource(CFile file, std::uint64_t size) : file_(std::move(file)), remaining_(size) {}

    void Read(void* target, std::uint64_t size) override
    {
        if (size > remaining_) ThrowTruncated();
        // A file that shrinks while it is read ends early here.
        if (std::fread(target, 1, size, file_.get()) != size) ThrowTruncated();
        remaining_ -= size;
    }

    void Skip(std::uint64_t size) override
    {
        if (size > remaining_) ThrowTruncated();
        if (fseeko(file_.get(), static_cast<off_t>(size), SEEK_CUR) != 0) ThrowTruncated();
        remaining_ -= size;
    }

    std::uint64_t Remaining() const override { return remaining_; }

private:
    CFile file_;
    std::uint64_t remaining_;
};

class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::vector<unsigned char> bytes) : bytes_(std::move(bytes)) {}

    void Read(void* target, std::uint64_t size) override
    {
        if (size > Remaining()) ThrowTruncated();
        if (size > 0) std::memcpy(target, bytes_.data() + position_, size);
        position_ += size;
    }

    void Skip(std::uint64_t size) override
    {
        if (size > Remaining()) ThrowTruncated();
        position_ += size;
    }

    std::uint64_t Remaining() const override { return bytes_.size() - position_; }

private:
    std::vector<unsigned char> bytes_;
    std::uint64_t position_ = 0;
};

struct GzCloser {
    void operator()(gzFile file) const { gzclose(file); }
};

std::vector<unsigned char> Inflate(const std::string& fileName)
{
    std::unique_ptr<gzFile_s, GzCloser> stream(gzopen(fileName.c_str(), "rb"));
    if (!stream) throw FormatError("cannot open the file");
    gzbuffer(stream.get(), 1u << 17);
    std::vector<unsigned char> bytes;
    constexpr std::size_t Piece = 1u << 20;
    for (;;) {
        const std::size_t used = bytes.size();
        bytes.resize(used + Piece);
        const int got = gzread(stream.get(), bytes.data() + used, static_cast<unsigned>(Piece));
        // A stream cut short is only a soft error to zlib (Z_BUF_ERROR, 0 bytes read).
        int code = Z_OK;
        const char* message = gzerror(stream.get(), &code);
        if (got < 0 || code != Z_OK) throw FormatError(std::string("corrupt or truncated gzip data (") + message + ")");
        bytes.resize(used + static_cast<std::size_t>(got));
        if (got == 0) break;
    }
    bytes.shrink_to_fit();
    return bytes;
}

}  // namespace

std::uint8_t ByteSource::ReadU8()
{
    std::uint8_t value = 0;
    Read(&value, 1);
    return value;
}

std::uint16_t ByteSource::ReadU16()
{
    unsigned char bytes[2];
    Read(bytes, 2);
    return static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]);
}

std::uint32_t ByteSource::ReadU32()
{
    unsigned char bytes[4];
    Read(bytes, 4);
    return BigEndianU32(bytes);
}

std::int32_t ByteSource::ReadI32()
{
    return static_cast<std::int32_t>(ReadU32());
}

std::unique_ptr<ByteSource> OpenByteSource(const std::string& fileName)
{
    CFile file(std::fopen(fileName.c_str(), "rb"));
    if (!file) throw FormatError(std::string("cannot open the file (") + std::strerror(errno) + ")");
    off_t size = -1;
    if (fseeko(file.get(), 0, SEEK_END) == 0) size = ftello(file.get());
    if (size < 0 || fseeko(file.get(), 0, SEEK_SET) != 0) throw FormatError("cannot determine the file size");

    unsigned char magic[2] = {0, 0};
    const bool gzip = size >= 2 && std::fread(magic, 1, 2, file.get()) == 2 && magic[0] == 0x1f && magic[1] == 0x8b;
    if (gzip) {
        file.reset();
        return std::make_unique<MemorySource>(Inflate(fileName));
    }
    if (fseeko(file.get(), 0, SEEK_SET) != 0) throw FormatError("cannot read the file");
    return std::make_unique<FileSource>(std::move(file), static_cast<std::uint64_t>(size));
}

}  // namespace platform::partio
