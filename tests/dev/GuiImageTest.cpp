// Images of the 2D GUI: creation from a file, the errors of a missing file or a refusing
// device, the references to their views, their size when they fit themselves to their
// content, and the rotation angle; and the overlay as the engine's device draws it:
// images over their panel's background, turned or not, and coloured text.

#include "tarnwick/dev/GUI.h"
#include "tarnwick/core/ErrorReport.h"
#include "tarnwick/core/Exception.h"
#include "tarnwick/dev/RenderBox.h"
#include "tests/dx11/ImageFiles.h"
#include "tests/support/EngineDeviceFixture.h"
#include "tests/support/ErrorReports.h"
#include "tests/support/RefusingMapDevice.h"

#include "platform/d3d11/com/ComPtr.h"

#include <gtest/gtest.h>

#include <array>
#include <numbers>

namespace {

using qz::dev::GuiContainer2D;
using qz::dev::Int2;
using qz::dev::SimpleImage2D;
using qz::dev::TextBox2D;

class GuiImageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, D3D11CreateDevice(nullptr, D3D_DRIVER_TYPE_HARDWARE, nullptr, 0, nullptr, 0, D3D11_SDK_VERSION,
                                          device.ReleaseAndGetAddressOf(), nullptr, nullptr));
        panel.SetSize(400, 300);
    }

    d3d11sw::ComPtr<ID3D11Device> device;
    GuiContainer2D panel{nullptr, "panel"};
};

TEST_F(GuiImageTest, AnImageFitsToItsOwnPixels)
{
    struct Case {
        int width;
        int height;
    };
    // Larger than the panel, a size whose fraction of the panel rounds down, one pixel.
    for (const Case c : {Case{800, 20}, Case{100, 7}, Case{1, 1}}) {
        SimpleImage2D image(&panel, "image");
        const std::string file = qz::test::WritePng("image.png", c.width, c.height, 4);
        image.SetImageFile(file);  // no device current: the name only
        EXPECT_EQ(nullptr, image.View());
        image.Create(device.Get());
        ASSERT_NE(nullptr, image.View());
        image.FitToContent();
        EXPECT_EQ((Int2{c.width, c.height}), image.GetPixelSize()) << c.width << " x " << c.height;
    }
}

TEST_F(GuiImageTest, MissingFileIsAnErrorAndEmptyNameLeavesNoImage)
{
    SimpleImage2D image(&panel, "image");
    image.SetImageFile("absent.png");
    try {
        image.Create(device.Get());
        FAIL() << "no error for a missing image";
    } catch (const qz::core::Exception& error) {
        EXPECT_NE(std::string::npos, std::string(error.what()).find("Could not open image absent.png"));
    }
    EXPECT_EQ(nullptr, image.View());
    image.SetImageFile("");
    image.Create(device.Get());
    EXPECT_EQ(nullptr, image.View());
}

TEST_F(GuiImageTest, AnImageKeepsOneReferenceToItsLatestView)
{
    ID3D11ShaderResourceView* view = nullptr;
    {
        SimpleImage2D image(&panel, "image");
        image.SetImageFile(qz::test::WritePng("image.png", 4, 4, 4));
        image.Create(device.Get());
        ID3D11ShaderResourceView* first = image.View();
        ASSERT_NE(nullptr, first);
        first->AddRef();
        image.Create(device.Get());
        EXPECT_EQ(0u, first->Release()) << "making it again lets the old view go";
        view = image.View();
        ASSERT_NE(nullptr, view);
        view->AddRef();
    }
    EXPECT_EQ(0u, view->Release()) << "the view goes with the image";
}

// A real device that refuses 2D textures, or only their shader-resource views.
class RefusingImageDevice : public qz::test::ForwardingDevice {
public:
    RefusingImageDevice(ID3D11Device* real, bool textures) : ForwardingDevice(real), textures_(textures) {}

