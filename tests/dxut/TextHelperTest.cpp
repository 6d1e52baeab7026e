// Text in the monospaced font drawn through the device: glyph cells where the insertion
// point is, in the foreground colour, over what was there; the settings dialog's text.

#include "platform/dxut/DialogResourceManager.h"
#include "platform/dxut/GlyphAtlas.h"
#include "platform/dxut/SettingsDlg.h"
#include "platform/dxut/TextHelper.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/WindowMessages.h"
#include "tests/d3d11/DeviceFixture.h"

#include <cmath>
#include <cstdio>
#include <fstream>

namespace {

using platform::dxut::GlyphAtlas;
using qz::test::ComPtr;

std::uint8_t EncodeSrgb(float linear)
{
    const float s = linear <= 0.0031308f ? linear * 12.92f : 1.055f * std::pow(linear, 1.0f / 2.4f) - 0.055f;
    return static_cast<std::uint8_t>(std::lround(std::clamp(s, 0.0f, 1.0f) * 255.0f));
}

class TextHelperTest : public qz::test::DeviceTest {
protected:
    static constexpr UINT Width = 160;
    static constexpr UINT Height = 80;

    void SetUp() override
    {
        DeviceTest::SetUp();
        D3D11_TEXTURE2D_DESC desc = Texture2DDesc(Width, Height, DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, D3D11_BIND_RENDER_TARGET);
        ASSERT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, target.ReleaseAndGetAddressOf()));
        ASSERT_EQ(S_OK, device->CreateRenderTargetView(target.Get(), nullptr, view.ReleaseAndGetAddressOf()));
        ID3D11RenderTargetView* views[] = {view.Get()};
        context->OMSetRenderTargets(1, views, nullptr);
        const D3D11_VIEWPORT viewport{0, 0, Width, Height, 0, 1};
        context->RSSetViewports(1, &viewport);
        const FLOAT black[4] = {0, 0, 0, 1};
        context->ClearRenderTargetView(view.Get(), black);
        ASSERT_EQ(S_OK, manager.OnD3D11CreateDevice(device.Get(), context.Get()));
        manager.m_nBackBufferWidth = Width;
        manager.m_nBackBufferHeight = Height;
        ASSERT_EQ(S_OK, atlas.Load(platform::dxut::DefaultFontPath));
    }

    void TearDown() override { manager.OnD3D11DestroyDevice(); }

    // RGBA bytes of the target, rows from the top.
    std::vector<std::uint32_t> Pixels()
    {
        ComPtr<ID3D11Texture2D> staging;
        const D3D11_TEXTURE2D_DESC desc = StagingDesc(Width, Height, DXGI_FORMAT_R8G8B8A8_UNORM_SRGB);
        EXPECT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, staging.ReleaseAndGetAddressOf()));
        context->CopyResource(staging.Get(), target.Get());
        D3D11_MAPPED_SUBRESOURCE mapped{};
        EXPECT_EQ(S_OK, context->Map(staging.Get(), 0, D3D11_MAP_READ, 0, &mapped));
        std::vector<std::uint32_t> pixels(Width * Height);
        for (UINT y = 0; y < Height; ++y) {
            std::memcpy(&pixels[y * Width], static_cast<const std::byte*>(mapped.pData) + y * mapped.RowPitch, Width * 4);
        }
        context->Unmap(staging.Get(), 0);
        return pixels;
    }

    // Checks the cell at (x, y) against the glyph of c in colour (r, g, b) over black.
    void ExpectGlyph(const std::vector<std::uint32_t>& pixels, int x, int y, char32_t c, float r, float g, float b)
    {
        const unsigned cell = GlyphAtlas::CellOf(c);
        int mismatches = 0;
        for (int dy = 0; dy < GlyphAtlas::CellHeight; ++dy) {
            for (int dx = 0; dx < GlyphAtlas::CellWidth; ++dx) {
                const float coverage =
                    atlas.Coverage()[(GlyphAtlas::CellY(cell) + dy) * GlyphAtlas::Width + GlyphAtlas::CellX(cell) + dx] / 255.0f;
                const std::uint32_t pixel = pixels[(y + dy) * Width + x + dx];
                const int expected[3] = {EncodeSrgb(r * coverage), EncodeSrgb(g * coverage), EncodeSrgb(b * coverage)};
                for (int channel = 0; channel < 3; ++channel) {
                    const int actual = static_cast<int>((pixel >> (8 * channel)) & 0xFF);
                    mismatches += std::abs(actual - expected[channel]) > 1;
                }
            }
        }
        EXPECT_EQ(0, mismatches) << "glyph " << static_cast<unsigned>(c) << " at " << x << ", " << y;
    }

    ComPtr<ID3D11Texture2D> target;
    ComPtr<ID3D11RenderTargetView> view;
    CDXUTDialogResourceManager manager;
    GlyphAtlas atlas;
};

