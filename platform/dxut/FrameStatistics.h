#pragma once
// Frame times and the statistics texts: the loop's clock, frames per second over
// intervals of a second, the frame and device descriptions.

#include "platform/dxut/DeviceSettings.h"

#include <chrono>
#include <string>

namespace platform::dxut {

class FrameStatistics {
public:
    using Clock = std::chrono::steady_clock;

    // A new frame at now: its time since the first frame and its length.
    void BeginFrame(Clock::time_point now);
    // A frame was presented at now; completes an interval after a second.
    void EndFrame(Clock::time_point now);
    // Time spent without frames (a minimised window) does not count as a frame's length.
    void Pause() { paused_ = true; }

    double Time() const { return time_; }
    float ElapsedTime() const { return elapsed_; }
    float Fps() const { return fps_; }

private:
    bool started_ = false;
    bool paused_ = false;
    Clock::time_point start_;
    Clock::time_point lastFrame_;
    double time_ = 0.0;
    float elapsed_ = 0.0f;

    Clock::time_point intervalStart_;
    unsigned framesInInterval_ = 0;
    float fps_ = 0.0f;
};

// "Vsync on (1280x720), R8G8B8A8_UNORM_SRGB (MS1, Q0)", after "60.00 fps " with showFps;
// "60.00 fps (no device)" without settings.
std::wstring FrameStatsText(float fps, bool showFps, const DXUTDeviceSettings* settings);
// "D3D11 Software Adapter (FL 11.0)".
std::wstring DeviceStatsText(const DXGI_ADAPTER_DESC& adapter, D3D_FEATURE_LEVEL level);

}  // namespace platform::dxut
