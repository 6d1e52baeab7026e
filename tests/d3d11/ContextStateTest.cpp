// Pipeline state set and get; getters add references.

#include "tests/d3d11/DeviceFixture.h"

#include <array>

namespace {

using qz::test::ComPtr;
using qz::test::DeviceTest;

class ContextState : public DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        const D3D11_TEXTURE2D_DESC desc = Texture2DDesc(8, 8, DXGI_FORMAT_R8G8B8A8_UNORM, D3D11_BIND_RENDER_TARGET);
        for (auto& target : targets) {
            ComPtr<ID3D11Texture2D> texture;
            ASSERT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, texture.ReleaseAndGetAddressOf()));
            ASSERT_EQ(S_OK, device->CreateRenderTargetView(texture.Get(), nullptr, target.ReleaseAndGetAddressOf()));
        }
        const D3D11_TEXTURE2D_DESC depthDesc = Texture2DDesc(8, 8, DXGI_FORMAT_D24_UNORM_S8_UINT, D3D11_BIND_DEPTH_STENCIL);
        ComPtr<ID3D11Texture2D> depthTexture;
        ASSERT_EQ(S_OK, device->CreateTexture2D(&depthDesc, nullptr, depthTexture.ReleaseAndGetAddressOf()));
        ASSERT_EQ(S_OK, device->CreateDepthStencilView(depthTexture.Get(), nullptr, depth.ReleaseAndGetAddressOf()));
    }

    std::array<ComPtr<ID3D11RenderTargetView>, 3> targets;
    ComPtr<ID3D11DepthStencilView> depth;
};

TEST_F(ContextState, RenderTargetsFillAllEightSlots)
{
    ID3D11RenderTargetView* bind[2] = {targets[0].Get(), targets[1].Get()};
    context->OMSetRenderTargets(2, bind, depth.Get());
    EXPECT_EQ(1u, Count(targets[0].Get()));  // bindings hold no public references

    ID3D11RenderTargetView* slots[8];
    ID3D11DepthStencilView* depthSlot = nullptr;
    context->OMGetRenderTargets(8, slots, &depthSlot);
    EXPECT_EQ(targets[0].Get(), slots[0]);
    EXPECT_EQ(targets[1].Get(), slots[1]);
    for (int i = 2; i < 8; ++i) {
        EXPECT_EQ(nullptr, slots[i]);
    }
    EXPECT_EQ(depth.Get(), depthSlot);
    EXPECT_EQ(2u, Count(targets[0].Get()));
    EXPECT_EQ(2u, Count(depth.Get()));
    for (auto* slot : slots) {
        if (slot) {
            slot->Release();
        }
    }
    depthSlot->Release();

    // Binding fewer slots unbinds the rest; a null depth view unbinds depth.
    ID3D11RenderTargetView* one = targets[2].Get();
    context->OMSetRenderTargets(1, &one, nullptr);
    context->OMGetRenderTargets(8, slots, &depthSlot);
    EXPECT_EQ(targets[2].Get(), slots[0]);
    EXPECT_EQ(nullptr, slots[1]);
    EXPECT_EQ(nullptr, depthSlot);
    slots[0]->Release();
}

TEST_F(ContextState, ViewportsReportHowManyAreBound)
{
    UINT count = 1;
    D3D11_VIEWPORT viewport{};
    context->RSGetViewports(&count, &viewport);
    EXPECT_EQ(0u, count);

    const D3D11_VIEWPORT set[2] = {{0, 0, 64, 32, 0, 1}, {1, 2, 3, 4, 0.25f, 0.5f}};
    context->RSSetViewports(2, set);
    count = 0;
    context->RSGetViewports(&count, nullptr);
    EXPECT_EQ(2u, count);
    count = 1;
    context->RSGetViewports(&count, &viewport);
    EXPECT_EQ(1u, count);
    EXPECT_EQ(64.0f, viewport.Width);
    EXPECT_EQ(32.0f, viewport.Height);
}

