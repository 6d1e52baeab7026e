// The render box on the engine root's device: its edges and faces under a projection that
// puts the eight corners at distinct pixels, and the box geometry when the device refuses
// its buffers.

#include "tarnwick/dev/RenderBox.h"

#include "tarnwick/core/ErrorReport.h"
#include "tarnwick/dx11/IndexBuffer.h"
#include "tests/support/RefusingMapDevice.h"
#include "tests/support/EngineDeviceFixture.h"
#include "tests/support/LogCapture.h"

#include <algorithm>
#include <cmath>

namespace {

using qz::engine::QZRoot;

// Rows for row vectors: x' = x/2 + z/5, y' = y/2 + z/10, depth z/4 + 1/2, so the front
// square (z = -1) and the back one (z = 1) are apart.
const DirectX::XMFLOAT4X4 kOblique(0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0.2f, 0.1f, 0.25f, 0, 0, 0, 0.5f, 1);

struct Corner {
    float x;
    float y;
};

// The eight corners in pixels of a 64x64 target.
std::vector<Corner> Corners()
{
    std::vector<Corner> corners;
    for (int i = 0; i < 8; ++i) {
        const float x = i & 1 ? 1.0f : -1.0f;
        const float y = i & 2 ? 1.0f : -1.0f;
        const float z = i & 4 ? 1.0f : -1.0f;
        corners.push_back({(0.5f * x + 0.2f * z + 1.0f) * 32.0f, (1.0f - 0.5f * y - 0.1f * z) * 32.0f});
    }
    return corners;
}

class RenderBoxTest : public qz::test::EngineDeviceTest {
protected:
    ID3DX11Effect* Objects() { return QZRoot.CurrentDeviceData().guiResources.effects.at("3dobjects").get(); }

    bool InkNear(const std::vector<std::uint32_t>& pixels, float x, float y)
    {
        for (int dy = -1; dy <= 1; ++dy) {
            for (int dx = -1; dx <= 1; ++dx) {
                const int px = static_cast<int>(std::floor(x)) + dx;
                const int py = static_cast<int>(std::floor(y)) + dy;
                if (px >= 0 && py >= 0 && px < 64 && py < 64 && Pixel(pixels, px, py) == kInk) return true;
            }
        }
        return false;
    }

    const float black_[4] = {0, 0, 0, 1};
    const float yellow_[4] = {1, 1, 0, 1};
    const std::uint32_t kInk = Rgba(255, 255, 0);
    const std::uint32_t kBackground = Rgba(0, 0, 0);
};

TEST_F(RenderBoxTest, EdgesRunThroughTheCornersAndLeaveTheFacesOpen)
{
    MakeTarget(64, 64, black_);
    const qz::dev::RenderBox box;
    box.Render(context, kOblique, yellow_);
    const std::vector<std::uint32_t> pixels = Pixels();
    for (const Corner& corner : Corners()) {
        EXPECT_TRUE(InkNear(pixels, corner.x, corner.y)) << corner.x << ", " << corner.y;
    }
    // Midpoints of a front, a back and a connecting edge; the front face's inside.
    EXPECT_TRUE(InkNear(pixels, 25.6f, 51.2f));
    EXPECT_TRUE(InkNear(pixels, 54.4f, 28.8f));
    EXPECT_TRUE(InkNear(pixels, 16.0f, 48.0f));
    EXPECT_EQ(kBackground, Pixel(pixels, 26, 35));
    EXPECT_EQ(kBackground, Pixel(pixels, 2, 2));
}

TEST_F(RenderBoxTest, FacesFillTheOutlineWithTheCallersPass)
{
    MakeTarget(64, 64, black_);
    ID3DX11Effect* effect = Objects();
    effect->GetVariableByName("g_matWorldViewProjection")->AsMatrix()->SetMatrix(&kOblique.m[0][0]);
    effect->GetVariableByName("g_color")->AsVector()->SetFloatVector(yellow_);
    const qz::dev::RenderBox box;
    box.RenderFaces(context, effect->GetTechniqueByIndex(0)->GetPassByIndex(0));
    const std::vector<std::uint32_t> pixels = Pixels();
    for (const Corner& corner : Corners()) {
        // A little inside, towards the centre at (32, 32).
        const UINT x = static_cast<UINT>(corner.x + 0.15f * (32.0f - corner.x));
        const UINT y = static_cast<UINT>(corner.y + 0.15f * (32.0f - corner.y));
        EXPECT_EQ(kInk, Pixel(pixels, x, y)) << x << ", " << y;
    }
    EXPECT_EQ(kInk, Pixel(pixels, 26, 35));
    // Just beyond the outermost corners on each side.
    EXPECT_EQ(kBackground, Pixel(pixels, 8, 32));
    EXPECT_EQ(kBackground, Pixel(pixels, 55, 32));
    EXPECT_EQ(kBackground, Pixel(pixels, 32, 11));
    EXPECT_EQ(kBackground, Pixel(pixels, 32, 52));
}

// A real device that refuses vertex and index buffers.
class RefusingBufferDevice : public qz::test::ForwardingDevice {
public:
    using ForwardingDevice::ForwardingDevice;

    HRESULT CreateBuffer(const D3D11_BUFFER_DESC* desc, const D3D11_SUBRESOURCE_DATA* data, ID3D11Buffer** buffer) override
    {
        if (desc && (desc->BindFlags & (D3D11_BIND_VERTEX_BUFFER | D3D11_BIND_INDEX_BUFFER))) {
            *buffer = nullptr;
            return E_OUTOFMEMORY;
        }
        return ForwardingDevice::CreateBuffer(desc, data, buffer);
    }
};

TEST_F(RenderBoxTest, BoxBuffersThatCannotBeMadeAreLoggedAndDrawNothing)
{
    RefusingBufferDevice refusing(device);
    qz::dev::GuiResources& resources = QZRoot.CurrentDeviceData().guiResources;
    {
        qz::test::LogCapture log;
        resources.CreateBoxGeometry(&refusing);
        const std::string text = log.Text();
        for (const char* name : {"boxVertex", "boxFace", "boxLine"}) {
            EXPECT_NE(std::string::npos, text.find(std::string("Could not create buffer \"") + name +
                                                   "\"\nCOM error message: " + qz::core::ComErrorText(E_OUTOFMEMORY)))
                << text;
        }
    }
    const auto* faces = dynamic_cast<const qz::dx11::IndexBuffer*>(resources.buffers.at("boxFace").get());
    ASSERT_NE(nullptr, faces);
    EXPECT_EQ(0u, faces->GetIndexCount());
    MakeTarget(64, 64, black_);
    const qz::dev::RenderBox box;
    box.Render(context, kOblique, yellow_);
    box.RenderFaces(context, Objects()->GetTechniqueByIndex(0)->GetPassByIndex(0));
    const std::vector<std::uint32_t> pixels = Pixels();
    EXPECT_EQ(0, std::count(pixels.begin(), pixels.end(), kInk));
    // Index buffers that are missing altogether draw nothing either.
    resources.buffers.erase("boxFace");
    resources.buffers.erase("boxLine");
    box.Render(context, kOblique, yellow_);
    box.RenderFaces(context, Objects()->GetTechniqueByIndex(0)->GetPassByIndex(0));
    const std::vector<std::uint32_t> after = Pixels();
    EXPECT_EQ(0, std::count(after.begin(), after.end(), kInk));
    // What was made on the refusing device goes before it does.
    context->ClearState();
    resources.Release();
}

}  // namespace