    HRESULT CreateTexture2D(const D3D11_TEXTURE2D_DESC* desc, const D3D11_SUBRESOURCE_DATA* data,
                            ID3D11Texture2D** texture) override
    {
        if (textures_) {
            *texture = nullptr;
            return E_OUTOFMEMORY;
        }
        return ForwardingDevice::CreateTexture2D(desc, data, texture);
    }
    HRESULT CreateShaderResourceView(ID3D11Resource*, const D3D11_SHADER_RESOURCE_VIEW_DESC*,
                                     ID3D11ShaderResourceView** view) override
    {
        *view = nullptr;
        return E_OUTOFMEMORY;
    }

private:
    bool textures_;
};

TEST_F(GuiImageTest, ATextureOrViewTheDeviceRefusesIsAnError)
{
    SimpleImage2D image(&panel, "image");
    image.SetImageFile(qz::test::WritePng("image.png", 4, 4, 4));
    for (const bool textures : {true, false}) {
        RefusingImageDevice refusing(device.Get(), textures);
        const std::string report = qz::test::ReportOf([&] { image.Create(&refusing); });
        const std::string message = textures ? "Could not create texture" : "Could not create shader resource view";
        EXPECT_EQ(0u, report.rfind("qz::dev::SimpleImage2D::Create|dev\\GUI|" + message, 0)) << report;
        EXPECT_NE(std::string::npos, report.find(qz::core::ComErrorText(E_OUTOFMEMORY))) << report;
        EXPECT_EQ(nullptr, image.View());
    }
}

TEST_F(GuiImageTest, RotationIsKeptWithinOneTurn)
{
    constexpr float pi = std::numbers::pi_v<float>;
    SimpleImage2D image(&panel, "image");
    const struct {
        float given;
        float kept;
    } cases[] = {{0.5f, 0.5f}, {2 * pi + 0.5f, 0.5f}, {-0.5f, 2 * pi - 0.5f}, {-4 * pi, 0.0f}, {2 * pi, 0.0f}};
    for (const auto& c : cases) {
        image.SetRotationAngle(c.given);
        EXPECT_NEAR(c.kept, image.RotationAngle(), 1e-5f) << c.given;
        EXPECT_GE(image.RotationAngle(), 0.0f);
        EXPECT_LT(image.RotationAngle(), 2 * pi);
    }
}

TEST_F(GuiImageTest, ImagesStartWhiteAndFitted)
{
    SimpleImage2D image(&panel, "image");
    EXPECT_TRUE(image.fitToContent);
    EXPECT_EQ((qz::dev::Float4{1, 1, 1, 1}), image.backgroundColor);
    qz::dev::TextBox2D text(&panel, "text");
    EXPECT_TRUE(text.fitToContent);
    EXPECT_EQ((qz::dev::Float4{0, 0, 0, 0}), text.backgroundColor);
}

// The overlay on the engine root's device, a screen of 64 x 64 pixels, drawn from the
// device's root container as the application draws it.
class GuiDrawTest : public qz::test::EngineDeviceTest {
protected:
    void SetUp() override
    {
        EngineDeviceTest::SetUp();
        MakeTarget(64, 64, black_);
    }

    static GuiContainer2D& Root() { return *qz::engine::QZRoot.CurrentDeviceData().guiResources.root; }

    std::vector<std::uint32_t> Drawn()
    {
        // What the scene's box leaves bound (its input layout, a triangle list) must not
        // matter to the overlay.
        qz::dev::RenderBox().PrepareDraw(context);
        Root().Render(context);
        return Pixels();
    }

    // In a rectangle: pixels with ink in the channel (0 red, 1 green, 2 blue), and pixels
    // with ink in any other channel.
    struct Ink {
        int own = 0;
        int other = 0;
    };
    Ink InkIn(const std::vector<std::uint32_t>& pixels, UINT left, UINT top, UINT width, UINT height,
              int channel) const
    {
        const std::uint32_t mask = 0xFFu << (8 * channel);
        Ink ink;
        for (UINT y = top; y < top + height; ++y) {
            for (UINT x = left; x < left + width; ++x) {
                const std::uint32_t rgb = Pixel(pixels, x, y) & 0xFFFFFFu;
                ink.own += (rgb & mask) != 0;
                ink.other += (rgb & ~mask) != 0;
            }
        }
        return ink;
    }

