#pragma once
// Effect sources written into a folder of the test, and a software device to load them.

#include "platform/d3d11/D3D11.h"
#include "platform/d3d11/com/ComPtr.h"
#include "tests/support/OutputCapture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

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
