#include "platform/partio/ByteSource.h"

#include "platform/partio/BigEndian.h"
#include "platform/win/RegularFile.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

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

// Deflate's best case: 258 bytes from a match coded in about two bits.
constexpr std::uint64_t MaxDeflateRatio = 1032;

struct GzCloser {
    void operator()(gzFile file) const { gzclose(file); }
};

// Inflates as the parser reads, so a file is inflated only as far as its counts need,
// and a small file of long runs cannot fill the memory before its header is read.
class GzipSource : public ByteSource {
public:
    GzipSource(gzFile stream, std::uint64_t compressedSize)
        : stream_(stream), bound_(compressedSize * MaxDeflateRatio)
    {
        gzbuffer(stream, 1u << 17);
    }

    void Read(void* target, std::uint64_t size) override
    {
        if (size > Remaining()) ThrowTruncated();
        auto* bytes = static_cast<unsigned char*>(target);
        while (size > 0) {
            const auto piece = static_cast<unsigned>(std::min<std::uint64_t>(size, std::uint64_t {1} << 30));
            const int got = gzread(stream_.get(), bytes, piece);
            // A stream cut short is only a soft error to zlib (Z_BUF_ERROR, 0 bytes read).
            int code = Z_OK;
            const char* message = gzerror(stream_.get(), &code);
            if (got < 0 || (code != Z_OK && code != Z_BUF_ERROR)) {
                throw FormatError(std::string("corrupt gzip data (") + message + ")");
            }
            if (got == 0) ThrowTruncated();
            inflated_ += static_cast<std::uint64_t>(got);
            bytes += got;
            size -= static_cast<std::uint64_t>(got);
        }
    }

    void Skip(std::uint64_t size) override
    {
        unsigned char scratch[1u << 14];
        while (size > 0) {
            const std::uint64_t piece = std::min<std::uint64_t>(size, sizeof(scratch));
            Read(scratch, piece);
            size -= piece;
        }
    }

    void VerifyEnd() override
    {
        std::uint64_t budget = inflated_ + (std::uint64_t {1} << 20);
        unsigned char scratch[1u << 14];
        for (;;) {
            const int got = gzread(stream_.get(), scratch, sizeof(scratch));
            int code = Z_OK;
            const char* message = gzerror(stream_.get(), &code);
            if (got < 0 || code != Z_OK) throw FormatError(std::string("corrupt or truncated gzip data (") + message + ")");
            if (got == 0) return;
            if (static_cast<std::uint64_t>(got) >= budget) return;
            budget -= static_cast<std::uint64_t>(got);
        }
    }

    // Not known before the end: what deflate could at most make of the compressed bytes.
    std::uint64_t Remaining() const override { return inflated_ < bound_ ? bound_ - inflated_ : 0; }

private:
    std::unique_ptr<gzFile_s, GzCloser> stream_;
    std::uint64_t bound_;
    std::uint64_t inflated_ = 0;
};

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
    std::string failure;
    const int descriptor = platform::win::OpenRegularFileDescriptor(fileName, failure);
    if (descriptor < 0) throw FormatError("cannot open the file (" + failure + ")");
    struct stat info {};
    unsigned char magic[2] = {0, 0};
    if (::fstat(descriptor, &info) != 0) {
        ::close(descriptor);
        throw FormatError("cannot determine the file size");
    }
    const auto size = static_cast<std::uint64_t>(info.st_size);
    const bool gzip = ::pread(descriptor, magic, 2, 0) == 2 && magic[0] == 0x1f && magic[1] == 0x8b;
    if (gzip) {
        gzFile stream = gzdopen(descriptor, "rb");
        if (!stream) {
            ::close(descriptor);
            throw FormatError("cannot open the file for inflating");
        }
        return std::make_unique<GzipSource>(stream, size);
    }
    CFile file(::fdopen(descriptor, "rb"));
    if (!file) {
        ::close(descriptor);
        throw FormatError("cannot open the file");
    }
    return std::make_unique<FileSource>(std::move(file), size);
}

}  // namespace platform::partio
