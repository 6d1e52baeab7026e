#include "src/RawParticleReader.h"

#include "platform/win/RegularFile.h"
#include "src/ParticleTypeNames.h"
#include "tarnwick/core/ErrorReport.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using ParticleTypes::TemplateMethodName;

constexpr const char* InvalidSizeMessage =
    "Invalid file size (not a multiple of sizeof(Particle)). Did you forget to adjust the header size?";

// gzread takes an unsigned and answers with an int.
constexpr std::int64_t MaxGzReadBytes = std::int64_t{1} << 30;

// Deflate's best case: 258 bytes from a match coded in about two bits.
constexpr std::int64_t MaxDeflateRatio = 1032;

// Smallest gzip member: a 10-byte header and the 8-byte trailer around the data.
constexpr std::int64_t MinGzipFileSize = 18;

template <class T>
std::string Method(const char* reader, const char* method)
{
    return TemplateMethodName<T>(reader, method);
}

template <class T>
void CheckHeaderSize(const char* reader, int headerSize)
{
    if (headerSize < 0) {
        QZ_THROW(Method<T>(reader, reader).c_str(), "Invalid header size ", headerSize,
                 ": the header size must not be negative");
    }
}

// Up to count records, never past the end; a negative count is the caller's error.
std::int64_t ClampedCount(const std::string& method, std::int64_t count, std::int64_t remaining)
{
    if (count < 0) QZ_THROW(method.c_str(), "Invalid record count ", count);
    return std::min(count, remaining);
}

// A read that delivered less than it was asked for.
template <class T>
[[noreturn]] void ThrowShortRead(const char* reader, const std::string& fileName, std::int64_t delivered,
                                 std::int64_t asked, const std::string& reason)
{
    QZ_THROW(Method<T>(reader, "ReadChunk").c_str(), fileName, ": Read ", delivered, " of ",
             asked, " records: ", reason);
}

// Fills the vector with read(target, count, delivered). Only whole records that arrived
// stay in the buffer, so nothing of an earlier chunk can pass for new data.
template <class T, class Read>
void ReadIntoVector(std::vector<T>& buffer, std::int64_t count, Read&& read)
{
    buffer.resize(static_cast<std::size_t>(count));
    std::int64_t delivered = 0;
    try {
        read(buffer.data(), count, delivered);
    } catch (...) {
        buffer.resize(static_cast<std::size_t>(delivered));
        throw;
    }
}

// The records read(target, count, delivered) brings: all of them, or it fails.
template <class T, class Read>
std::int64_t ReadIntoMemory(T* target, std::int64_t count, Read&& read)
{
    std::int64_t delivered = 0;
    read(target, count, delivered);
    return delivered;
}

template <class T>
bool HoldsWholeRecords(std::int64_t dataSize)
{
    return dataSize >= 0 && dataSize % static_cast<std::int64_t>(sizeof(T)) == 0;
}

// FIFOs and devices are refused here: they have no size to check, and opening a FIFO
// would wait for a writer.
int OpenDescriptorForReading(const std::string& method, const std::string& fileName)
{
    std::string failure;
    const int descriptor = platform::win::OpenRegularFileDescriptor(fileName, failure);
    if (descriptor >= 0) return descriptor;
    if (failure == platform::win::NotARegularFileText) {
        QZ_THROW(method.c_str(), "Could not open ", fileName, " for reading (", failure, ")");
    }
    QZ_THROW(method.c_str(), "Could not open ", fileName, " for reading");
}

RawParticleFiles::CFile OpenForReading(const std::string& method, const std::string& fileName)
{
    const int descriptor = OpenDescriptorForReading(method, fileName);
    RawParticleFiles::CFile file(::fdopen(descriptor, "rb"));
    if (!file) {
        ::close(descriptor);
        QZ_THROW(method.c_str(), "Could not open ", fileName, " for reading");
    }
    return file;
}

