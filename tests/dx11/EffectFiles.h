#pragma once
// Effect sources written into a folder of the test, and a software device to load them.

#include "platform/d3d11/D3D11.h"
#include "platform/d3d11/com/ComPtr.h"
#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <string>
#include <thread>

namespace qz::test {

class EffectFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = std::string("effects_") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        ASSERT_EQ(S_OK, D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, nullptr, 0,
                                          D3D11_SDK_VERSION, device.ReleaseAndGetAddressOf(), nullptr, nullptr));
    }

    std::string Write(const std::string& name, const std::string& text)
    {
        const std::string path = folder + "/" + name;
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        return path;
    }

    std::string Read(const std::string& name) const { return ReadFile(folder + "/" + name); }
    bool Exists(const std::string& name) const { return std::filesystem::exists(folder + "/" + name); }
    std::size_t FileCount() const
    {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                      std::filesystem::directory_iterator()));
    }

    std::string folder;
    d3d11sw::ComPtr<ID3D11Device> device;
};

// Runs the call on a thread of its own; false when it did not finish by itself within a
// while. Such a call is taken to wait on the FIFO: writers that open and close it, again
// and again, let a waiting open or read go on, so that the fault fails the test instead
// of hanging it. What the call throws is thrown on.
inline bool FinishesWithoutAWriter(const std::string& fifo, const std::function<void()>& call)
{
    std::exception_ptr error;
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    std::thread runner([&] {
        try {
            call();
        } catch (...) {
            error = std::current_exception();
        }
        done.set_value();
    });
    const bool alone = finished.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    while (finished.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) {
            ::close(writer);
        }
    }
    runner.join();
    if (error) {
        std::rethrow_exception(error);
    }
    return alone;
}

// A small effect with a colour, a technique and a pass; EXTRA adds a variable, and its
// value appears in the preprocessed text.
inline const char* const kSmallEffect = R"(cbuffer cb { float4 g_color; };
#ifdef EXTRA
float g_extra;
static const int g_extraValue = EXTRA + 0;
#endif
float4 PS() : SV_Target { return g_color; }
technique11 T { pass P { SetPixelShader(CompileShader(ps_5_0, PS())); } }
)";

}  // namespace qz::test
