// Effect wrappers: loading sources and compiled effects, background compiles with their
// counter, generations and failures, and what a failed load leaves behind.

#include "tarnwick/dx11/ShaderEncapsulation.h"

#include "tests/dx11/EffectFiles.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TextMatch.h"
#include "tests/utils/ErrorText.h"

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace {

using qz::dx11::ShaderEncapsulation;
using qz::test::ErrorText;

class TestShader final : public ShaderEncapsulation {
public:
    explicit TestShader(std::string file) : file_(std::move(file)) {}
    void Create(ID3D11Device* device) override { LoadEffect(device, file_); }
    void AfterCreation() override
    {
        ++afterCreations;
        extra = Effect()->GetVariableByName("g_extra")->IsValid() != FALSE;
    }

    int afterCreations = 0;
    bool extra = false;
    bool threadsRefused = false;  // the system has no thread to give

private:
    std::thread StartThread(std::function<void()> run) override
    {
        if (threadsRefused) {
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again), "no thread");
        }
        return ShaderEncapsulation::StartThread(std::move(run));
    }

    std::string file_;
};

// Counts callbacks and lets a test wait for them.
class Signal {
public:
    void Notify()
    {
        std::lock_guard lock(mutex_);
        ++count_;
        changed_.notify_all();
    }
    bool WaitFor(int count)
    {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(60), [&] { return count_ >= count; });
    }
    int Count()
    {
        std::lock_guard lock(mutex_);
        return count_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int count_ = 0;
};

// Holds a background compile at its "*** Recompiling " line until Release, so that a test
// sees it running. On the test's own thread the line goes through: a compile there has
// not run in the background.
class RecompileHold {
public:
    RecompileHold() : stream_(std::make_shared<Stream>())
    {
        stream_->SetMinLevel(0);
        stream_->SetTypeMask(~std::uint64_t{0});
        qz::core::Logger::Instance()->AddStream(stream_);
    }
    // The logger keeps its streams; this one lets everything through from now on.
    ~RecompileHold()
    {
        Release();
        stream_->SetTypeMask(0);
    }
    RecompileHold(const RecompileHold&) = delete;
    RecompileHold& operator=(const RecompileHold&) = delete;

    // True once a compile is held; false when the line went by on the test's thread.
    bool WaitUntilHeld()
    {
        std::unique_lock lock(stream_->lock);
        stream_->changed.wait_for(lock, std::chrono::seconds(60), [&] { return stream_->held || stream_->passed; });
        return stream_->held;
    }
    void Release()
    {
        std::lock_guard lock(stream_->lock);
        stream_->open = true;
        stream_->changed.notify_all();
    }

private:
    struct Stream : qz::core::LoggingStream {
        Stream() : LoggingStream("hold", &text) {}
        void EndLine() override
        {
            LoggingStream::EndLine();
            const bool recompiling = text.str().find("*** Recompiling ") != std::string::npos;
            text.str("");
            if (!recompiling) {
                return;
            }
            std::unique_lock hold(lock);
            if (std::this_thread::get_id() == testThread) {
                passed = true;
            } else {
                held = true;
            }
            changed.notify_all();
            // Bounded, so that a caller that waits for its task fails instead of hanging.
            changed.wait_for(hold, std::chrono::seconds(20), [&] { return open || passed; });
        }

        std::ostringstream text;
        const std::thread::id testThread = std::this_thread::get_id();
        std::mutex lock;
        std::condition_variable changed;
        bool held = false;
        bool passed = false;
        bool open = false;
    };
    std::shared_ptr<Stream> stream_;
};

