// Effect wrappers: loading sources and compiled effects, background compiles with their
// counter, generations and failures, and what a failed load leaves behind.

#include "tarnwick/dx11/ShaderEncapsulation.h"

#include "tests/dx11/EffectFiles.h"
#include "tests/support/LogCapture.h"
#include "tests/utils/ErrorText.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
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

private:
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

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int count_ = 0;
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
}

TEST_F(ShaderWrapper, LoadsCompiledEffectsOfAnyOtherName)
{
    TestShader source(Write("small.fx", qz::test::kSmallEffect));
    source.Create(device.Get());
    const auto& bytes = source.CompiledBytes();
    for (const char* name : {"small.fxo", "compiled"}) {
        Write(name, std::string(bytes.begin(), bytes.end()));
        TestShader compiled(folder + "/" + name);
        compiled.Create(device.Get());
        EXPECT_TRUE(compiled.IsReady()) << name;
        EXPECT_EQ(1, compiled.afterCreations);
        EXPECT_NE(nullptr, compiled.GetEffect());
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
        EXPECT_NE(std::string::npos, ErrorText([&] { shader.Create(device.Get()); }).find(error)) << file;
        EXPECT_FALSE(shader.IsReady());
        EXPECT_EQ(nullptr, shader.GetEffect());
        EXPECT_EQ(file.ends_with(".fx") ? 1 : 0, shader.afterCreations);
    }
}

TEST_F(ShaderWrapper, BackgroundCompileFinishesOnTheRenderThreadWithTheCounterBackAtZero)
{
    TestShader shader(Write("small.fx", qz::test::kSmallEffect));
    Signal done;
    shader.SetAsyncCompilation([&] { done.Notify(); });
    shader.Create(device.Get());
    EXPECT_FALSE(shader.IsReady());
    ASSERT_TRUE(done.WaitFor(1));
    EXPECT_TRUE(shader.IsCompiled());
    EXPECT_EQ(0u, ShaderEncapsulation::CompilesInProgress());
    EXPECT_FALSE(shader.IsReady());
    EXPECT_TRUE(shader.FinishAsyncCompilation());
    EXPECT_TRUE(shader.IsReady());
    EXPECT_EQ(1, shader.afterCreations);
    EXPECT_FALSE(shader.IsCompiled());
    EXPECT_FALSE(shader.FinishAsyncCompilation());
}

TEST_F(ShaderWrapper, ANewerLoadSupersedesAnOlderBackgroundCompile)
{
    for (int round = 0; round < 5; ++round) {
        TestShader shader(Write("small.fx", qz::test::kSmallEffect));
        shader.SetAsyncCompilation({});
        shader.Create(device.Get());
        shader.Defines()["EXTRA"] = std::to_string(round);
        shader.Create(device.Get());
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
    TestShader shader(Write("broken.fx", "float4 broken(;"));
    Signal done;
    shader.SetAsyncCompilation([&] { done.Notify(); });
    qz::test::LogCapture log;
    ::testing::internal::CaptureStderr();
    shader.Create(device.Get());
    ASSERT_TRUE(WaitForNoCompiles());
    shader.FinishAsyncCompilation();
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos,
              errors.find("Error: Errors occured during shader compilation; see the log for details\n"));
    EXPECT_NE(std::string::npos, errors.find("Error compiling shader from file"));
    EXPECT_NE(std::string::npos, log.Text().find("Errors occured during shader compilation; see the log for details"));
    EXPECT_FALSE(shader.IsReady());
    EXPECT_FALSE(shader.IsCompiled());
    EXPECT_EQ(0, shader.afterCreations);
}

TEST_F(ShaderWrapper, AnyExceptionOfTheTaskIsReportedAndCounted)
{
    auto shader = std::make_unique<TestShader>(Write("small.fx", qz::test::kSmallEffect));
    shader->SetAsyncCompilation([] { throw std::runtime_error("callback failed"); });
    qz::test::LogCapture log;
    ::testing::internal::CaptureStderr();
    shader->Create(device.Get());
    shader.reset();  // waits for the task, which reports after its count is given back
    EXPECT_EQ(0u, ShaderEncapsulation::CompilesInProgress());
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, errors.find("callback failed"));
    EXPECT_NE(std::string::npos, errors.find("Errors occured during shader compilation"));
    EXPECT_NE(std::string::npos, log.Text().find("callback failed"));
}

}  // namespace
