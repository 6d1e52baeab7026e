#include "tarnwick/dx11/ShaderEncapsulation.h"

#include "platform/win/Dialogs.h"
#include "tarnwick/core/ErrorReport.h"
#include "tarnwick/utils/FileUtils.h"

#include <thread>

namespace qz::dx11 {
namespace {

std::atomic<std::uint32_t> compilesInProgress{0};

// Decrements the counter when it goes out of scope, unless it already did.
class CompileCount {
public:
    CompileCount() = default;
    ~CompileCount() { Done(); }
    CompileCount(const CompileCount&) = delete;
    CompileCount& operator=(const CompileCount&) = delete;
    void Done()
    {
        if (!done_) {
            done_ = true;
            compilesInProgress.fetch_sub(1);
        }
    }

private:
    bool done_ = false;
};

void ReportFailedCompile(const std::string& text, bool logged)
{
    OutputDebugStringA(text.c_str());
    if (!logged) {
        auto message = core::Logger::BeginMessage(core::LogLevelErrorReport);
        message.SetType(core::LogTypeError);
        message << text;
    }
    const char* const notice = "Errors occured during shader compilation; see the log for details";
    {
        auto message = core::Logger::BeginMessage(core::LogLevelImportant);
        message.SetType(core::LogTypeError);
        message << notice;
    }
    MessageBoxA(nullptr, notice, "Error", MB_ICONERROR | MB_OK);
}

// A callback that fails after a good compile is a failure of its own: the compiled bytes
// stay and are taken as usual.
void ReportFailedCallback(const std::string& fileName, const std::string& reason)
{
    try {
        QZ_THROW("qz::dx11::ShaderEncapsulation::BackgroundCompile::RunCallback",
                 "The completion callback of the shader compile of ", fileName, " failed: ", reason);
    } catch (const core::Exception& e) {
        OutputDebugStringA(e.what());
    }
    MessageBoxA(nullptr, "The completion callback of a shader compile failed; see the log for details", "Error",
                MB_ICONERROR | MB_OK);
}

}  // namespace

struct ShaderEncapsulation::BackgroundCompile {
    std::string fileName;
    EffectDefines defines;
    std::function<void()> callback;
    std::uint64_t generation = 0;
    EffectBytes bytes;                   // complete once compiled is set
    std::atomic<bool> compiled{false};   // release by the task, acquire by the owner
    std::atomic<bool> ended{false};      // the thread has nothing left to do
    std::thread thread;

    void Run()
    {
        if (Compile()) {
            RunCallback();
        }
        ended.store(true, std::memory_order_release);
    }

    // The counter was taken for this task when it was started.
    bool Compile()
    {
        CompileCount count;
        try {
            EffectCompiler::CompileFromFile(fileName, bytes, 0, defines);
        } catch (const core::Exception& e) {
            ReportFailedCompile(e.what(), true);
            return false;
        } catch (const std::exception& e) {
            ReportFailedCompile(e.what(), false);
            return false;
        } catch (...) {
            ReportFailedCompile("Unknown exception during shader compilation", false);
            return false;
        }
        count.Done();
        compiled.store(true, std::memory_order_release);
        return true;
    }

    void RunCallback()
    {
        if (!callback) {
            return;
        }
        try {
            callback();
        } catch (const std::exception& e) {
            ReportFailedCallback(fileName, e.what());
        } catch (...) {
            ReportFailedCallback(fileName, "unknown exception");
        }
    }
};

ShaderEncapsulation::~ShaderEncapsulation()
{
    JoinTasks(true);
    Release();
}

std::uint32_t ShaderEncapsulation::CompilesInProgress() { return compilesInProgress.load(); }

void ShaderEncapsulation::Release()
{
    if (effect_) {
        effect_->Release();
        effect_ = nullptr;
    }
    ready_ = false;
}

void ShaderEncapsulation::SetAsyncCompilation(std::function<void()> callback)
{
    async_ = true;
    callback_ = std::move(callback);
}

bool ShaderEncapsulation::IsCompiled() const
{
    return !tasks_.empty() && tasks_.back()->generation == generation_ &&
           tasks_.back()->compiled.load(std::memory_order_acquire);
}

void ShaderEncapsulation::LoadEffect(ID3D11Device* device, const std::string& fileName)
{
    Release();
    device_ = device;
    JoinTasks(false);
    try {
        if (utils::ToLower(utils::GetFileExtension(fileName)) == "fx") {
            core::Logger::BeginMessageWith("Loading shader from source file ") << fileName << "...";
            if (async_) {
                StartBackgroundCompile(fileName);
                return;
            }
            EffectCompiler::CompileFromFile(fileName, compiledBytes_, EffectCompiler::kShowSpinner, defines_);
            EffectCompiler::LoadFromMemory(device, compiledBytes_, &effect_);
        } else {
            const std::wstring wide(fileName.begin(), fileName.end());
            const HRESULT result = D3DX11CreateEffectFromFile(wide.c_str(), 0, device, &effect_);
            if (FAILED(result) || !effect_) {
                QZ_THROW_COM("qz::dx11::ShaderEncapsulation::LoadEffect", result, "Error loading shader from file ",
                             fileName);
            }
        }
        AfterCreation();
        ready_ = true;
    } catch (const core::Exception& e) {
        OutputDebugStringA(e.what());
        throw;
    }
}

void ShaderEncapsulation::StartBackgroundCompile(const std::string& fileName)
{
    auto task = std::make_shared<BackgroundCompile>();
    task->fileName = fileName;
    task->defines = defines_;
    task->callback = callback_;
    task->generation = ++generation_;
    compilesInProgress.fetch_add(1);
    try {
        task->thread = StartThread([task] { task->Run(); });
    } catch (const std::exception& e) {
        compilesInProgress.fetch_sub(1);
        QZ_THROW("qz::dx11::ShaderEncapsulation::StartBackgroundCompile", "Could not start the background compile of ",
                 fileName, ": ", e.what());
    }
    tasks_.push_back(std::move(task));
}

std::thread ShaderEncapsulation::StartThread(std::function<void()> run) { return std::thread(std::move(run)); }

bool ShaderEncapsulation::FinishAsyncCompilation()
{
    if (!async_ || !IsCompiled()) {
        return false;
    }
    BackgroundCompile& task = *tasks_.back();
    task.compiled.store(false, std::memory_order_relaxed);
    compiledBytes_ = std::move(task.bytes);
    JoinTasks(false);
    Release();
    try {
        EffectCompiler::LoadFromMemory(device_, compiledBytes_, &effect_);
        AfterCreation();
    } catch (const core::Exception& e) {
        OutputDebugStringA(e.what());
        throw;
    }
    ready_ = true;
    return true;
}

void ShaderEncapsulation::JoinTasks(bool all)
{
    for (auto it = tasks_.begin(); it != tasks_.end();) {
        BackgroundCompile& task = **it;
        if (task.thread.joinable() && (all || task.ended.load(std::memory_order_acquire))) {
            task.thread.join();
        }
        // The newest task stays until its result is taken.
        const bool waiting = !all && task.generation == generation_ && task.compiled.load(std::memory_order_acquire);
        if (task.thread.joinable() || waiting) {
            ++it;
        } else {
            it = tasks_.erase(it);
        }
    }
}

}  // namespace qz::dx11
