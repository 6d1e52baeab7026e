// The rendering device on the window framework without a display: its settings group,
// the device events in order, the frame work, failures of the framework and the mended
// faults (adapter references, a missing output, the bounded title, exceptions).

#include "tarnwick/dx11/RenderingDevice.h"

#include "platform/dxut/FrameworkHooks.h"
#include "tarnwick/engine/Configuration.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TextureReadBack.h"
#include "tests/utils/ErrorText.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <stdexcept>

namespace {

using qz::dx11::RenderingDevice;
using qz::utils::EventManager;
using Names = std::vector<std::string>;

template <class T>
ULONG CountOf(T* object)
{
    object->AddRef();
    return object->Release();
}

// Records every device event, whether a window existed then, and runs an action.
class EventRecorder : public EventManager::IEventHandler {
public:
    void HandleEvent(const EventManager::EventArgs* args) override
    {
        names.push_back(args->event->name);
        windowExisted.push_back(DXUTGetHWND() != nullptr);
        data.push_back(args->data);
        if (action) action(args->event->name);
    }

    Names names;
    std::vector<bool> windowExisted;
    std::vector<void*> data;
    std::function<void(const std::string&)> action;
};

class RenderingDeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        unsetenv(platform::dxut::ExitAfterFramesVariable);
        device = std::make_unique<RenderingDevice>(configuration, events);
        device->settings.resolution = qz::core::Int32Vec2(320, 200);
        for (const char* name : {"device_created", "device_destroyed", "device_window_resized", "device_window_destroyed",
                                 "device_frame_rendered", "device_devices_counted", "device_screens_counted"}) {
            events.Subscribe(EventManager::EventId(name), &recorder);
        }
    }

    void TearDown() override
    {
        DXUTShutdown(0);
        device.reset();
        unsetenv(platform::dxut::ExitAfterFramesVariable);
    }

    static void RunFrames(int frames)
    {
        setenv(platform::dxut::ExitAfterFramesVariable, std::to_string(frames).c_str(), 1);
        DXUTMainLoop();
    }

    Configuration configuration{"./Settings.xml"};
    EventManager events;
    std::unique_ptr<RenderingDevice> device;
    EventRecorder recorder;
};

TEST_F(RenderingDeviceTest, SettingsGroupRecordsAndEvents)
{
    const qz::utils::SettingsGroup& group = device->settings.group;
    EXPECT_EQ("renderingdevice", group.Name());
    EXPECT_EQ("", group.Label());
    const std::pair<const char*, int> items[] = {{"windowtitle", 11}, {"statsintitle", 10}, {"windowed", 10},
                                                 {"vsync", 10},       {"resolution", 12},   {"gammecorrectmode", 10},
                                                 {"samplecount", 2},  {"msaaquality", 2}};
    ASSERT_EQ(std::size(items), group.InsertionOrder().size());
    for (std::size_t i = 0; i < std::size(items); ++i) {
        EXPECT_EQ(items[i].first, group.InsertionOrder()[i]->key);
        EXPECT_EQ(items[i].second, static_cast<int>(group.InsertionOrder()[i]->value.Type()));
        EXPECT_EQ("", group.InsertionOrder()[i]->description);
    }
    EXPECT_EQ(nullptr, group.FindItem("gammacorrectmode")) << "the key is spelled as configuration files spell it";
    const RenderingDevice::Settings defaults;
    EXPECT_TRUE(defaults.statsInTitle && defaults.windowed && defaults.vsync && defaults.gammaCorrectMode);
    EXPECT_EQ("[1280, 720]", defaults.resolution.ToString());

    EXPECT_EQ(&device->settings.group, configuration.engineSettings.at("renderingdevice"));
    ASSERT_EQ(1u, device->devices.size());
    ASSERT_EQ(1u, device->screens.size());
    EXPECT_EQ(&device->devices[0], device->screens[0].device);
    EXPECT_EQ(nullptr, device->devices[0].device);
    EXPECT_EQ(device.get(), RenderingDevice::Instance());

    device.reset();
    EXPECT_EQ(0u, configuration.engineSettings.count("renderingdevice"));
    EXPECT_EQ(nullptr, RenderingDevice::Instance());
}

