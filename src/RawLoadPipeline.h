#pragma once
// Moves the records of an open reader into converted chunks on three threads:
//
//   reader     reads piece p of the records into buffer p % 2     (one piece ahead at most)
//   converter  appends buffer p % 2 to its chunk; once a chunk is whole, its index
//              goes onto the queue
//   inserter   (optional) pops i and inserts chunk i while reading goes on; before that
//              it runs the (optional) preparation, which thus overlaps reading too
//
// Chunks are read in pieces so that reading and converting overlap even for a file of
// one chunk, and the two buffers stay small and warm. Readers that can read into any
// memory fill buffers of the given pool, which the next timestep gets back: fresh memory
// comes slowly, and a vector would also be zeroed before the read.
//
// A pipeline thread starts and joins the reader and the converter. A failure on any
// thread cancels the others, which stop at their next hand-over; Run rethrows the first
// failure once every thread has ended. The threads report as the members of the volume
// that they work for: "ParticleVolume<...>::RawChunkReaderThread" and so on.

#include "src/ChunkBufferExchange.h"
#include "src/ConcurrentQueue.h"
#include "src/LargeArray.h"
#include "src/ParticleLoader.h"
#include "src/ParticleTypeNames.h"
#include "tarnwick/core/ErrorReport.h"
#include "tarnwick/core/Logging.h"
#include "tarnwick/utils/Timer.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <thread>
#include <vector>

// How n records split into chunks of at most `chunkSize`, each read in pieces of at most
// `pieceSize`.
struct RawLoadPlan {
    static constexpr std::uint64_t DefaultChunkSize = 50'000'000;
    // Large enough that the converter's team, which waits for each piece, is woken
    // rarely: with pieces of 1 M records a busy machine took twice as long to convert.
    static constexpr std::uint64_t DefaultPieceSize = 1 << 22;

    std::uint64_t particleCount = 0;
    std::uint64_t chunkSize = DefaultChunkSize;
    std::uint64_t pieceSize = DefaultPieceSize;

    std::size_t ChunkCount() const
    {
        return static_cast<std::size_t>((particleCount + chunkSize - 1) / chunkSize);
    }
    std::uint64_t ChunkLength(std::size_t chunk) const
    {
        return std::min(particleCount - chunk * chunkSize, chunkSize);
    }

    struct Piece {
        std::size_t chunk;
        std::uint64_t offset;  // in the chunk
        std::uint64_t count;
        bool ChunkEnds(const RawLoadPlan& plan) const { return offset + count == plan.ChunkLength(chunk); }
    };
    // Calls visit(piece) for every piece in file order until visit returns false.
    template <class Visit>
    void ForEachPiece(Visit&& visit) const
    {
        for (std::size_t chunk = 0; chunk < ChunkCount(); ++chunk) {
            const std::uint64_t length = ChunkLength(chunk);
            for (std::uint64_t offset = 0; offset < length; offset += pieceSize) {
                if (!visit(Piece {chunk, offset, std::min(pieceSize, length - offset)})) return;
            }
        }
    }
};

template <class T, class Particle, class Chunk = std::vector<Particle>>
class RawLoadPipeline {
public:
    // Appends the converted records to the chunk.
    using Converter = std::function<void(std::span<const T> records, Chunk& chunk)>;
    // Inserts chunk i; called on the inserter thread, in chunk order.
    using Inserter = std::function<void(std::size_t chunk)>;
    // Work that insertion needs done, such as sizing its output.
    using Preparer = std::function<void()>;

    // `chunks` must hold plan.ChunkCount() vectors. Without an inserter the chunks are
    // only converted. The reading timer runs from the start of the threads to the end
    // of conversion. The read buffers come from `pool` when one is given.
    RawLoadPipeline(ParticleLoader<T>& reader, const RawLoadPlan& plan, std::vector<Chunk>& chunks,
                    Converter convert, Inserter insert, Preparer prepare = nullptr,
                    std::shared_ptr<LargeMemory::Pool> pool = nullptr)
        : reader_(reader),
          plan_(plan),
          chunks_(chunks),
          convert_(std::move(convert)),
          insert_(std::move(insert)),
          prepare_(std::move(prepare)),
          buffers_ {LargeVector<T>(LargeArrayAllocator<T>(pool)), LargeVector<T>(LargeArrayAllocator<T>(pool))}
    {
    }

    // True from the start of Run until the reader and the converter have ended.
    bool IsReading() const { return reading_.load(); }

    void Run(qz::utils::Timer& readingTimer)
    {
        if (plan_.chunkSize == 0 || plan_.pieceSize == 0 || chunks_.size() != plan_.ChunkCount()) {
            QZ_THROW("RawLoadPipeline::Run", "Invalid chunk plan: ", plan_.particleCount, " particles in chunks of ",
                     plan_.chunkSize, " read in pieces of ", plan_.pieceSize, ", ", chunks_.size(), " chunk vectors");
        }
        reading_.store(true);
        readingTimer.Reset();
        {
            // Joined when the scope ends, also when the second thread cannot start.
            std::jthread pipeline;
            std::jthread inserter;
            try {
                pipeline = std::jthread([this, &readingTimer] { RawLoadPipelineThread(readingTimer); });
                if (insert_ || prepare_) inserter = std::jthread([this] { Guard([this] { RawChunkInserterThread(); }); });
            } catch (...) {
                Fail();
                throw;
            }
        }
        if (failure_) std::rethrow_exception(failure_);
    }

private:
    static constexpr auto PollInterval = std::chrono::milliseconds(5);

