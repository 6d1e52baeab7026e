// Bars drawn over a frame: their pixels at known places, the definitions that change
// them, and what the drawing leaves behind in the device.

#include "platform/dxut/GlyphAtlas.h"
#include "platform/tweakbar/BarCells.h"
#include "tests/tweakbar/TweakBarFixture.h"

#include <algorithm>
#include <cmath>

namespace {

using platform::dxut::GlyphAtlas;
using namespace platform::tweakbar;
using qz::test::ComPtr;

struct Pixel {
    int r, g, b;
};

// The frame under the bars.
constexpr float Under[3] = {0.2f, 0.4f, 0.6f};

// A palette colour with an alpha over the frame, with ink of coverage (0-255) over it.
Pixel Over(Colour background, float alpha, Colour ink = LabelInk, int coverage = 0)
{
    const Rgba& b = Palette()[background];
    const Rgba& f = Palette()[ink];
    const float c = coverage / 255.0f;
    const float a = alpha * (1.0f - c) + c;
    const auto channel = [&](float bc, float fc, float under) {
        return static_cast<int>(std::lround((bc * alpha * (1.0f - c) + fc * c + under * (1.0f - a)) * 255.0f));
    };
    return {channel(b.r, f.r, Under[0]), channel(b.g, f.g, Under[1]), channel(b.b, f.b, Under[2])};
}

class Drawing : public qz::test::TweakBarTest {
protected:
    void SetUp() override
    {
        TweakBarTest::SetUp();
        D3D11_TEXTURE2D_DESC desc {Width, Height, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM, {1, 0}, D3D11_USAGE_DEFAULT,
                                   D3D11_BIND_RENDER_TARGET, 0, 0};
        ASSERT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, target.ReleaseAndGetAddressOf()));
        ASSERT_EQ(S_OK, device->CreateRenderTargetView(target.Get(), nullptr, view.ReleaseAndGetAddressOf()));
        ID3D11RenderTargetView* views[1] = {view.Get()};
        context->OMSetRenderTargets(1, views, nullptr);
        const FLOAT under[4] = {Under[0], Under[1], Under[2], 1.0f};
        context->ClearRenderTargetView(view.Get(), under);
        ASSERT_EQ(S_OK, atlas.Load(platform::dxut::DefaultFontPath));

        bar = NewBar("drawn", 20, 30, 200, 100);
        TwDefine("drawn label='Volume'");
        TwAddVarRW(bar, "radius", TW_TYPE_FLOAT, &radius, " label='Radius' step=0.01");
        TwAddButton(bar, "reset", nullptr, nullptr, "label='Reset'");
    }

    void Draw()
    {
        ASSERT_EQ(1, TwDraw());
        pixels = Read();
    }

    std::vector<std::uint32_t> Read()
    {
        D3D11_TEXTURE2D_DESC desc {Width, Height, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM, {1, 0}, D3D11_USAGE_STAGING,
                                   0, D3D11_CPU_ACCESS_READ, 0};
        ComPtr<ID3D11Texture2D> staging;
        EXPECT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, staging.ReleaseAndGetAddressOf()));
        context->CopyResource(staging.Get(), target.Get());
        D3D11_MAPPED_SUBRESOURCE mapped {};
        EXPECT_EQ(S_OK, context->Map(staging.Get(), 0, D3D11_MAP_READ, 0, &mapped));
        std::vector<std::uint32_t> read(std::size_t {Width} * Height);
        for (int y = 0; y < Height; ++y) {
            std::memcpy(read.data() + std::size_t(y) * Width, static_cast<const std::uint8_t*>(mapped.pData) + y * mapped.RowPitch, Width * 4);
        }
        context->Unmap(staging.Get(), 0);
        return read;
    }

    Pixel At(int x, int y) const
    {
        const std::uint32_t p = pixels[static_cast<std::size_t>(y) * Width + x];
        return {int(p & 0xFF), int((p >> 8) & 0xFF), int((p >> 16) & 0xFF)};
    }

    static bool Near(const Pixel& a, const Pixel& b)
    {
        return std::abs(a.r - b.r) <= 1 && std::abs(a.g - b.g) <= 1 && std::abs(a.b - b.b) <= 1;
    }

    void ExpectPixel(const Pixel& expected, int x, int y, const char* what) const
    {
        const Pixel p = At(x, y);
        EXPECT_TRUE(Near(expected, p)) << what << " at " << x << "," << y << ": " << p.r << " " << p.g << " " << p.b
                                       << " instead of " << expected.r << " " << expected.g << " " << expected.b;
    }

    // Text drawn with its cells' top-left pixel at (x, y): every pixel of every glyph.
    void ExpectText(const std::string& text, int x, int y, Colour background, Colour ink, float alpha = 1.0f) const
    {
        int wrong = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const unsigned cell = GlyphAtlas::CellOf(static_cast<unsigned char>(text[i]));
            for (int gy = 0; gy < CellHeight; ++gy) {
                for (int gx = 0; gx < CellWidth; ++gx) {
                    const int coverage = atlas.Coverage()[std::size_t(GlyphAtlas::CellY(cell) + gy) * GlyphAtlas::Width + GlyphAtlas::CellX(cell) + gx];
                    const int px = x + int(i) * CellWidth + gx;
                    wrong += Near(Over(background, alpha, ink, coverage), At(px, y + gy)) ? 0 : 1;
                }
            }
        }
        EXPECT_EQ(0, wrong) << "pixels of \"" << text << "\" at " << x << "," << y;
    }

    bool Unchanged(int x0, int y0, int x1, int y1) const
    {
        const Pixel under = {51, 102, 153};
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                if (!Near(under, At(x, y))) return false;
            }
        }
        return true;
    }

    GlyphAtlas atlas;
    ComPtr<ID3D11Texture2D> target;
    ComPtr<ID3D11RenderTargetView> view;
    std::vector<std::uint32_t> pixels;
    TwBar* bar = nullptr;
    float radius = 0.5f;
};