TEST_F(RenderingDeviceTest, SecondInstanceIsRefused)
{
    qz::test::LogCapture log;
    const std::string error = qz::test::ErrorText([&] { RenderingDevice second(configuration, events); });
    EXPECT_NE(std::string::npos, error.find("\nMethod: qz::dx11::RenderingDevice::RenderingDevice\n")) << error;
    EXPECT_NE(std::string::npos, error.find("Another rendering device has already been created")) << error;
    EXPECT_EQ(device.get(), RenderingDevice::Instance());
    EXPECT_EQ(&device->settings.group, configuration.engineSettings.at("renderingdevice"));
}

TEST_F(RenderingDeviceTest, EventsInOrderThroughCreationFramesResizeAndShutdown)
{
    qz::test::LogCapture log;
    DXUTSetCursorSettings(false, false);  // the device asks for the other values
    device->CreateDevice();
    EXPECT_EQ((Names{"device_devices_counted", "device_screens_counted", "device_created", "device_window_resized"}),
              recorder.names);
    EXPECT_EQ((std::vector<bool>{false, false, true, true}), recorder.windowExisted);

    const std::string text = log.Text();
    for (const char* line : {"Initializing DirectX 11...\n\n",
                             "Checking D3D11 Device: \n\tSoftware Adapter\n\tVideo memory: ",
                             " MB\n\tFeature level: 45056", "Device accepted\n",
                             "Device created: D3D11 Software Adapter (FL 11.0)\n\n",
                             "Aaaaaand we're good to go. Hf&gl good sirs.\n-------------------------------------------\n"}) {
        EXPECT_NE(std::string::npos, text.find(line)) << line << "\n--- log:\n" << text;
    }
    const std::string memory =
        "\tVideo memory: " + std::to_string(device->screens[0].adapterDesc.DedicatedVideoMemory / (1024 * 1024)) + " MB\n";
    EXPECT_NE(std::string::npos, text.find(memory)) << memory << "\n--- log:\n" << text;

    EXPECT_EQ(DXUTGetD3D11Device(), device->devices[0].device);
    EXPECT_EQ(DXUTGetD3D11DeviceContext(), device->devices[0].immediateContext);
    EXPECT_EQ(1u, device->devices[0].reserved1);
    const RenderingDevice::ScreenRecord& screen = device->screens[0];
    EXPECT_EQ(DXUTGetHWND(), screen.window);
    EXPECT_EQ(DXUTGetDXGISwapChain(), screen.swapChain);
    EXPECT_EQ(DXUTGetD3D11RenderTargetView(), screen.renderTargetView);
    EXPECT_EQ(DXUTGetD3D11DepthStencilView(), screen.depthStencilView);
    EXPECT_EQ(320u, screen.width);
    EXPECT_EQ(200u, screen.height);
    EXPECT_EQ(std::wstring(L"Software Adapter"), screen.adapterDesc.Description);
    EXPECT_NE(L'\0', screen.outputDesc.DeviceName[0]);
    ASSERT_NE(nullptr, screen.output);
    const ULONG outputReferences = CountOf(screen.output);

    const DXUTDeviceSettings* settings = DXUTGetCurrentDeviceSettings();
    EXPECT_EQ(DXGI_FORMAT_D32_FLOAT, settings->d3d11.AutoDepthStencilFormat);
    EXPECT_EQ(DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, settings->d3d11.sd.BufferDesc.Format);
    EXPECT_EQ(1u, settings->d3d11.SyncInterval);
    EXPECT_TRUE(DXUTGetMultimonSettings());
    EXPECT_TRUE(DXUTGetShowCursorWhenFullScreen());
    EXPECT_TRUE(DXUTGetClipCursorWhenFullScreen());
    EXPECT_TRUE(DXUTIsInGammaCorrectMode());

    int frames = 0;
    recorder.action = [&](const std::string& name) {
        if (name == "device_frame_rendered" && ++frames == 2) SDL_SetWindowSize(platform::dxut::Window(), 160, 100);
    };
    recorder.names.clear();
    recorder.data.clear();
    RunFrames(3);
    EXPECT_EQ((Names{"device_frame_rendered", "device_frame_rendered", "device_window_destroyed", "device_window_resized",
                     "device_frame_rendered"}),
              recorder.names);
    EXPECT_EQ(160u, device->screens[0].width);
    EXPECT_EQ(outputReferences, CountOf(device->screens[0].output)) << "the output is released once it is described";
    EXPECT_EQ(DXUTGetD3D11DeviceContext(), recorder.data[0]) << "a rendered frame's data is the immediate context";

    recorder.names.clear();
    DXUTShutdown(0);
    EXPECT_EQ((Names{"device_window_destroyed", "device_destroyed"}), recorder.names);
    EXPECT_EQ(nullptr, device->devices[0].device);
    EXPECT_EQ(nullptr, device->screens[0].swapChain);
    EXPECT_EQ(nullptr, device->screens[0].adapter);
}