struct Descriptor {
    explicit Descriptor(int value) : value(value) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor()
    {
        if (value >= 0) ::close(value);
    }
    int value;
};

std::string GzErrorText(gzFile stream)
{
    int code = Z_OK;
    const char* text = gzerror(stream, &code);
    return code == Z_OK || !text ? std::string() : std::string(text);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// RawParticleReader

template <class T>
RawParticleReader<T>::RawParticleReader(int headerSize) : headerOffset_(headerSize)
{
    CheckHeaderSize<T>("RawParticleReader", headerSize);
}

template <class T>
void RawParticleReader<T>::OpenFile(const std::string& fileName)
{
    CloseFile();
    fileName_ = fileName;
    qz::core::Logger::BeginMessageWith("Opening raw particle file ") << fileName;

    const std::string method = Method<T>("RawParticleReader", "OpenFile");
    RawParticleFiles::CFile file = OpenForReading(method, fileName);

    if (fseeko(file.get(), 0, SEEK_END) != 0) {
        QZ_THROW(method.c_str(), fileName, ": Could not determine the file size (", std::strerror(errno), ")");
    }
    const std::int64_t dataSize = ftello(file.get()) - headerOffset_;
    if (!HoldsWholeRecords<T>(dataSize)) {
        QZ_THROW(method.c_str(), fileName, ": ", InvalidSizeMessage);
    }
    if (fseeko(file.get(), headerOffset_, SEEK_SET) != 0) {
        QZ_THROW(method.c_str(), fileName, ": Could not skip the header (", std::strerror(errno), ")");
    }
    dataSize_ = dataSize;
    file_ = std::move(file);
}

template <class T>
void RawParticleReader<T>::CloseFile()
{
    file_.reset();
    dataSize_ = 0;
    fileName_.clear();
}

template <class T>
bool RawParticleReader<T>::IsEof() const
{
    return !file_ || ftello(file_.get()) == headerOffset_ + dataSize_;
}

template <class T>
std::int64_t RawParticleReader<T>::GetParticleCount() const
{
    return dataSize_ / static_cast<std::int64_t>(sizeof(T));
}

template <class T>
std::int64_t RawParticleReader<T>::GetCurrentIndex() const
{
    if (!file_) return 0;
    return (ftello(file_.get()) - headerOffset_) / static_cast<std::int64_t>(sizeof(T));
}

template <class T>
std::int64_t RawParticleReader<T>::CountToRead(std::int64_t count) const
{
    if (IsEof()) QZ_THROW(Method<T>("RawParticleReader", "ReadChunk").c_str(), "End of file already reached");
    return ClampedCount(Method<T>("RawParticleReader", "ReadChunk"), count, GetParticleCount() - GetCurrentIndex());
}

template <class T>
void RawParticleReader<T>::ReadRecords(T* target, std::int64_t count, std::int64_t& delivered)
{
    delivered = static_cast<std::int64_t>(std::fread(target, sizeof(T), static_cast<std::size_t>(count), file_.get()));
    if (delivered != count) {
        const std::string reason = std::ferror(file_.get())
                                       ? std::string("read error (") + std::strerror(errno) + ")"
                                       : std::string("the file ends early; was it cut short while open?");
        ThrowShortRead<T>("RawParticleReader", fileName_, delivered, count, reason);
    }
}

template <class T>
void RawParticleReader<T>::ReadChunk(std::vector<T>& buffer, std::int64_t count)
{
    ReadIntoVector(buffer, CountToRead(count), [this](T* to, std::int64_t n, std::int64_t& got) { ReadRecords(to, n, got); });
}

template <class T>
std::int64_t RawParticleReader<T>::ReadInto(T* target, std::int64_t count)
{
    return ReadIntoMemory(target, CountToRead(count), [this](T* to, std::int64_t n, std::int64_t& got) { ReadRecords(to, n, got); });
}

// ---------------------------------------------------------------------------------------
// RawParticleGZReader

template <class T>
RawParticleGZReader<T>::RawParticleGZReader(int headerSize) : headerOffset_(headerSize)
{
    CheckHeaderSize<T>("RawParticleGZReader", headerSize);
}

template <class T>
void RawParticleGZReader<T>::OpenFile(const std::string& fileName)
{
    CloseFile();
    fileName_ = fileName;
    qz::core::Logger::BeginMessageWith("Opening compressed raw particle file ") << fileName;

    const std::string method = Method<T>("RawParticleGZReader", "OpenFile");
    std::int64_t dataSize = 0;
    RawParticleFiles::GzFile stream;
    {
        Descriptor file(OpenDescriptorForReading(method, fileName));

        unsigned char magic[2] = {0, 0};
        if (::pread(file.value, magic, 2, 0) != 2 || magic[0] != 0x1f || magic[1] != 0x8b) {
            QZ_THROW(method.c_str(), fileName, ": Not a gzip file");
        }
        unsigned char trailer[4] = {0, 0, 0, 0};
        struct stat info {};
        const std::int64_t fileSize = ::fstat(file.value, &info) == 0 ? info.st_size : -1;
        if (fileSize < MinGzipFileSize || ::pread(file.value, trailer, 4, fileSize - 4) != 4) {
            QZ_THROW(method.c_str(), fileName, ": Truncated gzip file (no size trailer)");
        }
        // ISIZE: the uncompressed length modulo 2^32, little-endian.
        const std::int64_t uncompressed = std::int64_t{trailer[0]} | std::int64_t{trailer[1]} << 8 |
                                          std::int64_t{trailer[2]} << 16 | std::int64_t{trailer[3]} << 24;
        // The tail of a cut-off download is no trailer; deflate cannot expand data more than
        // this, so such sizes are refused before anyone allocates buffers for them.
        if (uncompressed > fileSize * MaxDeflateRatio) {
            QZ_THROW(method.c_str(), fileName,
                     ": Corrupt or truncated gzip file (its size trailer claims more data than the file can hold)");
        }
        dataSize = uncompressed - headerOffset_;
        if (!HoldsWholeRecords<T>(dataSize)) {
            QZ_THROW(method.c_str(), InvalidSizeMessage);
        }
        // zlib reads the descriptor that was checked, from its start, and closes it.
        stream.reset(gzdopen(file.value, "rb"));
        if (!stream) QZ_THROW(method.c_str(), "Could not open ", fileName, " for reading");
        file.value = -1;
    }
    // A larger input buffer than zlib's 8 KiB saves system calls on big files.
    gzbuffer(stream.get(), 1u << 17);
    // Skipping happens lazily at the first read, where a stream shorter than the header
    // shows up as a short read.
    if (gzseek(stream.get(), headerOffset_, SEEK_SET) != headerOffset_) {
        QZ_THROW(method.c_str(), fileName, ": Could not skip the header (", GzErrorText(stream.get()), ")");
    }
    particleCount_ = dataSize / static_cast<std::int64_t>(sizeof(T));
    stream_ = std::move(stream);
}

template <class T>
void RawParticleGZReader<T>::CloseFile()
{
    stream_.reset();
    particleCount_ = 0;
    fileName_.clear();
}

template <class T>
bool RawParticleGZReader<T>::IsEof() const
{
    return !stream_ || gzeof(stream_.get()) != 0;
}

template <class T>
std::int64_t RawParticleGZReader<T>::GetParticleCount() const
{
    return particleCount_;
}

template <class T>
std::int64_t RawParticleGZReader<T>::GetCurrentIndex() const
{
    if (!stream_) return 0;
    return (gztell(stream_.get()) - headerOffset_) / static_cast<std::int64_t>(sizeof(T));
}

template <class T>
std::int64_t RawParticleGZReader<T>::ReadBytes(void* target, std::int64_t size)
{
    auto* bytes = static_cast<unsigned char*>(target);
    std::int64_t done = 0;
    while (done < size) {
        const auto piece = static_cast<unsigned>(std::min(size - done, MaxGzReadBytes));
        const int got = gzread(stream_.get(), bytes + done, piece);
        if (got <= 0) break;
        done += got;
    }
    return done;
}

template <class T>
std::int64_t RawParticleGZReader<T>::CountToRead(std::int64_t count) const
{
    if (IsEof()) QZ_THROW(Method<T>("RawParticleGZReader", "ReadChunk").c_str(), "End of file already reached");
    return ClampedCount(Method<T>("RawParticleGZReader", "ReadChunk"), count, particleCount_ - GetCurrentIndex());
}

template <class T>
void RawParticleGZReader<T>::ReadRecords(T* target, std::int64_t count, std::int64_t& delivered)
{
    const std::int64_t asked = count * static_cast<std::int64_t>(sizeof(T));
    const std::int64_t bytes = ReadBytes(target, asked);
    delivered = bytes / static_cast<std::int64_t>(sizeof(T));
    if (bytes != asked) {
        const std::string zlibError = GzErrorText(stream_.get());
        const std::string reason = zlibError.empty()
                                       ? std::string("the compressed data ends early (truncated file, or a size "
                                                     "trailer that does not match the data)")
                                       : "corrupt or truncated compressed data (" + zlibError + ")";
        ThrowShortRead<T>("RawParticleGZReader", fileName_, delivered, count, reason);
    }
    if (GetCurrentIndex() == particleCount_) VerifyEndOfStream();
}

template <class T>
void RawParticleGZReader<T>::ReadChunk(std::vector<T>& buffer, std::int64_t count)
{
    ReadIntoVector(buffer, CountToRead(count), [this](T* to, std::int64_t n, std::int64_t& got) { ReadRecords(to, n, got); });
}

template <class T>
std::int64_t RawParticleGZReader<T>::ReadInto(T* target, std::int64_t count)
{
    return ReadIntoMemory(target, CountToRead(count), [this](T* to, std::int64_t n, std::int64_t& got) { ReadRecords(to, n, got); });
}

template <class T>
void RawParticleGZReader<T>::VerifyEndOfStream()
{
    // Reading on past the last record makes zlib check the trailer's checksum and length
    // and look for more data.
    unsigned char extra = 0;
    const int got = gzread(stream_.get(), &extra, 1);
    const std::string method = Method<T>("RawParticleGZReader", "ReadChunk");
    // A stream cut short before its trailer is only a soft error to zlib: 0 bytes read.
    const std::string zlibError = GzErrorText(stream_.get());
    if (got < 0 || !zlibError.empty()) {
        QZ_THROW(method.c_str(), fileName_, ": Corrupt or truncated compressed data (", zlibError, ")");
    }
    if (got > 0) {
        QZ_THROW(method.c_str(), fileName_,
                 ": The data goes on beyond the size in the gzip trailer (over 4 GiB uncompressed, or "
                 "several gzip members); such files cannot be read");
    }
}

template class RawParticleReader<ParticleTypes::RawParticle_Pos>;
template class RawParticleReader<ParticleTypes::RawParticle_PosVel>;
template class RawParticleReader<ParticleTypes::RawParticle_PosCol>;
template class RawParticleReader<ParticleTypes::RawParticle_PosRad>;
template class RawParticleReader<ParticleTypes::RawParticle_PosNormal>;

template class RawParticleGZReader<ParticleTypes::RawParticle_Pos>;
template class RawParticleGZReader<ParticleTypes::RawParticle_PosVel>;
template class RawParticleGZReader<ParticleTypes::RawParticle_PosCol>;
template class RawParticleGZReader<ParticleTypes::RawParticle_PosRad>;
template class RawParticleGZReader<ParticleTypes::RawParticle_PosNormal>;
