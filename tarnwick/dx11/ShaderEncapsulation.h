#pragma once
// The base of every effect wrapper: loads one effect file, compiling an effect source
// (".fx") through EffectCompiler, on the calling thread or in the background, or taking
// any other file as a compiled effect.
//
// Background compiles: LoadEffect starts a task that owns copies of the file name, the
// defines and the callback, and a buffer of its own; it hands the buffer over through
// its compiled flag (release/acquire). Each LoadEffect starts a new generation, and only
// the newest task's result is ever taken. The render thread calls
// FinishAsyncCompilation once per frame to turn a finished compile into the effect.
// Destruction waits for every task of the object, so no task outlives what it reports to.

#include "tarnwick/dx11/EffectCompiler.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace qz::dx11 {

class ShaderEncapsulation {
public:
    ShaderEncapsulation() = default;
    // Virtual, so that a wrapper deleted through this base still waits for its tasks.
    virtual ~ShaderEncapsulation();
    ShaderEncapsulation(const ShaderEncapsulation&) = delete;
    ShaderEncapsulation& operator=(const ShaderEncapsulation&) = delete;

    // Calls LoadEffect with the device and the wrapper's own file under "shader/".
    virtual void Create(ID3D11Device* device) = 0;
    // Looks up the effect's variables, techniques and passes; runs only with an effect.
    virtual void AfterCreation() {}

    void LoadEffect(ID3D11Device* device, const std::string& fileName);
    // Switches background compilation on for good; the callback (may be empty) runs on
    // the task's thread when a compile has succeeded. What it throws is reported as its
    // own failure; the compiled effect is still taken.
    void SetAsyncCompilation(std::function<void()> callback);
    // On the render thread, once per frame: when the newest background compile has
    // finished, makes the effect from its bytes, runs AfterCreation and sets the ready
    // flag. True when it did; throws what LoadFromMemory and AfterCreation throw.
    bool FinishAsyncCompilation();
    // Releases the effect (on device destruction); the wrapper is not ready afterwards.
    void Release();

    bool IsReady() const { return ready_; }
    // A background compile has finished and waits for FinishAsyncCompilation.
    bool IsCompiled() const;
    ID3DX11Effect* GetEffect() const { return effect_; }
    const EffectBytes& CompiledBytes() const { return compiledBytes_; }
    // Macro name to value (a value may be empty); set before Create.
    EffectDefines& Defines() { return defines_; }

    // Background compiles in progress in the whole process.
    static std::uint32_t CompilesInProgress();

protected:
    ID3DX11Effect* Effect() const { return effect_; }
    // Starts the thread of a background compile; throws what std::thread throws when the
    // system has no thread to give.
    virtual std::thread StartThread(std::function<void()> run);

private:
    struct BackgroundCompile;

    void StartBackgroundCompile(const std::string& fileName);
    // Joins the tasks that have ended; with all, waits for every task.
    void JoinTasks(bool all);

    bool ready_ = false;
    EffectBytes compiledBytes_;
    std::function<void()> callback_;
    ID3D11Device* device_ = nullptr;  // not a reference
    ID3DX11Effect* effect_ = nullptr;
    bool async_ = false;
    EffectDefines defines_;
    std::uint64_t generation_ = 0;
    std::vector<std::shared_ptr<BackgroundCompile>> tasks_;  // the newest last
};

}  // namespace qz::dx11