TEST_F(RenderingDeviceTest, StatisticsTitleOnlyWhenWindowedAndEnabled)
{
    struct Case {
        bool windowed;
        bool statsInTitle;
        bool rewritten;
    };
    for (const Case c : {Case{true, true, true}, Case{true, false, false}, Case{false, true, false}}) {
        device->settings.windowed = c.windowed;
        device->settings.statsInTitle = c.statsInTitle;
        // The other settings handed to the framework take both values across the rows,
        // each differing from the others in some row.
        device->settings.vsync = c.statsInTitle;
        device->settings.gammaCorrectMode = !c.statsInTitle;
        device->CreateDevice();
        EXPECT_EQ(c.statsInTitle ? 1u : 0u, DXUTGetCurrentDeviceSettings()->d3d11.SyncInterval);
        EXPECT_EQ(c.windowed, DXUTIsWindowed());
        EXPECT_EQ(!c.statsInTitle, DXUTIsInGammaCorrectMode());
        RunFrames(2);
        const std::string title = SDL_GetWindowTitle(platform::dxut::Window());
        if (c.rewritten) {
            EXPECT_EQ(0u, title.rfind("RenderWindow @ ", 0)) << title;
            EXPECT_NE(std::string::npos, title.find(" fps / ")) << title;
        } else {
            EXPECT_EQ("RenderWindow", title);
        }
        DXUTShutdown(0);
    }
}

// Reads a D32 depth buffer back through a staging copy.
std::vector<float> ReadDepth(ID3D11DeviceContext* context, ID3D11DepthStencilView* view)
{
    d3d11sw::ComPtr<ID3D11Resource> resource;
    view->GetResource(resource.ReleaseAndGetAddressOf());
    return qz::test::ReadTexels<float>(context, static_cast<ID3D11Texture2D*>(resource.Get()));
}

struct DepthCheckingCallback : qz::dx11::IRenderingCallback {
    void Render(ID3D11DeviceContext* context) override
    {
        const std::vector<float> depth = ReadDepth(context, DXUTGetD3D11DepthStencilView());
        allCleared = std::all_of(depth.begin(), depth.end(), [](float d) { return d == 1.0f; });
        ++calls;
    }
    bool allCleared = false;
    int calls = 0;
};

TEST_F(RenderingDeviceTest, FrameClearsDepthWithOrWithoutARenderingCallback)
{
    device->CreateDevice();
    // Something has drawn at depth 0.25 before each frame is rendered.
    DXUTSetCallbackFrameMove([](double, float, void*) {
        DXUTGetD3D11DeviceContext()->ClearDepthStencilView(DXUTGetD3D11DepthStencilView(), D3D11_CLEAR_DEPTH, 0.25f, 0);
    });
    std::vector<bool> cleared;
    recorder.action = [&](const std::string& name) {
        if (name != "device_frame_rendered") return;
        const std::vector<float> depth = ReadDepth(DXUTGetD3D11DeviceContext(), DXUTGetD3D11DepthStencilView());
        cleared.push_back(std::all_of(depth.begin(), depth.end(), [](float d) { return d == 1.0f; }));
    };
    recorder.names.clear();
    RunFrames(2);
    EXPECT_EQ((std::vector<bool>{true, true}), cleared) << "no rendering callback: cleared and fired all the same";

    DXUTShutdown(0);
    DepthCheckingCallback callback;
    device->renderingCallback = &callback;
    device->CreateDevice();
    DXUTSetCallbackFrameMove([](double, float, void*) {
        DXUTGetD3D11DeviceContext()->ClearDepthStencilView(DXUTGetD3D11DepthStencilView(), D3D11_CLEAR_DEPTH, 0.25f, 0);
    });
    cleared.clear();
    RunFrames(2);
    EXPECT_EQ(2, callback.calls);
    EXPECT_TRUE(callback.allCleared) << "the callback draws after the clear";
    EXPECT_EQ(2u, cleared.size());
}