TEST_F(ContextState, InputAssemblerAndStagesGiveBackWhatWasSet)
{
    const D3D11_BUFFER_DESC desc = BufferDesc(48, D3D11_BIND_VERTEX_BUFFER | D3D11_BIND_INDEX_BUFFER);
    ComPtr<ID3D11Buffer> buffer;
    ASSERT_EQ(S_OK, device->CreateBuffer(&desc, nullptr, buffer.ReleaseAndGetAddressOf()));
    ID3D11Buffer* raw = buffer.Get();
    const UINT stride = 12;
    const UINT offset = 4;
    context->IASetVertexBuffers(2, 1, &raw, &stride, &offset);
    context->IASetIndexBuffer(raw, DXGI_FORMAT_R32_UINT, 8);
    context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_LINELIST);

    ID3D11Buffer* got = nullptr;
    UINT gotStride = 0;
    UINT gotOffset = 0;
    context->IAGetVertexBuffers(2, 1, &got, &gotStride, &gotOffset);
    EXPECT_EQ(raw, got);
    EXPECT_EQ(12u, gotStride);
    EXPECT_EQ(4u, gotOffset);
    got->Release();
    DXGI_FORMAT format{};
    context->IAGetIndexBuffer(&got, &format, &gotOffset);
    EXPECT_EQ(raw, got);
    EXPECT_EQ(DXGI_FORMAT_R32_UINT, format);
    EXPECT_EQ(8u, gotOffset);
    got->Release();
    D3D11_PRIMITIVE_TOPOLOGY topology{};
    context->IAGetPrimitiveTopology(&topology);
    EXPECT_EQ(D3D11_PRIMITIVE_TOPOLOGY_LINELIST, topology);

    D3D11_SAMPLER_DESC samplerDesc{};
    samplerDesc.Filter = D3D11_FILTER_MIN_MAG_MIP_LINEAR;
    samplerDesc.AddressU = samplerDesc.AddressV = samplerDesc.AddressW = D3D11_TEXTURE_ADDRESS_CLAMP;
    samplerDesc.MaxLOD = D3D11_FLOAT32_MAX;
    ComPtr<ID3D11SamplerState> sampler;
    ASSERT_EQ(S_OK, device->CreateSamplerState(&samplerDesc, sampler.ReleaseAndGetAddressOf()));
    ID3D11SamplerState* rawSampler = sampler.Get();
    context->PSSetSamplers(15, 1, &rawSampler);
    ID3D11SamplerState* gotSampler = nullptr;
    context->PSGetSamplers(15, 1, &gotSampler);
    EXPECT_EQ(rawSampler, gotSampler);
    gotSampler->Release();
    context->VSGetSamplers(15, 1, &gotSampler);
    EXPECT_EQ(nullptr, gotSampler);

    context->ClearState();
    context->IAGetVertexBuffers(2, 1, &got, &gotStride, &gotOffset);
    EXPECT_EQ(nullptr, got);
    EXPECT_EQ(0u, gotStride);
    context->IAGetPrimitiveTopology(&topology);
    EXPECT_EQ(D3D11_PRIMITIVE_TOPOLOGY_UNDEFINED, topology);
    EXPECT_EQ(1u, Count(buffer.Get()));
}

TEST_F(ContextState, OutputMergerStates)
{
    D3D11_BLEND_DESC blendDesc{};
    blendDesc.RenderTarget[0] = {TRUE, D3D11_BLEND_SRC_ALPHA, D3D11_BLEND_INV_SRC_ALPHA, D3D11_BLEND_OP_ADD,
                                 D3D11_BLEND_ONE, D3D11_BLEND_ONE, D3D11_BLEND_OP_ADD, D3D11_COLOR_WRITE_ENABLE_ALL};
    ComPtr<ID3D11BlendState> blend;
    ASSERT_EQ(S_OK, device->CreateBlendState(&blendDesc, blend.ReleaseAndGetAddressOf()));
    const FLOAT factor[4] = {0.5f, 0.25f, 0.125f, 1.0f};
    context->OMSetBlendState(blend.Get(), factor, 0xF);
    ID3D11BlendState* got = nullptr;
    FLOAT gotFactor[4] = {};
    UINT mask = 0;
    context->OMGetBlendState(&got, gotFactor, &mask);
    EXPECT_EQ(blend.Get(), got);
    EXPECT_EQ(0.25f, gotFactor[1]);
    EXPECT_EQ(0xFu, mask);
    got->Release();

    // Alpha factors cannot name colours; stencil tests are not drawn by this device.
    blendDesc.RenderTarget[0].SrcBlendAlpha = D3D11_BLEND_SRC_COLOR;
    ID3D11BlendState* refused = nullptr;
    EXPECT_EQ(E_INVALIDARG, device->CreateBlendState(&blendDesc, &refused));
    D3D11_DEPTH_STENCIL_DESC depthDesc{TRUE, D3D11_DEPTH_WRITE_MASK_ALL, D3D11_COMPARISON_LESS, TRUE, 0xFF, 0xFF, {}, {}};
    ID3D11DepthStencilState* depthState = nullptr;
    EXPECT_EQ(E_NOTIMPL, device->CreateDepthStencilState(&depthDesc, &depthState));
    EXPECT_EQ(nullptr, depthState);
    depthDesc.StencilEnable = FALSE;
    depthDesc.DepthFunc = static_cast<D3D11_COMPARISON_FUNC>(9);
    EXPECT_EQ(E_INVALIDARG, device->CreateDepthStencilState(&depthDesc, &depthState));
}