bool WaitForNoCompiles()
{
    for (int i = 0; i < 6000 && ShaderEncapsulation::CompilesInProgress() != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return ShaderEncapsulation::CompilesInProgress() == 0;
}

class ShaderWrapper : public qz::test::EffectFilesTest {};

TEST_F(ShaderWrapper, CompilesSourcesOnTheCallingThread)
{
    TestShader shader(Write("Small.FX", qz::test::kSmallEffect));
    shader.Defines()["EXTRA"] = "";
    qz::test::LogCapture log;
    ::testing::internal::CaptureStdout();
    shader.Create(device.Get());
    const std::string console = ::testing::internal::GetCapturedStdout();
    EXPECT_TRUE(shader.IsReady());
    EXPECT_EQ(1, shader.afterCreations);
    EXPECT_TRUE(shader.extra);
    EXPECT_NE(std::string::npos, log.Text().find("Loading shader from source file " + folder + "/Small.FX...\n"));
    // The compiler's line break, the spinner's, and the spinner's end.
    EXPECT_NE(std::string::npos, console.find(" ***\n\n\n")) << console;
    EXPECT_NE(std::string::npos, console.find("\rDone."));
    EXPECT_TRUE(Exists("Small_" + std::to_string(qz::dx11::EffectCompiler::Hash("/DEXTRA;")) + ".prc"));
    // The wrapper holds one reference of its effect and gives it back.
    ID3DX11Effect* effect = shader.GetEffect();
    ASSERT_NE(nullptr, effect);
    EXPECT_EQ(2u, effect->AddRef());
    shader.Release();
    EXPECT_EQ(nullptr, shader.GetEffect());
    EXPECT_FALSE(shader.IsReady());
    EXPECT_EQ(0u, effect->Release());
}

TEST_F(ShaderWrapper, LoadsCompiledEffectsOfAnyOtherName)
{
    TestShader source(Write("small.fx", qz::test::kSmallEffect));
    source.Create(device.Get());
    const auto& bytes = source.CompiledBytes();
    for (const char* name : {"small.fxo", "compiled"}) {
        Write(name, std::string(bytes.begin(), bytes.end()));
        auto compiled = std::make_unique<TestShader>(folder + "/" + name);
        compiled->Create(device.Get());
        EXPECT_TRUE(compiled->IsReady()) << name;
        EXPECT_EQ(1, compiled->afterCreations);
        ID3DX11Effect* effect = compiled->GetEffect();
        ASSERT_NE(nullptr, effect);
        effect->AddRef();
        compiled.reset();
        EXPECT_EQ(0u, effect->Release()) << "a destroyed wrapper gives its reference back";
    }
}

TEST_F(ShaderWrapper, AFailedLoadThrowsAndLeavesTheWrapperEmpty)
{
    Write("small.fx", qz::test::kSmallEffect);
    const std::pair<std::string, std::string> cases[] = {
        {folder + "/missing.fxo", "Method: qz::dx11::ShaderEncapsulation::LoadEffect\n"},
        {folder + "/missing.fxo", "\nError loading shader from file " + folder + "/missing.fxo"},
        {Write("corrupt.fxo", "QZFX not really"), "Error loading shader"},
        {folder + "/small.fx", "Error compiling shader from file"},  // once loaded, then broken
    };
    for (const auto& [file, error] : cases) {
        TestShader shader(file);
        if (file.ends_with(".fx")) {
            shader.Create(device.Get());
            ASSERT_TRUE(shader.IsReady());
            Write("small.fx", "float4 broken(;");
        }
        ::testing::internal::CaptureStderr();
        const std::string text = ErrorText([&] { shader.Create(device.Get()); });
        EXPECT_NE(std::string::npos, text.find(error)) << file;
        const std::string debugOutput = ::testing::internal::GetCapturedStderr();
        EXPECT_TRUE(qz::test::EndsWith(debugOutput, text)) << debugOutput;
        EXPECT_FALSE(shader.IsReady());
        EXPECT_EQ(nullptr, shader.GetEffect());
        EXPECT_EQ(file.ends_with(".fx") ? 1 : 0, shader.afterCreations);
    }
    // A compiled effect is read only from a regular file: nothing waits for a FIFO's writer.
    const std::string fifo = folder + "/fifo.fxo";
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    TestShader shader(fifo);
    std::string text;
    EXPECT_TRUE(qz::test::FinishesWithoutAWriter(fifo, [&] { text = ErrorText([&] { shader.Create(device.Get()); }); }));
    EXPECT_NE(std::string::npos, text.find("\nError loading shader from file " + fifo)) << text;
}

TEST_F(ShaderWrapper, BackgroundCompileFinishesOnTheRenderThreadWithTheCounterBackAtZero)
{
    Signal done;
    Signal release;
    std::atomic<int> returned{0};
    TestShader shader(Write("small.fx", qz::test::kSmallEffect));
    shader.SetAsyncCompilation([&] {
        done.Notify();
        release.WaitFor(1);
        ++returned;
    });
    RecompileHold hold;  // let go before the shader waits for its task
    shader.Create(device.Get());
    // Create has returned while its compile is held on another thread.
    ASSERT_TRUE(hold.WaitUntilHeld());
    EXPECT_EQ(1u, ShaderEncapsulation::CompilesInProgress());
    EXPECT_FALSE(shader.IsReady());
    EXPECT_FALSE(shader.IsCompiled());
    EXPECT_FALSE(shader.FinishAsyncCompilation());
    hold.Release();
    ASSERT_TRUE(done.WaitFor(1));
    EXPECT_TRUE(shader.IsCompiled());
    EXPECT_EQ(0u, ShaderEncapsulation::CompilesInProgress());
    EXPECT_FALSE(shader.IsReady());
    EXPECT_TRUE(shader.FinishAsyncCompilation());
    EXPECT_EQ(0, returned.load()) << "the render thread waited for the callback";
    release.Notify();
    EXPECT_TRUE(shader.IsReady());
    EXPECT_EQ(1, shader.afterCreations);
    EXPECT_FALSE(shader.IsCompiled());
    EXPECT_FALSE(shader.FinishAsyncCompilation());
    // The next background load takes the cache of this one.
    qz::test::LogCapture log;
    shader.Create(device.Get());
    ASSERT_TRUE(done.WaitFor(2));
    EXPECT_EQ(std::string::npos, log.Text().find("*** Recompiling ")) << log.Text();
    EXPECT_TRUE(shader.FinishAsyncCompilation());
}

TEST_F(ShaderWrapper, ANewerLoadSupersedesAnOlderBackgroundCompile)
{
    for (int round = 0; round < 5; ++round) {
        Signal called;
        Signal release;
        std::atomic<int> returned{0};
        TestShader shader(Write("small.fx", qz::test::kSmallEffect));
        // On odd rounds the older task is still in its callback when the newer load starts.
        const bool held = round % 2 == 1;
        shader.SetAsyncCompilation([&] {
            called.Notify();
            if (held) {
                release.WaitFor(1);
            }
            ++returned;
        });
        shader.Create(device.Get());
        if (held) {
            ASSERT_TRUE(called.WaitFor(1));
        }
        shader.Defines()["EXTRA"] = std::to_string(round);
        shader.Create(device.Get());
        if (held) {
            ASSERT_EQ(0, returned.load()) << "the newer load waited for the older task";
        }
        release.Notify();
        shader.Defines().clear();  // the task keeps its own copy
        ASSERT_TRUE(WaitForNoCompiles());
        ASSERT_TRUE(shader.FinishAsyncCompilation());
        EXPECT_TRUE(shader.extra) << round;
        EXPECT_EQ(1, shader.afterCreations);
    }
}

TEST_F(ShaderWrapper, DestructionWaitsForARunningCompile)
{
    const std::string file = Write("small.fx", qz::test::kSmallEffect);
    for (int round = 0; round < 5; ++round) {
        auto shader = std::make_unique<TestShader>(file);
        shader->SetAsyncCompilation({});
        shader->Defines()["EXTRA"] = std::to_string(round);
        shader->Create(device.Get());
        shader.reset();
        EXPECT_EQ(0u, ShaderEncapsulation::CompilesInProgress());
    }
}

TEST_F(ShaderWrapper, AFailedBackgroundCompileLeavesNoEffectAndTheCounterWhereItWas)
{
    Signal done;
    auto shader = std::make_unique<TestShader>(Write("broken.fx", "float4 broken(;"));
    shader->SetAsyncCompilation([&] { done.Notify(); });
    qz::test::LogCapture log;
    ::testing::internal::CaptureStderr();
    shader->Create(device.Get());
    ASSERT_TRUE(WaitForNoCompiles());
    shader->FinishAsyncCompilation();
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos,
              errors.find("Error: Errors occured during shader compilation; see the log for details\n"));
    EXPECT_NE(std::string::npos, errors.find("Error compiling shader from file"));
    EXPECT_NE(std::string::npos, log.Text().find("Errors occured during shader compilation; see the log for details"));
    // The report was logged where it was thrown, and only there.
    const std::string report = "\nError compiling shader from file ";
    EXPECT_NE(std::string::npos, log.Text().find(report));
    EXPECT_EQ(log.Text().find(report), log.Text().rfind(report)) << log.Text();
    EXPECT_FALSE(shader->IsReady());
    EXPECT_FALSE(shader->IsCompiled());
    EXPECT_EQ(0, shader->afterCreations);
    shader.reset();  // waits for the task
    EXPECT_EQ(0, done.Count()) << "the callback is for a compile that succeeded";
}