TEST_F(TextHelperTest, GlyphsLandInTheirCellsInTheForegroundColour)
{
    CDXUTTextHelper text(device.Get(), context.Get(), &manager, 20);
    EXPECT_EQ(0, text.InsertionX());
    EXPECT_EQ(1.0f, text.ForegroundColor().w);
    text.Begin();
    text.SetInsertionPos(8, 4);
    text.SetForegroundColor(DirectX::XMFLOAT4(1.0f, 1.0f, 0.0f, 1.0f));
    EXPECT_EQ(S_OK, text.DrawTextLine(L"Hg?"));
    EXPECT_EQ(24, text.InsertionY()) << "one line height down";
    text.SetForegroundColor(DirectX::XMFLOAT4(1.0f, 1.0f, 1.0f, 1.0f));
    EXPECT_EQ(S_OK, text.DrawTextLine(L"\u00e9\u4e00x"));
    text.End();

    const std::vector<std::uint32_t> pixels = Pixels();
    ExpectGlyph(pixels, 8, 4, U'H', 1, 1, 0);
    ExpectGlyph(pixels, 16, 4, U'g', 1, 1, 0);
    ExpectGlyph(pixels, 24, 4, U'?', 1, 1, 0);
    ExpectGlyph(pixels, 8, 24, U'\u00e9', 1, 1, 1);
    ExpectGlyph(pixels, 16, 24, U'?', 1, 1, 1);  // no glyph in the font's cells
    ExpectGlyph(pixels, 24, 24, U'x', 1, 1, 1);
    // Nothing outside the cells.
    for (UINT y = 0; y < Height; ++y) {
        for (UINT x = 0; x < Width; ++x) {
            const bool inCells = x >= 8 && x < 32 && y >= 4 && y < 40;
            if (!inCells) {
                ASSERT_EQ(0xFF000000u, pixels[y * Width + x]) << x << ", " << y;
            }
        }
    }
}

TEST_F(TextHelperTest, TextBlendsOverWhatIsThere)
{
    const FLOAT grey[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    context->ClearRenderTargetView(view.Get(), grey);
    CDXUTTextHelper text(device.Get(), context.Get(), &manager, 16);
    text.Begin();
    text.SetForegroundColor(DirectX::XMFLOAT4(1.0f, 0.0f, 0.0f, 0.5f));
    text.DrawTextLine(L"\u2588");  // a code point past the cells: "?"
    text.End();
    const std::vector<std::uint32_t> pixels = Pixels();
    const unsigned cell = GlyphAtlas::CellOf(U'?');
    for (int dy = 0; dy < GlyphAtlas::CellHeight; ++dy) {
        for (int dx = 0; dx < GlyphAtlas::CellWidth; ++dx) {
            const float alpha = 0.5f * atlas.Coverage()[(GlyphAtlas::CellY(cell) + dy) * GlyphAtlas::Width + GlyphAtlas::CellX(cell) + dx] / 255.0f;
            const std::uint32_t pixel = pixels[dy * Width + dx];
            EXPECT_NEAR(EncodeSrgb(1.0f * alpha + 0.5f * (1 - alpha)), pixel & 0xFF, 1);
            EXPECT_NEAR(EncodeSrgb(0.5f * (1 - alpha)), (pixel >> 8) & 0xFF, 1);
        }
    }
}

TEST_F(TextHelperTest, DrawingLeavesThePipelineAsItWas)
{
    D3D11_BLEND_DESC blendDesc{};
    blendDesc.RenderTarget[0].RenderTargetWriteMask = D3D11_COLOR_WRITE_ENABLE_ALL;
    ComPtr<ID3D11BlendState> blend;
    ASSERT_EQ(S_OK, device->CreateBlendState(&blendDesc, blend.ReleaseAndGetAddressOf()));
    const FLOAT factor[4] = {0.25f, 0.5f, 0.75f, 1.0f};
    context->OMSetBlendState(blend.Get(), factor, 0xF0F0F0F0u);
    context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_LINELIST);
    const ULONG blendCount = Count(blend.Get());

    CDXUTTextHelper text(device.Get(), context.Get(), &manager, 16);
    text.Begin();
    text.DrawTextLine(L"state");
    text.End();

    ComPtr<ID3D11BlendState> bound;
    FLOAT boundFactor[4] = {};
    UINT mask = 0;
    context->OMGetBlendState(bound.ReleaseAndGetAddressOf(), boundFactor, &mask);
    EXPECT_EQ(blend.Get(), bound.Get());
    EXPECT_EQ(0.75f, boundFactor[2]);
    EXPECT_EQ(0xF0F0F0F0u, mask);
    bound.Reset();
    EXPECT_EQ(blendCount, Count(blend.Get())) << "no reference gained or lost";
    D3D11_PRIMITIVE_TOPOLOGY topology{};
    context->IAGetPrimitiveTopology(&topology);
    EXPECT_EQ(D3D11_PRIMITIVE_TOPOLOGY_LINELIST, topology);
    ComPtr<ID3D11PixelShader> shader;
    context->PSGetShader(shader.ReleaseAndGetAddressOf(), nullptr, nullptr);
    EXPECT_EQ(nullptr, shader.Get());
}