TEST_F(RenderingDeviceTest, FailingFrameworkCallsGiveTheirErrorsAndLeaveNoDevice)
{
    using platform::dxut::FrameworkCall;
    struct Case {
        FrameworkCall call;
        HRESULT result;
        const char* message;
        Names events;
    };
    const Case cases[] = {
        {FrameworkCall::CreateWindow, E_ACCESSDENIED, "Could not create window\nCOM error message: Access is denied.",
         {"device_devices_counted", "device_screens_counted"}},
        {FrameworkCall::CreateDevice, E_OUTOFMEMORY,
         "Could not create device. Please ensure an acceptable device with Direct3D feature level 11.0 or above is "
         "available.\nCOM error message: Not enough memory resources are available to complete this operation.",
         {"device_devices_counted", "device_screens_counted"}},
        {FrameworkCall::Init, E_FAIL, "Could not init DXUT\nCOM error message: Unspecified error",
         {"device_devices_counted", "device_screens_counted", "device_created", "device_window_resized",
          "device_window_destroyed", "device_destroyed"}},
    };
    for (const Case& c : cases) {
        recorder.names.clear();
        ID3D11Device* created = nullptr;
        recorder.action = [&](const std::string& name) {
            if (name == "device_created") {
                created = device->devices[0].device;
                created->AddRef();
            }
        };
        platform::dxut::FailNextCall(c.call, c.result);
        qz::test::LogCapture log;
        const std::string error = qz::test::ErrorText([&] { device->CreateDevice(); });
        EXPECT_NE(std::string::npos, error.find("\nMethod: qz::dx11::RenderingDevice::CreateDevice\n")) << error;
        EXPECT_NE(std::string::npos, error.find(c.message)) << error;
        EXPECT_NE(std::string::npos, log.Text().find(c.message)) << "logged before the throw";
        EXPECT_EQ(c.events, recorder.names);
        EXPECT_EQ(nullptr, DXUTGetD3D11Device());
        EXPECT_EQ(nullptr, DXUTGetHWND());
        if (created) {
            EXPECT_EQ(0u, created->Release()) << "the device is gone but for the test's reference";
        }
    }
}

TEST_F(RenderingDeviceTest, ExceptionOfAFrameSubscriberArrivesAtTheCallerOfTheLoopAfterTheTeardown)
{
    device->CreateDevice();
    int frames = 0;
    recorder.action = [&](const std::string& name) {
        if (name == "device_frame_rendered" && ++frames == 2) throw std::runtime_error("subscriber failed");
    };
    recorder.names.clear();
    setenv(platform::dxut::ExitAfterFramesVariable, "20", 1);
    try {
        DXUTMainLoop();
        FAIL() << "the exception did not arrive";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ("subscriber failed", error.what());
    }
    EXPECT_EQ((Names{"device_frame_rendered", "device_frame_rendered", "device_window_destroyed", "device_destroyed"}),
              recorder.names);
    EXPECT_EQ(nullptr, device->devices[0].device);
}

TEST_F(RenderingDeviceTest, AdapterReferenceIsReplacedAndReleased)
{
    device->CreateDevice();
    IDXGIAdapter1* adapter = device->screens[0].adapter;
    ASSERT_NE(nullptr, adapter);
    adapter->AddRef();
    const ULONG held = CountOf(adapter);  // the factory's, the record's, the test's

    // A removed device is created again: the settings are modified anew.
    platform::dxut::FailNextCall(platform::dxut::FrameworkCall::Present, DXGI_ERROR_DEVICE_REMOVED);
    RunFrames(2);
    EXPECT_EQ(adapter, device->screens[0].adapter);
    EXPECT_EQ(held, CountOf(adapter)) << "the earlier reference was released before the new one was stored";

    DXUTShutdown(0);
    EXPECT_EQ(nullptr, device->screens[0].adapter) << "released with the device";
    EXPECT_EQ(0u, adapter->Release()) << "no reference left behind";

    // The destructor releases a reference that no device destruction took.
    DXUTDeviceSettings settings{};
    RenderingDevice::ModifyDeviceSettings(&settings, device.get());
    adapter = device->screens[0].adapter;
    adapter->AddRef();
    const ULONG withRecord = CountOf(adapter);
    RenderingDevice::ModifyDeviceSettings(&settings, device.get());
    EXPECT_EQ(withRecord, CountOf(adapter));
    device.reset();
    EXPECT_EQ(withRecord - 1, CountOf(adapter));
    adapter->Release();
}

