#pragma once
// The tweak bars started on a software device with a 320x240 target, and window messages
// made as the window framework makes them.

#include "platform/d3d11/D3D11.h"
#include "platform/d3d11/com/ComPtr.h"
#include "platform/tweakbar/AntTweakBar.h"
#include "platform/tweakbar/Bars.h"
#include "platform/tweakbar/Context.h"
#include "platform/tweakbar/Layout.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/WindowMessages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace qz::test {

using d3d11sw::ComPtr;

class TweakBarTest : public ::testing::Test {
protected:
    static constexpr int Width = 320;
    static constexpr int Height = 240;

    void SetUp() override
    {
        ASSERT_EQ(S_OK, D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, nullptr, 0,
                                          D3D11_SDK_VERSION, device.ReleaseAndGetAddressOf(), nullptr,
                                          context.ReleaseAndGetAddressOf()));
        ASSERT_EQ(1, TwInit(TW_DIRECT3D11, device.Get()));
        ASSERT_EQ(1, TwWindowSize(Width, Height));
    }
    void TearDown() override { TwTerminate(); }

    // A bar at (x, y) of width x height.
    static TwBar* NewBar(const std::string& name, int x, int y, int width, int height)
    {
        TwBar* bar = TwNewBar(name.c_str());
        const std::string define = name + " position='" + std::to_string(x) + " " + std::to_string(y) +
                                   "' size='" + std::to_string(width) + " " + std::to_string(height) + "'";
        EXPECT_EQ(1, TwDefine(define.c_str()));
        return bar;
    }

    // The centre of the row (1 ...) below a bar's title, and a column's first pixel.
    static int RowY(const TwBar* bar, int row)
    {
        return bar->placement.y + row * platform::tweakbar::RowHeight + platform::tweakbar::RowHeight / 2;
    }

    static int Event(UINT message, WPARAM wParam, LPARAM lParam) { return TwEventWin(nullptr, message, wParam, lParam); }
    static int Move(int x, int y, WPARAM buttons = 0) { return Event(WM_MOUSEMOVE, buttons, MAKELPARAM(x, y)); }
    static int Down(int x, int y) { return Event(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); }
    static int Up(int x, int y) { return Event(WM_LBUTTONUP, 0, MAKELPARAM(x, y)); }
    // Down and up in one place; the results of both.
    static std::pair<int, int> Click(int x, int y) { return {Down(x, y), Up(x, y)}; }
    static int Key(UINT key) { return Event(WM_KEYDOWN, key, 1); }
    static int Char(char c) { return Event(WM_CHAR, static_cast<unsigned char>(c), 1); }
    static void Type(const std::string& text)
    {
        for (char c : text) EXPECT_EQ(1, Char(c)) << c;
    }
    static int Wheel(int delta) { return Event(WM_MOUSEWHEEL, MAKEWPARAM(0, delta), MAKELPARAM(5000, 5000)); }

    static const platform::tweakbar::Edit& CurrentEdit() { return platform::tweakbar::TheContext().interaction.CurrentEdit(); }

    // The current public count of an object, read without changing it.
    template <class T>
    static ULONG Count(T* object)
    {
        object->AddRef();
        return object->Release();
    }

    ComPtr<ID3D11Device> device;
    ComPtr<ID3D11DeviceContext> context;
};

}  // namespace qz::test