TEST_F(TextHelperTest, LinesOutsideBeginAndEndOrWithoutADeviceDrawNothing)
{
    CDXUTTextHelper text(device.Get(), context.Get(), &manager, 16);
    EXPECT_EQ(E_FAIL, text.DrawTextLine(L"early"));
    text.End();
    CDXUTDialogResourceManager empty;
    CDXUTTextHelper orphan(device.Get(), context.Get(), &empty, 16);
    orphan.Begin();
    EXPECT_EQ(S_OK, orphan.DrawTextLine(L"no device"));
    orphan.End();
    for (std::uint32_t pixel : Pixels()) ASSERT_EQ(0xFF000000u, pixel);
}

TEST(GlyphAtlas, CellsOfTheFont)
{
    GlyphAtlas atlas;
    ASSERT_EQ(S_OK, atlas.Load(platform::dxut::DefaultFontPath));
    auto inked = [&](char32_t c) {
        const unsigned cell = GlyphAtlas::CellOf(c);
        int sum = 0;
        for (int y = 0; y < GlyphAtlas::CellHeight; ++y)
            for (int x = 0; x < GlyphAtlas::CellWidth; ++x)
                sum += atlas.Coverage()[(GlyphAtlas::CellY(cell) + y) * GlyphAtlas::Width + GlyphAtlas::CellX(cell) + x];
        return sum;
    };
    for (char32_t c : {U'A', U'M', U'g', U'|', U'_', U'@', U'\u00e9', U'\u00df'}) EXPECT_GT(inked(c), 0) << static_cast<unsigned>(c);
    for (char32_t c : {U' ', U'\t', U'\u0085', U'\u00a0'}) EXPECT_EQ(0, inked(c)) << static_cast<unsigned>(c);
    EXPECT_EQ(unsigned{'?'}, GlyphAtlas::CellOf(U'\u20ac'));
    // The descender of "g" and the top of "|" stay inside the 16 rows.
    EXPECT_GT(atlas.Coverage()[(GlyphAtlas::CellY('g') + 15) * GlyphAtlas::Width + GlyphAtlas::CellX('g') + 3] +
                  atlas.Coverage()[(GlyphAtlas::CellY('g') + 14) * GlyphAtlas::Width + GlyphAtlas::CellX('g') + 3],
              0);
}

TEST(GlyphAtlas, MissingOrDamagedFontFiles)
{
    GlyphAtlas atlas;
    EXPECT_EQ(HRESULT_FILE_NOT_FOUND, atlas.Load("./no-such-font.ttf"));
    std::ofstream("not-a-font.ttf") << "this is no font at all";
    EXPECT_EQ(E_FAIL, atlas.Load("./not-a-font.ttf"));
    std::ofstream("empty.ttf");
    EXPECT_EQ(E_FAIL, atlas.Load("./empty.ttf"));
}

TEST_F(TextHelperTest, SettingsDialogStateAndText)
{
    CD3DSettingsDlg dialog;
    dialog.Init(&manager);
    EXPECT_EQ(&manager, dialog.Manager());
    EXPECT_FALSE(dialog.IsActive());
    const DXGI_SURFACE_DESC backBuffer{Width, Height, DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, {1, 0}};
    EXPECT_EQ(S_OK, dialog.OnD3D11ResizedSwapChain(device.Get(), &backBuffer));
    EXPECT_EQ(static_cast<int>(Width), dialog.Width());

    EXPECT_EQ(S_OK, dialog.OnRender(0.016f));
    for (std::uint32_t pixel : Pixels()) ASSERT_EQ(0xFF000000u, pixel) << "inactive: nothing drawn";

    dialog.SetActive(true);
    EXPECT_EQ(S_OK, dialog.OnRender(0.016f));
    const std::vector<std::uint32_t> pixels = Pixels();
    EXPECT_TRUE(std::any_of(pixels.begin(), pixels.end(), [](std::uint32_t p) { return p != 0xFF000000u; }));

    EXPECT_EQ(0, dialog.MsgProc(nullptr, WM_KEYDOWN, 'A', 0));
    EXPECT_TRUE(dialog.IsActive());
    dialog.MsgProc(nullptr, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_FALSE(dialog.IsActive());
}

}  // namespace