TEST_F(RenderingDeviceTest, AdapterThatCannotBeFoundIsAWarningAndAZeroedDescription)
{
    DXUTDeviceSettings settings{};
    settings.d3d11.AdapterOrdinal = 7;
    RenderingDevice::ScreenRecord& screen = device->screens[0];
    screen.adapterDesc.VendorId = 99;
    device->settings.sampleCount = 4;
    device->settings.msaaQuality = 2;
    device->settings.vsync = false;
    qz::test::LogCapture log;
    EXPECT_TRUE(RenderingDevice::ModifyDeviceSettings(&settings, device.get()));
    EXPECT_NE(std::string::npos, log.Text().find("WARNING: RenderingDevice: no adapter 7 to describe: The object was not found."))
        << log.Text();
    EXPECT_EQ(nullptr, screen.adapter);
    EXPECT_EQ(0u, screen.adapterDesc.VendorId);
    EXPECT_EQ(DXGI_FORMAT_D32_FLOAT, settings.d3d11.AutoDepthStencilFormat) << "the settings are made all the same";
    EXPECT_TRUE(settings.d3d11.AutoCreateDepthStencil);
    EXPECT_EQ(DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, settings.d3d11.sd.BufferDesc.Format);
    EXPECT_EQ(4u, settings.d3d11.sd.SampleDesc.Count);
    EXPECT_EQ(2u, settings.d3d11.sd.SampleDesc.Quality);
    EXPECT_EQ(0u, settings.d3d11.SyncInterval);
}

// A swap chain whose window lies on no output.
class OutputlessSwapChain final : public IDXGISwapChain {
public:
    HRESULT QueryInterface(REFIID, void** object) override
    {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }
    HRESULT Present(UINT, UINT) override { return S_OK; }
    HRESULT GetBuffer(UINT, REFIID, void**) override { return E_FAIL; }
    HRESULT ResizeBuffers(UINT, UINT, UINT, DXGI_FORMAT, UINT) override { return E_FAIL; }
    HRESULT GetDesc(DXGI_SWAP_CHAIN_DESC*) override { return E_FAIL; }
    HRESULT GetContainingOutput(IDXGIOutput** output) override
    {
        *output = nullptr;
        return DXGI_ERROR_NOT_FOUND;
    }
};

TEST_F(RenderingDeviceTest, MissingContainingOutputIsAWarningAndAZeroedDescription)
{
    OutputlessSwapChain swapChain;
    RenderingDevice::ScreenRecord& screen = device->screens[0];
    std::fill_n(screen.outputDesc.DeviceName, 31, L'x');
    screen.outputDesc.AttachedToDesktop = TRUE;
    const DXGI_SURFACE_DESC backBuffer{640, 480, DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, {1, 0}};
    qz::test::LogCapture log;
    EXPECT_EQ(S_OK, RenderingDevice::OnSwapChainResized(nullptr, &swapChain, &backBuffer, device.get()));
    EXPECT_NE(std::string::npos, log.Text().find("WARNING: RenderingDevice: no output contains the window: The object was not found."))
        << log.Text();
    EXPECT_EQ(nullptr, screen.output);
    EXPECT_EQ(L'\0', screen.outputDesc.DeviceName[0]);
    EXPECT_EQ(FALSE, screen.outputDesc.AttachedToDesktop);
    EXPECT_EQ(640u, screen.width);
    EXPECT_EQ(&swapChain, screen.swapChain);
    EXPECT_EQ((Names{"device_window_resized"}), recorder.names);
}

TEST(StatisticsTitle, FormatAndBound)
{
    wchar_t buffer[1024];
    qz::dx11::FormatStatisticsTitle(buffer, L"RenderWindow", 50.0f);
    EXPECT_EQ(std::wstring(L"RenderWindow @ 50.00 fps / 20.00 ms"), buffer);
    qz::dx11::FormatStatisticsTitle(buffer, L"T", 0.0f);
    EXPECT_EQ(std::wstring(L"T @ 0.00 fps / inf ms"), buffer);

    const std::wstring longTitle(2000, L'a');
    std::fill(std::begin(buffer), std::end(buffer), L'#');
    qz::dx11::FormatStatisticsTitle(buffer, longTitle, 60.0f);
    EXPECT_EQ(std::wstring(1023, L'a'), buffer) << "cut at the buffer, terminated";

    const std::wstring nearlyFull(1015, L'b');
    qz::dx11::FormatStatisticsTitle(buffer, nearlyFull, 60.0f);
    EXPECT_EQ(nearlyFull + L" @ 60.00", buffer) << "the statistics are cut where the buffer ends";
}

}  // namespace