    const float black_[4] = {0, 0, 0, 1};
};

// An 8 x 8 image in quadrants: red, green over blue, white.
std::string QuadrantPng(const std::string& name)
{
    const std::array<std::uint8_t, 4> quadrants[2][2] = {{{255, 0, 0, 255}, {0, 255, 0, 255}},
                                                         {{0, 0, 255, 255}, {255, 255, 255, 255}}};
    std::vector<std::uint8_t> values;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const auto& colour = quadrants[y / 4][x / 4];
            values.insert(values.end(), colour.begin(), colour.end());
        }
    }
    return qz::test::WritePng(name, 8, 8, 4, values);
}

TEST_F(GuiDrawTest, AnImageIsDrawnOverItsPanelsBackground)
{
    GuiContainer2D panel("panel");
    panel.SetOffset(8, 4);
    panel.SetSize(40, 32);
    panel.backgroundColor = {1, 0, 1, 1};
    SimpleImage2D image(&panel, "image");
    image.SetOffset(4, 2);
    image.SetImageFile(QuadrantPng("quadrants.png"));  // the device is current: made at once
    ASSERT_NE(nullptr, image.View());
    const std::vector<std::uint32_t> pixels = Drawn();
    // Drawing fits the image to its 8 x 8 pixels, at (12, 6) on the screen.
    const std::uint32_t quadrants[2][2] = {{Rgba(255, 0, 0), Rgba(0, 255, 0)}, {Rgba(0, 0, 255), Rgba(255, 255, 255)}};
    for (UINT y = 0; y < 64; ++y) {
        for (UINT x = 0; x < 64; ++x) {
            const bool inPanel = x >= 8 && x < 48 && y >= 4 && y < 36;
            const bool inImage = x >= 12 && x < 20 && y >= 6 && y < 14;
            const std::uint32_t expected =
                inImage ? quadrants[(y - 6) / 4][(x - 12) / 4] : inPanel ? Rgba(255, 0, 255) : Rgba(0, 0, 0);
            ASSERT_EQ(expected, Pixel(pixels, x, y)) << x << ", " << y;
        }
    }

    // Half a turn about its centre: each quadrant shows the opposite one.
    image.SetRotationAngle(std::numbers::pi_v<float>);
    const std::vector<std::uint32_t> turned = Drawn();
    EXPECT_EQ(quadrants[1][1], Pixel(turned, 13, 7));
    EXPECT_EQ(quadrants[1][0], Pixel(turned, 18, 7));
    EXPECT_EQ(quadrants[0][1], Pixel(turned, 13, 12));
    EXPECT_EQ(quadrants[0][0], Pixel(turned, 18, 12));
}

TEST_F(GuiDrawTest, EachTextLineIsDrawnInItsOwnColour)
{
    TextBox2D text(&Root(), "text");
    text.SetOffset(4, 4);
    text.lines = {{TextBox2D::Left, "MM", {1, 0, 0, 1}}, {TextBox2D::Left, "MM", {0, 1, 0, 1}}};
    const std::vector<std::uint32_t> pixels = Drawn();
    // Two cells of 8 x 16 per line, the first line's from row 4, the second's from row 20.
    const Ink red = InkIn(pixels, 4, 4, 16, 16, 0);
    const Ink green = InkIn(pixels, 4, 20, 16, 16, 1);
    EXPECT_GT(red.own, 10);
    EXPECT_EQ(0, red.other);
    EXPECT_GT(green.own, 10);
    EXPECT_EQ(0, green.other);
}

}  // namespace
