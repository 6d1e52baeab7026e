#pragma once
// A software device and its immediate context for the tests of platform/d3d11.

#include "platform/d3d11/D3D11.h"
#include "platform/d3d11/com/ComPtr.h"

#include <gtest/gtest.h>

namespace qz::test {

using d3d11sw::ComPtr;

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, nullptr, 0,
                                          D3D11_SDK_VERSION, device.ReleaseAndGetAddressOf(), nullptr,
                                          context.ReleaseAndGetAddressOf()));
    }

    // The current public count of an object, read without changing it.
    template <class T>
    static ULONG Count(T* object)
    {
        object->AddRef();
        return object->Release();
    }

    static D3D11_TEXTURE2D_DESC Texture2DDesc(UINT width, UINT height, DXGI_FORMAT format, UINT bindFlags,
                                              UINT mipLevels = 1, UINT arraySize = 1)
    {
        D3D11_TEXTURE2D_DESC desc{};
        desc.Width = width;
        desc.Height = height;
        desc.MipLevels = mipLevels;
        desc.ArraySize = arraySize;
        desc.Format = format;
        desc.SampleDesc = {1, 0};
        desc.Usage = D3D11_USAGE_DEFAULT;
        desc.BindFlags = bindFlags;
        return desc;
    }

    static D3D11_TEXTURE2D_DESC StagingDesc(UINT width, UINT height, DXGI_FORMAT format,
                                            UINT cpuAccess = D3D11_CPU_ACCESS_READ)
    {
        D3D11_TEXTURE2D_DESC desc = Texture2DDesc(width, height, format, 0);
        desc.Usage = D3D11_USAGE_STAGING;
        desc.CPUAccessFlags = cpuAccess;
        return desc;
    }

    static D3D11_BUFFER_DESC BufferDesc(UINT byteWidth, UINT bindFlags, D3D11_USAGE usage = D3D11_USAGE_DEFAULT,
                                        UINT cpuAccess = 0, UINT misc = 0, UINT stride = 0)
    {
        return D3D11_BUFFER_DESC{byteWidth, usage, bindFlags, cpuAccess, misc, stride};
    }

    ComPtr<ID3D11Device> device;
    ComPtr<ID3D11DeviceContext> context;
};

}  // namespace qz::test
