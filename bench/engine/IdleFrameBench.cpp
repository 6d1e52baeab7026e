// One idle frame of the program at 1280x720: the frame move, the clear, the tweak-bar menu,
// the info text and the GUI root, the present; timed as the interval between frames with
// vsync off, on SDL's offscreen driver, first with the menu alone, then with the bar of
// its first item shown below it. Beside it the ceiling of the same run: filling the
// frame's bytes in memory. Then one frame dump of the back buffer: its time and the PNG's
// size.
// Run it under taskset to choose the cores: taskset -c 0-1 build/release/bench/engine/idle_frame_bench

#include "src/Application.h"
#include "platform/dxut/FrameworkHooks.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWarmUp = 30;
constexpr int kFrames = 400;
constexpr int kPhase = kWarmUp + kFrames;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Summary {
    double min, median, max;
};

Summary Summarise(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return {samples.front(), samples[samples.size() / 2], samples.back()};
}

class TimedApplication : public Application {
public:
    using Application::Application;

    void UpdateScene() override
    {
        const Clock::time_point now = Clock::now();
        // Each phase warms up first; the frame after the dump is not idle.
        if (frames > kWarmUp && frames < kPhase) intervals.push_back(Milliseconds(now - last));
        if (frames > kPhase + kWarmUp && frames < 2 * kPhase) withBar.push_back(Milliseconds(now - last));
        ++frames;
        last = now;
        Application::UpdateScene();
        if (frames == kPhase) {
            qz::dev::TweakBarMenu::OnButton(&Menu()->GetItem("program"));
        }
        if (frames == 2 * kPhase) {
            const Clock::time_point start = Clock::now();
            DumpFrame();
            dumpMilliseconds = Milliseconds(Clock::now() - start);
        }
    }

    int frames = 0;
    Clock::time_point last;
    std::vector<double> intervals;
    std::vector<double> withBar;
    double dumpMilliseconds = 0.0;
};

// Writing every byte of a 1280x720 RGBA frame once.
Summary FillCeiling()
{
    std::vector<unsigned char> frame(1280 * 720 * 4);
    std::vector<double> samples;
    for (int i = 0; i < 200; ++i) {
        const Clock::time_point start = Clock::now();
        std::memset(frame.data(), i & 0xFF, frame.size());
        asm volatile("" : : "r"(frame.data()) : "memory");
        samples.push_back(Milliseconds(Clock::now() - start));
    }
    return Summarise(samples);
}

}  // namespace

int main()
{
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / "idle_frame_bench";
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::current_path(folder);
    std::ofstream("Settings.xml") << "<tarnwick-config><engine-settings><renderingdevice>"
                                     "<vsync typeid=\"30\" value=\"false\" />"
                                     "<resolution typeid=\"1584490197\" value=\"[1280, 720]\" />"
                                     "</renderingdevice></engine-settings></tarnwick-config>";
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv(platform::dxut::ExitAfterFramesVariable, std::to_string(2 * kPhase + 5).c_str(), 1);

    const Summary fill = FillCeiling();
    Summary frame{};
    Summary frameWithBar{};
    std::size_t frames = 0;
    std::size_t withBarFrames = 0;
    double dump = 0.0;
    {
        std::string program = "idle_frame_bench";
        char* arguments[] = {program.data()};
        TimedApplication application(1, arguments);
        ApplicationInstance = &application;
        qz::engine::Run();
        frame = Summarise(application.intervals);
        frames = application.intervals.size();
        frameWithBar = Summarise(application.withBar);
        withBarFrames = application.withBar.size();
        dump = application.dumpMilliseconds;
    }
    std::uintmax_t pngBytes = 0;
    for (const auto& entry : fs::recursive_directory_iterator("Media/Framedumps")) {
        if (entry.path().extension() == ".png") pngBytes = entry.file_size();
    }
    std::printf("\nidle frame 1280x720 with the menu (%zu frames): min %.3f ms, median %.3f ms, max %.3f ms\n",
                frames, frame.min, frame.median, frame.max);
    std::printf("idle frame with one bar of the menu shown (%zu frames): min %.3f ms, median %.3f ms, max %.3f ms\n",
                withBarFrames, frameWithBar.min, frameWithBar.median, frameWithBar.max);
    std::printf("ceiling, filling the frame's bytes: min %.3f ms, median %.3f ms; frame / fill (medians) %.1f, "
                "with the bar %.1f\n",
                fill.min, fill.median, frame.median / fill.median, frameWithBar.median / fill.median);
    std::printf("frame dump of the back buffer: %.1f ms, PNG %ju bytes\n", dump, pngBytes);
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(folder);
    return 0;
}
