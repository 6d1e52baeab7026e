#include "src/RawLoadPipeline.h"
#include "src/RawRecordConversion.h"
#include "tests/pipeline/MemoryReader.h"
#include "tests/support/ErrorReports.h"
#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstring>
#include <limits>

namespace {

using namespace std::chrono_literals;
using namespace ParticleTypes;
using Record = RawParticle_PosVel;
using Particle = RecordParticle<Record>;
using Pipeline = RawLoadPipeline<Record, Particle>;
using qz::test::MemoryReader;

TEST(RecordConversion, AttributesAndTheBoxOfAChunk)
{
    const auto vel = ConvertRecord(RawParticle_PosVel {1, 2, 3, 3, 4, 0});
    EXPECT_TRUE(vel.x == 1 && vel.y == 2 && vel.z == 3 && vel.attributes.magnitude == 5);
    const auto col = ConvertRecord(RawParticle_PosCol {-1, -2, -3, 255, 128, 0, 77});
    EXPECT_TRUE(col.z == -3 && col.attributes.red == 255 && col.attributes.green == 128 && col.attributes.blue == 0 &&
                col.attributes.count == 0);
    static_assert(std::is_same_v<RecordParticle<RawParticle_PosRad>, VolumeParticle<ParticleAttributes_None>>);
    EXPECT_EQ(6.0f, ConvertRecord(RawParticle_PosNormal {4, 5, 6, 9, 9, 9}).z);
    EXPECT_EQ(7.0f, ConvertRecord(RawParticle_PosRad {7, 8, 9, 100}).x);

    // Below and above the size where the work is shared out.
    for (const std::size_t count : {std::size_t {1000}, std::size_t {200'000}}) {
        std::vector<RawParticle_Pos> records(count);
        for (std::size_t i = 0; i < count; ++i) records[i] = {-2.0f - i % 7, -3.0f - i % 11, -2.5f - i % 5};
        records[count / 2] = {std::numeric_limits<float>::quiet_NaN(), -20.0f, -0.5f};  // its y and z still count
        std::vector<VolumeParticle<ParticleAttributes_None>> chunk(5, {1, 2, 3, {}});  // appended to
        PositionBox box;
        AppendConverted(records, chunk, &box);
        ASSERT_EQ(count + 5, chunk.size());
        EXPECT_TRUE(chunk[4].y == 2.0f && chunk[12].y == records[7].y);
        const float expected[6] = {-8, -20, -6.5f, -2, -3, -0.5f};  // all negative: so is the maximum
        EXPECT_EQ(0, std::memcmp(expected, box.bounds, sizeof(expected)));
    }
    PositionBox empty;
    std::vector<VolumeParticle<ParticleAttributes_None>> none;
    AppendConverted(std::vector<RawParticle_Pos> {}, none, &empty);
    empty.Grow(std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::quiet_NaN());
    EXPECT_TRUE(empty.IsEmpty());
}

// Runs the pipeline and checks its chunks and their insertion against a serial conversion.
void ExpectSameAsSerial(std::size_t count, std::uint64_t chunkSize, bool withInserter, std::chrono::microseconds convertDelay = 0us,
                        std::uint64_t pieceSize = RawLoadPlan::DefaultPieceSize)
{
    const std::vector<Record> records = qz::test::MakeParticles(count);
    std::vector<Particle> serial;
    for (const Record& r : records) serial.push_back(ConvertRecord(r));
    const auto same = [&](const std::vector<Particle>& chunk, std::size_t i, std::uint64_t length) {
        return chunk.size() == length && std::memcmp(chunk.data(), serial.data() + i * chunkSize, length * sizeof(Particle)) == 0;
    };
    MemoryReader<Record> reader(records);
    const RawLoadPlan plan {count, chunkSize, pieceSize};
    std::vector<std::vector<Particle>> chunks(plan.ChunkCount());
    std::vector<std::size_t> inserted;
    bool whole = true;
    Pipeline::Inserter insert;
    if (withInserter) {
        insert = [&](std::size_t i) {
            whole &= same(chunks[i], i, plan.ChunkLength(i));
            inserted.push_back(i);
        };
    }
    Pipeline pipeline(reader, plan, chunks, [&](std::span<const Record> in, std::vector<Particle>& out) {
        if (convertDelay.count() > 0) std::this_thread::sleep_for(convertDelay);
        AppendConverted(in, out, nullptr);
    }, insert);
    qz::utils::Timer timer;
    pipeline.Run(timer);
    std::size_t pieces = 0;
    plan.ForEachPiece([&](const RawLoadPlan::Piece&) { return ++pieces > 0; });
    ASSERT_EQ(pieces, static_cast<std::size_t>(reader.calls.load()));
    for (std::size_t i = 0; i < chunks.size(); ++i) ASSERT_TRUE(same(chunks[i], i, plan.ChunkLength(i))) << "chunk " << i;
    EXPECT_EQ(withInserter ? chunks.size() : 0, inserted.size());
    for (std::size_t i = 0; i < inserted.size(); ++i) EXPECT_EQ(i, inserted[i]) << "in chunk order";
    EXPECT_TRUE(whole) << "every chunk was whole when it was inserted";
    EXPECT_EQ(qz::utils::Timer::Stopped, timer.GetState());
}

TEST(RawLoadPipeline, ChunksMatchASerialConversion)
{
    for (const bool inserter : {false, true}) {
        for (const std::uint64_t chunk : {1, 7, 999, 10'000, 50'000'000}) ExpectSameAsSerial(10'000, chunk, inserter);
        ExpectSameAsSerial(0, 16, inserter);
        ExpectSameAsSerial(10'000, 1000, inserter, 0us, 100);  // chunks read in pieces, evenly and not
        ExpectSameAsSerial(10'000, 1000, inserter, 0us, 77);
        ExpectSameAsSerial(10'000, 10'000, inserter, 0us, 1);
    }
    ExpectSameAsSerial(4'000, 250, true, 2ms);  // a slow converter is never overrun by the reader
    ExpectSameAsSerial(4'000, 4'000, true, 1ms, 100);

    qz::test::CoutCapture console;
    ExpectSameAsSerial(2'500'000, 1'000'000, false, 0us, 300'000);  // one line per chunk, not per piece
    ExpectSameAsSerial(0, 100, true);  // no chunk, no line
    EXPECT_EQ("Read 1 / 2.5 mio particles\nRead 2 / 2.5 mio particles\nRead 2.5 / 2.5 mio particles\n", console.Text());
}

// Counts a callback as running for its lifetime, also when it throws.
struct Running {
    explicit Running(std::atomic<int>& counter) : counter_(counter) { ++counter_; }
    ~Running() { --counter_; }
    std::atomic<int>& counter_;
};

struct Activity {
    std::atomic<int> converting {0}, inserting {0}, converted {0}, inserted {0};
};

// The report of a run whose callbacks fail where the given functions throw; checks that
// no callback still runs when Run returns.
std::string RunAndCatch(std::size_t count, std::uint64_t chunkSize, bool withInserter, Activity& activity,
                        MemoryReader<Record>& reader, std::function<void(int)> failConvert = [](int) {},
                        std::function<void(std::size_t)> failInsert = [](std::size_t) {})
{
    const RawLoadPlan plan {count, chunkSize};
    std::vector<std::vector<Particle>> chunks(plan.ChunkCount());
    Pipeline::Inserter insert;
    if (withInserter) {
        insert = [&](std::size_t i) {
            const Running running(activity.inserting);
            std::this_thread::sleep_for(1ms);
            failInsert(i);
            ++activity.inserted;
        };
    }
    Pipeline pipeline(reader, plan, chunks, [&](std::span<const Record> in, std::vector<Particle>& out) {
        const Running running(activity.converting);
        AppendConverted(in, out, nullptr);
        failConvert(activity.converted.load());
        ++activity.converted;
    }, insert);
    qz::utils::Timer timer;
    const std::string error = qz::test::ErrorText([&] { pipeline.Run(timer); });
    EXPECT_TRUE(activity.converting.load() == 0 && activity.inserting.load() == 0);
    return error;
}

TEST(RawLoadPipeline, AFailureOnAnyThreadReachesTheCallerAfterEveryThreadStopped)
{
    qz::test::CoutCapture console;
    for (const bool inserter : {false, true}) {
        for (const int failAt : {0, 1, 2, 5, 9}) {
            MemoryReader<Record> reader(qz::test::MakeParticles(1000));
            reader.failAtCall = failAt;
            Activity activity;
            const std::string error = RunAndCatch(1000, 100, inserter, activity, reader);
            EXPECT_TRUE(error.ends_with("\nInjected read failure at chunk " + std::to_string(failAt))) << error;
            EXPECT_EQ(failAt + 1, reader.calls.load());
            EXPECT_LE(activity.converted.load(), failAt);
            EXPECT_LE(activity.inserted.load(), failAt);
        }
    }
    MemoryReader<Record> reader(qz::test::MakeParticles(5000));
    Activity converting;
    EXPECT_EQ("convert failed", RunAndCatch(5000, 100, true, converting, reader, [](int done) {
                  if (done == 2) throw qz::core::Exception("convert failed");
              }));
    EXPECT_LE(reader.calls.load(), 5) << "at most two chunks beyond the failing one";
    MemoryReader<Record> slow(qz::test::MakeParticles(5000));
    slow.readDelay = 2ms;  // the inserter fails while reading goes on
    Activity inserting;
    EXPECT_EQ("insert failed", RunAndCatch(5000, 100, true, inserting, slow, [](int) {}, [](std::size_t i) {
                  if (i == 1) throw qz::core::Exception("insert failed");
              }));
    EXPECT_LT(slow.calls.load(), 50);
    EXPECT_EQ(1, inserting.inserted.load());
}

// The threads report as members of the volume they work for.
TEST(RawLoadPipeline, ThreadsReportUnderTheirNames)
{
    qz::test::CoutCapture console;
    MemoryReader<Record> reader(qz::test::MakeParticles(1000));
    reader.shortAtCall = 3;
    Activity activity;
    EXPECT_EQ("ParticleVolume<struct ParticleTypes::ParticleAttributes_VMag>::RawChunkReaderThread|src\\RawLoadPipeline|"
              "The reader delivered 99 of the 100 records at 0 of chunk 3",
              qz::test::ReportParts(RunAndCatch(1000, 100, true, activity, reader)));
    MemoryReader<Record> again(qz::test::MakeParticles(100));
    std::vector<std::vector<Particle>> chunks(1);
    Pipeline dropping(again, RawLoadPlan {100, 100}, chunks, [](std::span<const Record>, std::vector<Particle>&) {}, nullptr);
    qz::utils::Timer timer;
    EXPECT_EQ("ParticleVolume<struct ParticleTypes::ParticleAttributes_VMag>::RawChunkConverterThread|src\\RawLoadPipeline|"
              "Chunk 0 holds 0 particles after conversion; 100 were expected",
              qz::test::ReportOf([&] { dropping.Run(timer); }));
}

// The preparation runs on the inserter thread before the first insertion, while reading
// goes on: the reader's last call waits for it.
TEST(RawLoadPipeline, PreparationRunsBeforeTheFirstInsertionWhileReading)
{
    for (const bool inserter : {false, true}) {
        MemoryReader<Record> reader(qz::test::MakeParticles(1000));
        std::mutex mutex;
        std::condition_variable changed;
        bool prepared = false, preparedDuringReading = false;
        reader.beforeRead = [&](int call) {
            if (call != 9) return;
            std::unique_lock lock(mutex);
            preparedDuringReading = changed.wait_for(lock, 60s, [&] { return prepared; });
        };
        std::vector<std::vector<Particle>> chunks(10);
        int insertedUnprepared = 0;
        Pipeline::Inserter insert;
        if (inserter) insert = [&](std::size_t) { insertedUnprepared += prepared ? 0 : 1; };
        Pipeline pipeline(reader, RawLoadPlan {1000, 100}, chunks,
                          [](std::span<const Record> in, std::vector<Particle>& out) { AppendConverted(in, out, nullptr); },
                          insert, [&] {
                              std::lock_guard lock(mutex);
                              prepared = true;
                              changed.notify_all();
                          });
        qz::utils::Timer timer;
        pipeline.Run(timer);
        EXPECT_TRUE(preparedDuringReading);
        EXPECT_EQ(0, insertedUnprepared);
    }
    MemoryReader<Record> reader(qz::test::MakeParticles(1000));
    std::vector<std::vector<Particle>> chunks(10);
    qz::utils::Timer timer;
    Pipeline failing(reader, RawLoadPlan {1000, 100}, chunks,
                     [](std::span<const Record> in, std::vector<Particle>& out) { AppendConverted(in, out, nullptr); }, nullptr,
                     [] { throw qz::core::Exception("no memory for the records"); });
    EXPECT_EQ("no memory for the records", qz::test::ErrorText([&] { failing.Run(timer); }));
    Pipeline zero(reader, RawLoadPlan {10, 0}, chunks, nullptr, nullptr), mismatch(reader, RawLoadPlan {10, 3}, chunks, nullptr, nullptr),
        noPieces(reader, RawLoadPlan {10, 10, 0}, chunks, nullptr, nullptr);
    reader.calls = 0;
    qz::test::CoutCapture console;
    for (Pipeline* plan : {&zero, &mismatch, &noPieces}) EXPECT_THROW(plan->Run(timer), qz::core::Exception);
    EXPECT_EQ(0, reader.calls.load()) << "a plan that does not fit the chunks is refused";
}

}  // namespace