TEST_F(ShaderWrapper, ABackgroundCompileThatCannotStartIsReportedAndNotCounted)
{
    TestShader shader(Write("small.fx", qz::test::kSmallEffect));
    shader.SetAsyncCompilation({});
    shader.threadsRefused = true;
    ::testing::internal::CaptureStderr();
    const std::string report = qz::test::ReportOf([&] { shader.Create(device.Get()); });
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ("qz::dx11::ShaderEncapsulation::StartBackgroundCompile|dx11\\ShaderEncapsulation|"
              "Could not start the background compile of " + folder + "/small.fx: no thread: " +
                  std::make_error_code(std::errc::resource_unavailable_try_again).message(),
              report);
    EXPECT_NE(std::string::npos, errors.find("Could not start the background compile of")) << "debugger output";
    EXPECT_EQ(0u, ShaderEncapsulation::CompilesInProgress());
    EXPECT_FALSE(shader.IsReady());
    EXPECT_FALSE(shader.IsCompiled());
    // The next load that gets its thread goes through.
    shader.threadsRefused = false;
    shader.Create(device.Get());
    ASSERT_TRUE(WaitForNoCompiles());
    EXPECT_TRUE(shader.FinishAsyncCompilation());
    EXPECT_TRUE(shader.IsReady());
}

