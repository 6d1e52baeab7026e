// Images of the 2D GUI: creation from a file, the errors of a missing file, their size
// when they fit themselves to their content, and the rotation angle.

#include "tarnwick/dev/GUI.h"
#include "tarnwick/core/Exception.h"
#include "tests/dx11/ImageFiles.h"

#include "platform/d3d11/com/ComPtr.h"

#include <gtest/gtest.h>

#include <numbers>

namespace {

using qz::dev::GuiContainer2D;
using qz::dev::Int2;
using qz::dev::SimpleImage2D;

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

}  // namespace