// The bar at (20, 30), 200 x 100: 24 columns of text from x 24, values from column 15.
TEST_F(Drawing, TitleRowsAndValuesAtTheirPlaces)
{
    Draw();
    ExpectPixel(Over(TitleBackground, 1.0f), 20, 30, "title's corner");
    ExpectPixel(Over(TitleBackground, 1.0f), 219, 47, "title's other corner");
    // "Volume" centred in 24 columns: from column 9.
    ExpectText("Volume", 24 + 9 * 8, 31, TitleBackground, TitleInk);
    ExpectText("Radius", 24, 49, BarBackground, LabelInk);
    ExpectText("0.50", 24 + 15 * 8, 49, BarBackground, ValueInk);
    // The button: inset by a pixel above and below, its label a column in.
    ExpectPixel(Over(BarBackground, 1.0f), 22, 66, "above the button");
    ExpectPixel(Over(ButtonBackground, 1.0f), 22, 67, "the button's edge");
    ExpectText("Reset", 32, 67, ButtonBackground, ButtonInk);
    ExpectPixel(Over(BarBackground, 1.0f), 22, 83, "below the button");
    ExpectPixel(Over(BarBackground, 1.0f), 219, 129, "the bar's last pixel");
    EXPECT_TRUE(Unchanged(0, 0, Width, 30));
    EXPECT_TRUE(Unchanged(0, 130, Width, Height));
    EXPECT_TRUE(Unchanged(0, 0, 20, Height));
    EXPECT_TRUE(Unchanged(220, 0, Width, Height));

    radius = 2.25f;
    Draw();
    ExpectText("2.25", 24 + 15 * 8, 49, BarBackground, ValueInk);
}

TEST_F(Drawing, DefinitionsChangeWhatIsDrawn)
{
    TwDefine("drawn alpha=100 label='Camera' position='40 60' size='200 100'");
    Draw();
    const float alpha = 100.0f / 255.0f;
    ExpectPixel(Over(TitleBackground, alpha), 40, 60, "a lighter title");
    ExpectPixel(Over(BarBackground, alpha), 239, 159, "a lighter bar");
    ExpectText("Camera", 40 + 4 + 9 * 8, 61, TitleBackground, TitleInk, alpha);
    ExpectText("0.50", 44 + 15 * 8, 79, BarBackground, ValueInk, alpha);
    EXPECT_TRUE(Unchanged(0, 0, 40, Height));

    const FLOAT under[4] = {Under[0], Under[1], Under[2], 1.0f};
    context->ClearRenderTargetView(view.Get(), under);
    TwDefine("drawn visible=false");
    Draw();
    EXPECT_TRUE(Unchanged(0, 0, Width, Height)) << "a hidden bar is not drawn";

    TwDefine("drawn visible=true alpha=0");
    Draw();
    ExpectPixel(Over(BarBackground, 0.0f), 239, 159, "no background at all");
    ExpectText("0.50", 44 + 15 * 8, 79, BarBackground, ValueInk, 0.0f);
}