TEST_F(ShaderWrapper, AnyExceptionOfTheTaskIsReportedAndCounted)
{
    Signal called;
    auto shader = std::make_unique<TestShader>(Write("small.fx", qz::test::kSmallEffect));
    shader->SetAsyncCompilation([&] {
        called.Notify();
        throw std::runtime_error("callback failed");
    });
    qz::test::LogCapture log;
    ::testing::internal::CaptureStderr();
    shader->Create(device.Get());
    ASSERT_TRUE(called.WaitFor(1));
    // The compile itself succeeded: its effect is taken.
    EXPECT_TRUE(shader->FinishAsyncCompilation());
    EXPECT_TRUE(shader->IsReady());
    shader.reset();  // waits for the task, which reports after its count is given back
    EXPECT_EQ(0u, ShaderEncapsulation::CompilesInProgress());
    const std::string errors = ::testing::internal::GetCapturedStderr();
    const std::string failure = "The completion callback of the shader compile of " + folder +
                                "/small.fx failed: callback failed";
    EXPECT_NE(std::string::npos, errors.find(failure)) << errors;
    EXPECT_NE(std::string::npos,
              errors.find("Error: The completion callback of a shader compile failed; see the log for details\n"));
    EXPECT_EQ(std::string::npos, errors.find("Errors occured during shader compilation")) << errors;
    EXPECT_NE(std::string::npos,
              log.Text().find("\nMethod: qz::dx11::ShaderEncapsulation::BackgroundCompile::RunCallback\n"));
    EXPECT_NE(std::string::npos, log.Text().find(failure));
    EXPECT_EQ(std::string::npos, log.Text().find("Errors occured during shader compilation"));
}

}  // namespace
