#include "platform/dxut/FrameStatistics.h"

#include <cwchar>

namespace platform::dxut {

namespace {

constexpr auto FpsInterval = std::chrono::seconds(1);

const wchar_t* FormatName(DXGI_FORMAT format)
{
    switch (format) {
    case DXGI_FORMAT_R8G8B8A8_UNORM: return L"R8G8B8A8_UNORM";
    case DXGI_FORMAT_R8G8B8A8_UNORM_SRGB: return L"R8G8B8A8_UNORM_SRGB";
    case DXGI_FORMAT_B8G8R8A8_UNORM: return L"B8G8R8A8_UNORM";
    case DXGI_FORMAT_B8G8R8A8_UNORM_SRGB: return L"B8G8R8A8_UNORM_SRGB";
    case DXGI_FORMAT_R16G16B16A16_FLOAT: return L"R16G16B16A16_FLOAT";
    case DXGI_FORMAT_R10G10B10A2_UNORM: return L"R10G10B10A2_UNORM";
    default: return L"other format";
    }
}

}  // namespace

void FrameStatistics::BeginFrame(Clock::time_point now)
{
    if (!started_) {
        started_ = true;
        start_ = lastFrame_ = intervalStart_ = now;
    }
    if (paused_) {
        // Resume where the last frame ended.
        start_ += now - lastFrame_;
        intervalStart_ = now;
        framesInInterval_ = 0;
        lastFrame_ = now;
        paused_ = false;
    }
    time_ = std::chrono::duration<double>(now - start_).count();
    elapsed_ = std::chrono::duration<float>(now - lastFrame_).count();
    lastFrame_ = now;
}

void FrameStatistics::EndFrame(Clock::time_point now)
{
    ++framesInInterval_;
    const auto length = now - intervalStart_;
    if (length >= FpsInterval) {
        fps_ = static_cast<float>(framesInInterval_ / std::chrono::duration<double>(length).count());
        framesInInterval_ = 0;
        intervalStart_ = now;
    }
}

std::wstring FrameStatsText(float fps, bool showFps, const DXUTDeviceSettings* settings)
{
    wchar_t buffer[256];
    std::wstring text;
    if (showFps) {
        std::swprintf(buffer, std::size(buffer), L"%.2f fps ", static_cast<double>(fps));
        text = buffer;
    }
    if (!settings) {
        return text + L"(no device)";
    }
    const DXGI_SWAP_CHAIN_DESC& sd = settings->d3d11.sd;
    std::swprintf(buffer, std::size(buffer), L"Vsync %ls (%ux%u), %ls (MS%u, Q%u)",
                  settings->d3d11.SyncInterval == 0 ? L"off" : L"on", sd.BufferDesc.Width, sd.BufferDesc.Height,
                  FormatName(sd.BufferDesc.Format), sd.SampleDesc.Count, sd.SampleDesc.Quality);
    return text + buffer;
}

std::wstring DeviceStatsText(const DXGI_ADAPTER_DESC& adapter, D3D_FEATURE_LEVEL level)
{
    wchar_t buffer[256];
    std::swprintf(buffer, std::size(buffer), L"D3D11 %.127ls (FL %u.%u)", adapter.Description,
                  (static_cast<unsigned>(level) >> 12) & 0xF, (static_cast<unsigned>(level) >> 8) & 0xF);
    return buffer;
}

}  // namespace platform::dxut