TEST_F(Drawing, LongBarsAreCutAndScrolled)
{
    TwDefine("drawn visible=false");
    float values[8] = {0, 1, 2, 3, 4, 5, 6, 7};
    TwBar* longBar = NewBar("long", 100, 10, 120, 60);
    for (int i = 0; i < 8; ++i) {
        TwAddVarRW(longBar, ("v" + std::to_string(i)).c_str(), TW_TYPE_FLOAT, &values[i], "step=1");
    }
    longBar->view.firstLine = 3;
    Draw();
    // 120 wide with a scroll bar: 13 columns, values from column 8. Rows 1 and 2 whole, row
    // 3 cut after 6 pixels.
    ExpectText("v3", 104, 29, BarBackground, LabelInk);
    ExpectText("3.0", 104 + 8 * 8, 29, BarBackground, ValueInk);
    ExpectText("v4", 104, 47, BarBackground, LabelInk);
    EXPECT_TRUE(Unchanged(100, 70, 220, 90)) << "nothing below the bar";
    const ShownBar shown = Show(*longBar);
    ExpectPixel(Over(ScrollThumb, 1.0f), 219, shown.frame.thumbTop, "thumb");
    ExpectPixel(Over(ScrollThumb, 1.0f), 214, shown.frame.thumbBottom - 1, "thumb");
    ExpectPixel(Over(ScrollTrack, 1.0f), 214, shown.frame.thumbTop - 1, "track");
    ExpectPixel(Over(TitleBackground, 1.0f), 219, 27, "the title has no scroll bar");
    ExpectPixel(Over(BarBackground, 1.0f), 213, 28, "left of the scroll bar");
}

TEST_F(Drawing, HugeBarsAreDrawnFromTheirTopLeft)
{
    TwDefine("drawn position='-1000000 -5' size='2147483647 2147483647'");
    Draw();
    ExpectPixel(Over(BarBackground, 1.0f), 100, 200, "inside the bar");
    EXPECT_EQ(1, Down(100, 200));
    EXPECT_EQ(1, Up(100, 200));
    TwDefine("drawn position='2147483647 2147483647'");
    EXPECT_EQ(0, Down(100, 200));
    EXPECT_EQ(0, Up(100, 200));
}

TEST_F(Drawing, TheSelectedRowShowsWhatIsTyped)
{
    Click(30, 57);
    Type("1.5");
    Draw();
    ExpectText("1.5_", 24 + 15 * 8, 49, EditBackground, EditInk);
    ExpectPixel(Over(EditBackground, 1.0f), 24 + 15 * 8 + 4 * 8, 49, "the rest of the field");
}

