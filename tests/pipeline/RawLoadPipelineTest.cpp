#include "src/RawLoadPipeline.h"
#include "src/RawRecordConversion.h"
#include "tests/pipeline/MemoryReader.h"
#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace std::chrono_literals;
using Record = ParticleTypes::RawParticle_PosVel;
using Particle = RecordParticle<Record>;
using Pipeline = RawLoadPipeline<Record, Particle>;
using qz::test::MemoryReader;

bool SameParticles(const std::vector<Particle>& a, const Particle* b, std::size_t count)
{
    return a.size() == count && std::memcmp(a.data(), b, count * sizeof(Particle)) == 0;
}

struct Run {
    std::vector<std::vector<Particle>> chunks;
    std::vector<std::size_t> inserted;  // chunk indices in insertion order
    bool insertedComplete = true;       // every chunk was whole when it was inserted
};

// Runs the pipeline over `records` and checks the result against a serial conversion.
void ExpectSameAsSerial(std::size_t count, std::uint64_t chunkSize, bool withInserter,
                        std::chrono::microseconds convertDelay = 0us, std::uint64_t pieceSize = RawLoadPlan::DefaultPieceSize)
{
    const std::vector<Record> records = qz::test::MakeParticles(count);
    std::vector<Particle> serial;
    for (const Record& r : records) serial.push_back(ConvertRecord(r));

    MemoryReader<Record> reader(records);
    const RawLoadPlan plan {count, chunkSize, pieceSize};
    Run run;
    run.chunks.resize(plan.ChunkCount());
    Pipeline::Inserter insert;
    if (withInserter) {
        insert = [&](std::size_t i) {
            run.insertedComplete &= SameParticles(run.chunks[i], serial.data() + i * chunkSize, plan.ChunkLength(i));
            run.inserted.push_back(i);
        };
    }
    Pipeline pipeline(
        reader, plan, run.chunks,
        [&](const std::vector<Record>& in, std::vector<Particle>& out) {
            if (convertDelay.count() > 0) std::this_thread::sleep_for(convertDelay);
            AppendConverted(in, out, nullptr);
        },
        insert);
    qz::utils::Timer timer;
    pipeline.Run(timer);

    std::size_t pieces = 0;
    plan.ForEachPiece([&](const RawLoadPlan::Piece&) {
        ++pieces;
        return true;
    });
    ASSERT_EQ(pieces, static_cast<std::size_t>(reader.calls.load()));
    for (std::size_t i = 0; i < run.chunks.size(); ++i) {
        ASSERT_TRUE(SameParticles(run.chunks[i], serial.data() + i * chunkSize, plan.ChunkLength(i))) << "chunk " << i;
    }
    if (withInserter) {
        std::vector<std::size_t> expected(plan.ChunkCount());
        for (std::size_t i = 0; i < expected.size(); ++i) expected[i] = i;
        EXPECT_EQ(expected, run.inserted);
        EXPECT_TRUE(run.insertedComplete);
    }
    EXPECT_EQ(qz::utils::Timer::Stopped, timer.GetState());
}