// A subresource is never bound for reading and writing at once: binding a target unbinds
// the views of what it writes from every stage, and a view of what a bound target writes
// is bound as null. Views of other mip levels, and read-only depth, stay.
TEST_F(ContextState, ReadingAndWritingOneSubresourceIsNeverBound)
{
    const D3D11_TEXTURE2D_DESC colourDesc = Texture2DDesc(8, 8, DXGI_FORMAT_R8G8B8A8_UNORM,
                                                          D3D11_BIND_RENDER_TARGET | D3D11_BIND_SHADER_RESOURCE, 2);
    ComPtr<ID3D11Texture2D> colour;
    ASSERT_EQ(S_OK, device->CreateTexture2D(&colourDesc, nullptr, colour.ReleaseAndGetAddressOf()));
    const D3D11_TEXTURE2D_DESC depthDesc = Texture2DDesc(8, 8, DXGI_FORMAT_R32_TYPELESS,
                                                         D3D11_BIND_DEPTH_STENCIL | D3D11_BIND_SHADER_RESOURCE);
    ComPtr<ID3D11Texture2D> depthTexture;
    ASSERT_EQ(S_OK, device->CreateTexture2D(&depthDesc, nullptr, depthTexture.ReleaseAndGetAddressOf()));
    auto srv = [&](ID3D11Texture2D* texture, DXGI_FORMAT format, UINT mip) {
        D3D11_SHADER_RESOURCE_VIEW_DESC desc{};
        desc.Format = format;
        desc.ViewDimension = D3D11_SRV_DIMENSION_TEXTURE2D;
        desc.Texture2D = {mip, 1};
        ComPtr<ID3D11ShaderResourceView> view;
        EXPECT_EQ(S_OK, device->CreateShaderResourceView(texture, &desc, view.ReleaseAndGetAddressOf()));
        return view;
    };
    auto rtv = [&](UINT mip) {
        D3D11_RENDER_TARGET_VIEW_DESC desc{};
        desc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
        desc.ViewDimension = D3D11_RTV_DIMENSION_TEXTURE2D;
        desc.Texture2D.MipSlice = mip;
        ComPtr<ID3D11RenderTargetView> view;
        EXPECT_EQ(S_OK, device->CreateRenderTargetView(colour.Get(), &desc, view.ReleaseAndGetAddressOf()));
        return view;
    };
    auto dsv = [&](UINT flags) {
        D3D11_DEPTH_STENCIL_VIEW_DESC desc{};
        desc.Format = DXGI_FORMAT_D32_FLOAT;
        desc.ViewDimension = D3D11_DSV_DIMENSION_TEXTURE2D;
        desc.Flags = flags;
        ComPtr<ID3D11DepthStencilView> view;
        EXPECT_EQ(S_OK, device->CreateDepthStencilView(depthTexture.Get(), &desc, view.ReleaseAndGetAddressOf()));
        return view;
    };
    const ComPtr<ID3D11ShaderResourceView> mip0 = srv(colour.Get(), DXGI_FORMAT_R8G8B8A8_UNORM, 0);
    const ComPtr<ID3D11ShaderResourceView> depthRead = srv(depthTexture.Get(), DXGI_FORMAT_R32_FLOAT, 0);
    const ComPtr<ID3D11RenderTargetView> writeMip0 = rtv(0);
    const ComPtr<ID3D11RenderTargetView> writeMip1 = rtv(1);
    const ComPtr<ID3D11DepthStencilView> writeDepth = dsv(0);
    const ComPtr<ID3D11DepthStencilView> readOnlyDepth = dsv(D3D11_DSV_READ_ONLY_DEPTH);
    const struct {
        const char* what;
        ID3D11ShaderResourceView* view;
        ID3D11RenderTargetView* target;
        ID3D11DepthStencilView* depth;
        bool stays;
    } rows[] = {
        {"target of the viewed mip", mip0.Get(), writeMip0.Get(), nullptr, false},
        {"target of another mip", mip0.Get(), writeMip1.Get(), nullptr, true},
        {"writable depth", depthRead.Get(), nullptr, writeDepth.Get(), false},
        {"read-only depth", depthRead.Get(), nullptr, readOnlyDepth.Get(), true},
    };
    for (const auto& row : rows) {
        const ULONG references = Count(row.view);
        auto bound = [&] {
            ID3D11ShaderResourceView* got[2] = {};
            context->VSGetShaderResources(1, 1, &got[0]);
            context->PSGetShaderResources(3, 1, &got[1]);
            const int count = (got[0] == row.view) + (got[1] == row.view);
            for (ID3D11ShaderResourceView* view : got) {
                if (view) {
                    view->Release();
                }
            }
            return count;
        };
        ID3D11RenderTargetView* targets[1] = {row.target};
        // Targets bound after the views unbind them...
        context->OMSetRenderTargets(0, nullptr, nullptr);
        ID3D11ShaderResourceView* view = row.view;
        context->VSSetShaderResources(1, 1, &view);
        context->PSSetShaderResources(3, 1, &view);
        context->OMSetRenderTargets(row.target ? 1 : 0, targets, row.depth);
        EXPECT_EQ(row.stays ? 2 : 0, bound()) << row.what;
        // ...and views bound after the targets are bound as null.
        context->VSSetShaderResources(1, 1, &view);
        context->PSSetShaderResources(3, 1, &view);
        EXPECT_EQ(row.stays ? 2 : 0, bound()) << row.what;
        context->ClearState();
        EXPECT_EQ(references, Count(row.view)) << row.what;
    }
}

}  // namespace