TEST_F(Drawing, ThePipelineIsLeftAsItWas)
{
    D3D11_BLEND_DESC blendDesc {};
    blendDesc.RenderTarget[0].RenderTargetWriteMask = D3D11_COLOR_WRITE_ENABLE_ALL;
    ComPtr<ID3D11BlendState> blend;
    ASSERT_EQ(S_OK, device->CreateBlendState(&blendDesc, blend.ReleaseAndGetAddressOf()));
    D3D11_BUFFER_DESC bufferDesc {16, D3D11_USAGE_DEFAULT, D3D11_BIND_CONSTANT_BUFFER, 0, 0, 0};
    ComPtr<ID3D11Buffer> constants;
    ASSERT_EQ(S_OK, device->CreateBuffer(&bufferDesc, nullptr, constants.ReleaseAndGetAddressOf()));
    const FLOAT factor[4] = {0.5f, 0.5f, 0.5f, 0.5f};
    context->OMSetBlendState(blend.Get(), factor, 0xF0F0F0F0u);
    ID3D11Buffer* buffers[1] = {constants.Get()};
    context->PSSetConstantBuffers(1, 1, buffers);
    const D3D11_VIEWPORT viewports[2] = {{1, 2, 3, 4, 0, 1}, {5, 6, 7, 8, 0.5f, 1}};
    context->RSSetViewports(2, viewports);
    context->IASetPrimitiveTopology(D3D11_PRIMITIVE_TOPOLOGY_LINELIST);
    const ULONG blendCount = Count(blend.Get());

    ASSERT_EQ(1, TwDraw());
    ComPtr<ID3D11BlendState> boundBlend;
    FLOAT boundFactor[4] = {};
    UINT mask = 0;
    context->OMGetBlendState(boundBlend.ReleaseAndGetAddressOf(), boundFactor, &mask);
    EXPECT_EQ(blend.Get(), boundBlend.Get());
    EXPECT_EQ(0.5f, boundFactor[2]);
    EXPECT_EQ(0xF0F0F0F0u, mask);
    boundBlend.Reset();
    ID3D11Buffer* bound[2] = {};
    context->PSGetConstantBuffers(0, 2, bound);
    EXPECT_EQ(nullptr, bound[0]);
    EXPECT_EQ(constants.Get(), bound[1]);
    bound[1]->Release();
    UINT count = 4;
    D3D11_VIEWPORT boundViewports[4] = {};
    context->RSGetViewports(&count, boundViewports);
    EXPECT_EQ(2u, count);
    EXPECT_EQ(7.0f, boundViewports[1].Width);
    ComPtr<ID3D11VertexShader> shader;
    context->VSGetShader(shader.ReleaseAndGetAddressOf(), nullptr, nullptr);
    EXPECT_EQ(nullptr, shader.Get());
    D3D11_PRIMITIVE_TOPOLOGY topology {};
    context->IAGetPrimitiveTopology(&topology);
    EXPECT_EQ(D3D11_PRIMITIVE_TOPOLOGY_LINELIST, topology);
    EXPECT_EQ(blendCount, Count(blend.Get())) << "no reference kept";
}

TEST_F(Drawing, TerminateDeletesBarsAndLetsTheDeviceGo)
{
    TwTerminate();
    EXPECT_EQ(nullptr, FindBar("drawn"));
    EXPECT_EQ(0, TwDraw());
    EXPECT_EQ(0, TwWindowSize(10, 10));
    const ULONG deviceCount = Count(device.Get());
    const ULONG contextCount = Count(context.Get());

    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(1, TwInit(TW_DIRECT3D11, device.Get()));
        EXPECT_EQ(0, TwInit(TW_DIRECT3D11, device.Get())) << "started already";
        TwWindowSize(Width, Height);
        TwBar* again = NewBar("again", 0, 0, 100, 50);
        TwAddVarRW(again, "radius", TW_TYPE_FLOAT, &radius, "");
        EXPECT_EQ(1, TwDraw());
        EXPECT_EQ(1, TwTerminate());
        EXPECT_EQ(nullptr, FindBar("again"));
        EXPECT_EQ(deviceCount, Count(device.Get())) << "round " << round;
        EXPECT_EQ(contextCount, Count(context.Get())) << "round " << round;
    }
    EXPECT_EQ(0, TwTerminate());
    EXPECT_EQ(0, TwInit(TW_DIRECT3D11, nullptr));
    EXPECT_EQ(0, TwInit(static_cast<TwGraphAPI>(7), device.Get()));

    const TwCopyStdStringToClient copy = [](std::string& to, const std::string& from) { to = from; };
    TwCopyStdStringToClientFunc(copy);
    EXPECT_EQ(copy, CopyStdStringToClient());
}

TEST_F(Drawing, EachWindowKeepsItsSize)
{
    TwSetCurrentWindow(1);
    TwWindowSize(100, 100);
    TwSetCurrentWindow(0);
    Draw();
    ExpectPixel(Over(BarBackground, 1.0f), 219, 129, "in window 0, 320 x 240");
    EXPECT_EQ(1, TwWindowSize(0, 0));
    const FLOAT under[4] = {Under[0], Under[1], Under[2], 1.0f};
    context->ClearRenderTargetView(view.Get(), under);
    Draw();
    EXPECT_TRUE(Unchanged(0, 0, Width, Height)) << "no window to draw into";
}

}  // namespace