    template <class P>
    struct VolumeOf;
    template <class Attr>
    struct VolumeOf<ParticleTypes::VolumeParticle<Attr>> {
        static std::string Method(const char* thread)
        {
            return ParticleTypes::TemplateMethodName<Attr>("ParticleVolume", thread);
        }
    };
    static std::string Method(const char* thread) { return VolumeOf<Particle>::Method(thread); }

    template <class Work>
    void Guard(Work&& work) noexcept
    {
        try {
            work();
        } catch (...) {
            Fail();
        }
    }

    // Keeps the first failure and wakes every thread.
    void Fail() noexcept
    {
        {
            std::lock_guard lock(failureMutex_);
            if (!failure_) failure_ = std::current_exception();
        }
        cancelled_.store(true);
        exchange_.Cancel();
    }

    void RawLoadPipelineThread(qz::utils::Timer& readingTimer)
    {
        {
            std::jthread reader;
            std::jthread converter;
            Guard([&] {
                reader = std::jthread([this] { Guard([this] { RawChunkReaderThread(); }); });
                converter = std::jthread([this] { Guard([this] { RawChunkConverterThread(); }); });
            });
        }
        reading_.store(false);
        readingTimer.Stop();
    }

    void RawChunkReaderThread()
    {
        const float total = static_cast<float>(plan_.particleCount) / 1000000.0f;
        std::size_t p = 0;
        plan_.ForEachPiece([&](const RawLoadPlan::Piece& piece) {
            const std::size_t b = ChunkBufferExchange::BufferOf(p++);
            if (!exchange_.WaitEmpty(b)) return false;
            const std::size_t delivered = Read(b, piece.count);
            if (delivered != piece.count) {
                QZ_THROW(Method("RawChunkReaderThread").c_str(), "The reader delivered ", delivered, " of the ",
                         piece.count, " records at ", piece.offset, " of chunk ", piece.chunk);
            }
            if (piece.ChunkEnds(plan_)) {
                const std::uint64_t read = piece.chunk * plan_.chunkSize + piece.offset + piece.count;
                qz::core::Logger::BeginMessageWith("Read ")
                    << static_cast<float>(read) / 1000000.0f << " / " << total << " mio particles";
            }
            exchange_.MarkFilled(b);
            return true;
        });
    }

    // Reads count records into buffer b (or, for a reader that can only fill vectors, into
    // its vector) and makes them the buffer's records; answers how many came.
    std::size_t Read(std::size_t b, std::uint64_t count)
    {
        buffers_[b].resize(count);
        const std::int64_t delivered = reader_.ReadInto(buffers_[b].data(), static_cast<std::int64_t>(count));
        if (delivered >= 0) {
            filled_[b] = std::span<const T>(buffers_[b].data(), static_cast<std::size_t>(delivered));
        } else {
            reader_.ReadChunk(vectors_[b], static_cast<std::int64_t>(count));
            filled_[b] = vectors_[b];
        }
        return filled_[b].size();
    }

    void RawChunkConverterThread()
    {
        std::size_t p = 0;
        plan_.ForEachPiece([&](const RawLoadPlan::Piece& piece) {
            const std::size_t b = ChunkBufferExchange::BufferOf(p++);
            if (!exchange_.WaitFilled(b)) return false;
            Chunk& chunk = chunks_[piece.chunk];
            if (piece.offset == 0) {
                chunk.clear();
                chunk.reserve(plan_.ChunkLength(piece.chunk));
            }
            convert_(filled_[b], chunk);
            if (chunk.size() != piece.offset + piece.count) {
                QZ_THROW(Method("RawChunkConverterThread").c_str(), "Chunk ", piece.chunk, " holds ", chunk.size(),
                         " particles after conversion; ", piece.offset + piece.count, " were expected");
            }
            if (insert_ && piece.ChunkEnds(plan_)) queue_.Push(piece.chunk);
            exchange_.MarkEmpty(b);
            return true;
        });
    }

    void RawChunkInserterThread()
    {
        if (prepare_) prepare_();
        if (!insert_) return;
        while (!cancelled_.load()) {
            if (const std::optional<std::size_t> chunk = queue_.TryPop()) {
                insert_(*chunk);
            } else if (!reading_.load()) {
                // Reading ended after the last push: an empty queue stays empty.
                if (queue_.Empty()) return;
            } else {
                std::this_thread::sleep_for(PollInterval);
            }
        }
    }

    ParticleLoader<T>& reader_;
    const RawLoadPlan plan_;
    std::vector<Chunk>& chunks_;
    Converter convert_;
    Inserter insert_;
    Preparer prepare_;

    LargeVector<T> buffers_[ChunkBufferExchange::BufferCount];
    std::vector<T> vectors_[ChunkBufferExchange::BufferCount];
    std::span<const T> filled_[ChunkBufferExchange::BufferCount];
    ChunkBufferExchange exchange_;
    ConcurrentQueue<std::size_t> queue_;
    std::atomic<bool> reading_ {false};
    std::atomic<bool> cancelled_ {false};
    std::mutex failureMutex_;
    std::exception_ptr failure_;
};
