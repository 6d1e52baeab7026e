// Buffers and structured buffers: descriptions, views, failures, re-creation and the
// size line of the log.

#include "tarnwick/dx11/IndexBuffer.h"
#include "tarnwick/dx11/StructuredBuffer.h"
#include "tarnwick/dx11/VertexBuffer.h"

#include "tests/d3d11/DeviceFixture.h"
#include "tests/support/LogCapture.h"

#include <memory>
#include <vector>

namespace {

using qz::dx11::Buffer;
using qz::dx11::StructuredBuffer;
using qz::test::ComPtr;
using qz::test::DeviceTest;
using qz::test::LogCapture;

struct Brick {  // a 24-byte record, as the GPU side's brick descriptor
    float values[6];
};

using Buffers = DeviceTest;

int Occurrences(const std::string& text, const std::string& part)
{
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

TEST_F(Buffers, CreateReadsTheDescriptionBackAndLogsMebibytes)
{
    LogCapture log;
    const std::vector<float> box = {-1, -1, -1, -1, 1, -1, 1, 1, -1, 1, -1, -1, -1, -1, 1, -1, 1, 1, 1, 1, 1, 1, -1, 1};
    qz::dx11::VertexBuffer vertices;
    ASSERT_EQ(S_OK, vertices.Create(device.Get(), box.data(), BufferDesc(96, D3D11_BIND_VERTEX_BUFFER)));
    vertices.SetStride(12);
    vertices.SetVertexCount(8);
    EXPECT_EQ(96u, vertices.GetDesc().ByteWidth);
    EXPECT_EQ(12u, vertices.GetStride());
    EXPECT_EQ(device.Get(), vertices.GetDevice());
    qz::dx11::IndexBuffer indices;
    ASSERT_EQ(S_OK, indices.Create(device.Get(), nullptr,
                                   BufferDesc(5 * 1048576 / 2, D3D11_BIND_INDEX_BUFFER | D3D11_BIND_VERTEX_BUFFER)));
    indices.SetIndexFormat(DXGI_FORMAT_R32_UINT);
    EXPECT_EQ(42u, indices.GetIndexFormat());
    EXPECT_EQ(3u, indices.GetDesc().BindFlags);
    EXPECT_EQ(1, Occurrences(log.Text(), "Creating buffer of size 0 MiB\n"));
    EXPECT_EQ(1, Occurrences(log.Text(), "Creating buffer of size 2 MiB\n"));
}

TEST_F(Buffers, StructuredBufferWithBothViews)
{
    StructuredBuffer<Brick> bricks;
    ASSERT_EQ(S_OK, bricks.Create(device.Get(), 10));
    EXPECT_EQ(10u, bricks.GetElementCount());
    EXPECT_EQ(240u, bricks.GetDesc().ByteWidth);
    EXPECT_EQ(24u, bricks.GetDesc().StructureByteStride);
    EXPECT_EQ(136u, bricks.GetDesc().BindFlags);
    EXPECT_EQ(64u, bricks.GetDesc().MiscFlags);
    ASSERT_NE(nullptr, bricks.GetUnorderedAccessView());
    ASSERT_NE(nullptr, bricks.GetShaderResourceView());
    D3D11_UNORDERED_ACCESS_VIEW_DESC uav{};
    bricks.GetUnorderedAccessView()->GetDesc(&uav);
    EXPECT_EQ(DXGI_FORMAT_UNKNOWN, uav.Format);
    EXPECT_EQ(D3D11_UAV_DIMENSION_BUFFER, uav.ViewDimension);
    EXPECT_EQ(0u, uav.Buffer.FirstElement);
    EXPECT_EQ(10u, uav.Buffer.NumElements);
    D3D11_SHADER_RESOURCE_VIEW_DESC srv{};
    bricks.GetShaderResourceView()->GetDesc(&srv);
    EXPECT_EQ(D3D11_SRV_DIMENSION_BUFFER, srv.ViewDimension);
    EXPECT_EQ(10u, srv.Buffer.NumElements);
}

TEST_F(Buffers, StagingDescriptionGetsNoViewsButStaysStructured)
{
    const std::vector<unsigned int> values = {1, 2, 3, 4};
    const D3D11_BUFFER_DESC staging = BufferDesc(0, 0, D3D11_USAGE_STAGING, D3D11_CPU_ACCESS_READ);
    StructuredBuffer<unsigned int> buffer;
    ASSERT_EQ(S_OK, buffer.Create(device.Get(), 4, values.data(), &staging));
    EXPECT_EQ(nullptr, buffer.GetUnorderedAccessView());
    EXPECT_EQ(nullptr, buffer.GetShaderResourceView());
    EXPECT_EQ(0u, buffer.GetDesc().BindFlags);
    EXPECT_EQ(64u, buffer.GetDesc().MiscFlags);
    EXPECT_EQ(4u, buffer.GetDesc().StructureByteStride);
    D3D11_MAPPED_SUBRESOURCE mapped{};
    ASSERT_EQ(S_OK, context->Map(buffer.GetBuffer(), 0, D3D11_MAP_READ, 0, &mapped));
    EXPECT_EQ(3u, static_cast<const unsigned int*>(mapped.pData)[2]);
    context->Unmap(buffer.GetBuffer(), 0);
}

TEST_F(Buffers, CountZeroFailsWithTheDevicesResult)
{
    LogCapture log;
    StructuredBuffer<unsigned int> buffer;
    EXPECT_EQ(E_INVALIDARG, buffer.Create(device.Get(), 0));
    EXPECT_EQ(nullptr, buffer.GetBuffer());
    EXPECT_EQ(nullptr, buffer.GetShaderResourceView());
    EXPECT_EQ(0u, buffer.GetElementCount());
    EXPECT_EQ("Creating buffer of size 0 MiB\n", log.Text());
    // A count whose size does not fit 32 bits is refused before the device sees it.
    StructuredBuffer<Brick> huge;
    EXPECT_EQ(E_INVALIDARG, huge.Create(device.Get(), 0x40000000u));
}

TEST_F(Buffers, CreatingAgainCopiesAndDeletionThroughTheBaseKeepCountsRight)
{
    const ULONG deviceBefore = Count(device.Get());
    {
        StructuredBuffer<Brick> bricks;
        ASSERT_EQ(S_OK, bricks.Create(device.Get(), 4));
        ComPtr<ID3D11Buffer> first(bricks.GetBuffer());
        ASSERT_EQ(S_OK, bricks.Create(device.Get(), 8));
        EXPECT_NE(first.Get(), bricks.GetBuffer());
        EXPECT_EQ(1u, Count(first.Get()));
        EXPECT_EQ(8u, bricks.GetElementCount());
        D3D11_SHADER_RESOURCE_VIEW_DESC srv{};
        bricks.GetShaderResourceView()->GetDesc(&srv);
        EXPECT_EQ(8u, srv.Buffer.NumElements);
        bricks.Release();
        EXPECT_EQ(nullptr, bricks.GetUnorderedAccessView());

        auto vertices = std::make_unique<qz::dx11::VertexBuffer>();
        ASSERT_EQ(S_OK, vertices->Create(device.Get(), nullptr, BufferDesc(48, D3D11_BIND_VERTEX_BUFFER)));
        vertices->SetName("box");
        const Buffer copy(*vertices);
        EXPECT_EQ(vertices->GetBuffer(), copy.GetBuffer());
        EXPECT_EQ(2u, Count(copy.GetBuffer()));
        EXPECT_TRUE(copy.GetName().empty());
        std::unique_ptr<Buffer> owner = std::move(vertices);
        std::unique_ptr<Buffer> structured = std::make_unique<StructuredBuffer<unsigned int>>();
        ASSERT_EQ(S_OK, static_cast<StructuredBuffer<unsigned int>*>(structured.get())->Create(device.Get(), 16));
        // Both deleted through Buffer pointers, without Release.
    }
    EXPECT_EQ(deviceBefore, Count(device.Get()));
}

TEST(BufferSizes, ByteWidthsAreComputedIn64BitsAndMustFit32)
{
    const struct {
        std::uint64_t count;
        std::uint64_t stride;
        bool fits;
        UINT byteWidth;
    } cases[] = {
        {0, 48, true, 0},
        {89478485, 48, true, 4294967280u},  // the most 48-byte vertices there is room for
        {89478486, 48, false, 7},
        {0x100000000ull, 1, false, 7},
        {0x55555556ull, 12, false, 7},  // 3 indices per triangle: wraps to 8 in 32 bits
        {1, 0xFFFFFFFFu, true, 0xFFFFFFFFu},
    };
    for (const auto& c : cases) {
        UINT byteWidth = 7;
        EXPECT_EQ(c.fits, qz::dx11::FitsByteWidth(c.count, c.stride, byteWidth)) << c.count << " x " << c.stride;
        EXPECT_EQ(c.byteWidth, byteWidth) << c.count << " x " << c.stride;
    }
}

}  // namespace