TEST(RawLoadPipeline, ChunksMatchASerialConversion)
{
    for (const bool inserter : {false, true}) {
        ExpectSameAsSerial(10'000, 1, inserter);  // more chunks than buffers, one record each
        ExpectSameAsSerial(10'000, 7, inserter);
        ExpectSameAsSerial(10'000, 999, inserter);
        ExpectSameAsSerial(10'000, 10'000, inserter);
        ExpectSameAsSerial(10'000, 50'000'000, inserter);
        ExpectSameAsSerial(0, 16, inserter);
        // Chunks read in pieces, evenly and not.
        ExpectSameAsSerial(10'000, 1000, inserter, 0us, 100);
        ExpectSameAsSerial(10'000, 1000, inserter, 0us, 77);
        ExpectSameAsSerial(10'000, 10'000, inserter, 0us, 1);
    }
}

TEST(RawLoadPipeline, ASlowConverterIsNeverOverrunByTheReader)
{
    // The reader could refill a buffer while it is still being converted.
    ExpectSameAsSerial(4'000, 250, true, 2ms);
    ExpectSameAsSerial(4'000, 4'000, true, 1ms, 100);
}

TEST(RawLoadPipeline, LogsEachChunkInMillions)
{
    qz::test::CoutCapture console;
    ExpectSameAsSerial(2'500'000, 1'000'000, false, 0us, 300'000);  // one line per chunk, not per piece
    const std::string text = console.Text();
    const auto first = text.find("Read 1 / 2.5 mio particles\n");
    const auto second = text.find("Read 2 / 2.5 mio particles\n");
    const auto third = text.find("Read 2.5 / 2.5 mio particles\n");
    ASSERT_NE(std::string::npos, first) << text;
    ASSERT_NE(std::string::npos, second);
    ASSERT_NE(std::string::npos, third);
    EXPECT_LT(first, second);
    EXPECT_LT(second, third);
    std::size_t lines = 0;
    for (auto at = text.find("Read "); at != std::string::npos; at = text.find("Read ", at + 1)) ++lines;
    EXPECT_EQ(3u, lines);
}

TEST(RawLoadPipeline, NoChunkNoReadMessage)
{
    qz::test::CoutCapture console;
    ExpectSameAsSerial(0, 100, true);
    EXPECT_EQ(std::string::npos, console.Text().find("Read "));
}

// Counts a callback as running for its lifetime, also when it throws.
class Running {
public:
    explicit Running(std::atomic<int>& counter) : counter_(counter) { ++counter_; }
    ~Running() { --counter_; }
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

private:
    std::atomic<int>& counter_;
};

// Activity of the callbacks, to see that nothing runs once Run has returned.
struct Activity {
    std::atomic<int> converting {0};
    std::atomic<int> inserting {0};
    std::atomic<int> converted {0};
    std::atomic<int> inserted {0};
};

template <class Configure>
std::string RunAndCatch(std::size_t count, std::uint64_t chunkSize, bool withInserter, Configure configure,
                        Activity& activity, MemoryReader<Record>& reader)
{
    const RawLoadPlan plan {count, chunkSize};
    std::vector<std::vector<Particle>> chunks(plan.ChunkCount());
    Pipeline::Converter convert = [&](const std::vector<Record>& in, std::vector<Particle>& out) {
        const Running running(activity.converting);
        AppendConverted(in, out, nullptr);
        configure.convert(activity.converted.load());
        ++activity.converted;
    };
    Pipeline::Inserter insert;
    if (withInserter) {
        insert = [&](std::size_t i) {
            const Running running(activity.inserting);
            std::this_thread::sleep_for(1ms);
            configure.insert(i);
            ++activity.inserted;
        };
    }
    Pipeline pipeline(reader, plan, chunks, convert, insert);
    qz::utils::Timer timer;
    try {
        pipeline.Run(timer);
    } catch (const qz::core::Exception& e) {
        EXPECT_EQ(0, activity.converting.load());
        EXPECT_EQ(0, activity.inserting.load());
        return e.what();
    }
    return "";
}

struct NoFailure {
    void convert(int) {}
    void insert(std::size_t) {}
};

TEST(RawLoadPipeline, AReaderFailureReachesTheCallerAfterEveryThreadStopped)
{
    for (const bool inserter : {false, true}) {
        for (const int failAt : {0, 1, 2, 5, 9}) {
            MemoryReader<Record> reader(qz::test::MakeParticles(1000));
            reader.failAtCall = failAt;
            Activity activity;
            const std::string error = RunAndCatch(1000, 100, inserter, NoFailure {}, activity, reader);
            EXPECT_NE(std::string::npos, error.find("Injected read failure at chunk " + std::to_string(failAt))) << error;
            const int calls = reader.calls.load();
            const int converted = activity.converted.load();
            EXPECT_EQ(failAt + 1, calls);
            EXPECT_LE(converted, failAt);
            std::this_thread::sleep_for(20ms);
            EXPECT_EQ(calls, reader.calls.load());
            EXPECT_EQ(converted, activity.converted.load());
            EXPECT_LE(activity.inserted.load(), failAt);
        }
    }
}

TEST(RawLoadPipeline, AShortReadIsAnError)
{
    MemoryReader<Record> reader(qz::test::MakeParticles(1000));
    reader.shortAtCall = 3;
    Activity activity;
    const std::string error = RunAndCatch(1000, 100, true, NoFailure {}, activity, reader);
    EXPECT_NE(std::string::npos, error.find("The reader delivered 99 of the 100 records at 0 of chunk 3")) << error;
}

TEST(RawLoadPipeline, ConverterAndInserterFailuresStopTheReader)
{
    struct FailConvert : NoFailure {
        void convert(int done)
        {
            if (done == 2) throw qz::core::Exception("convert failed");
        }
    };
    struct FailInsert : NoFailure {
        void insert(std::size_t i)
        {
            if (i == 1) throw qz::core::Exception("insert failed");
        }
    };
    {
        MemoryReader<Record> reader(qz::test::MakeParticles(5000));
        Activity activity;
        EXPECT_EQ("convert failed", RunAndCatch(5000, 100, true, FailConvert {}, activity, reader));
        EXPECT_LE(reader.calls.load(), 5);  // at most two chunks beyond the failing one
    }
    {
        MemoryReader<Record> reader(qz::test::MakeParticles(5000));
        reader.readDelay = 2ms;  // the inserter fails while reading goes on
        Activity activity;
        EXPECT_EQ("insert failed", RunAndCatch(5000, 100, true, FailInsert {}, activity, reader));
        EXPECT_LT(reader.calls.load(), 50);
        EXPECT_EQ(1, activity.inserted.load());
    }
}

TEST(RawLoadPipeline, PreparationRunsBeforeTheFirstInsertionWhileReading)
{
    for (const bool inserter : {false, true}) {
        MemoryReader<Record> reader(qz::test::MakeParticles(1000));
        reader.readDelay = 3ms;
        const RawLoadPlan plan {1000, 100};
        std::vector<std::vector<Particle>> chunks(plan.ChunkCount());
        std::atomic<bool> prepared {false};
        std::atomic<int> readsBeforePrepared {-1};
        int insertedUnprepared = 0;
        Pipeline::Inserter insert;
        if (inserter) insert = [&](std::size_t) { insertedUnprepared += prepared.load() ? 0 : 1; };
        Pipeline pipeline(
            reader, plan, chunks, [](const std::vector<Record>& in, std::vector<Particle>& out) { AppendConverted(in, out, nullptr); },
            insert, [&] {
                std::this_thread::sleep_for(10ms);
                readsBeforePrepared.store(reader.calls.load());
                prepared.store(true);
            });
        qz::utils::Timer timer;
        pipeline.Run(timer);
        EXPECT_TRUE(prepared.load());
        EXPECT_EQ(0, insertedUnprepared);
        EXPECT_LT(readsBeforePrepared.load(), 10);  // it did not wait for reading to end
    }
    MemoryReader<Record> reader(qz::test::MakeParticles(1000));
    std::vector<std::vector<Particle>> chunks(10);
    Pipeline failing(
        reader, RawLoadPlan {1000, 100}, chunks,
        [](const std::vector<Record>& in, std::vector<Particle>& out) { AppendConverted(in, out, nullptr); }, nullptr,
        [] { throw qz::core::Exception("no memory for the records"); });
    qz::utils::Timer timer;
    try {
        failing.Run(timer);
        FAIL() << "no exception";
    } catch (const qz::core::Exception& e) {
        EXPECT_EQ(std::string("no memory for the records"), e.what());
    }
}

TEST(RawLoadPipeline, RejectsAPlanThatDoesNotFitTheChunks)
{
    MemoryReader<Record> reader(qz::test::MakeParticles(10));
    std::vector<std::vector<Particle>> chunks(1);
    qz::utils::Timer timer;
    Pipeline zero(reader, RawLoadPlan {10, 0}, chunks, nullptr, nullptr);
    EXPECT_THROW(zero.Run(timer), qz::core::Exception);
    Pipeline mismatch(reader, RawLoadPlan {10, 3}, chunks, nullptr, nullptr);
    EXPECT_THROW(mismatch.Run(timer), qz::core::Exception);
    Pipeline noPieces(reader, RawLoadPlan {10, 10, 0}, chunks, nullptr, nullptr);
    EXPECT_THROW(noPieces.Run(timer), qz::core::Exception);
    EXPECT_EQ(0, reader.calls.load());
}

}  // namespace
