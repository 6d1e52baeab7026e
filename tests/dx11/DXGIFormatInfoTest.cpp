// The format table, row by row against the ranges of its definition.

#include "tarnwick/dx11/DXGIFormatInfo.h"

#include "platform/d3d11/D3D11.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

using qz::dx11::DXGIFormatInfos;

struct Range {
    std::uint32_t first;
    std::vector<std::uint32_t> types;  // one per value of the range
    std::uint32_t components;
    std::uint32_t bits;
};

const std::vector<Range> kRanges = {
    {0, {0}, 0, 0},
    {1, {0, 6, 4, 5}, 4, 128},
    {5, {0, 6, 4, 5}, 3, 96},
    {9, {0, 6, 1, 4, 3, 5}, 4, 64},
    {15, {0, 6, 4, 5, 0, 6}, 2, 64},
    {21, {6, 0}, 2, 64},
    {23, {0, 1, 4}, 4, 32},
    {26, {6}, 3, 32},
    {27, {0, 1, 2, 4, 3, 5}, 4, 32},
    {33, {0, 6, 1, 4, 3, 5}, 2, 32},
    {39, {0, 6, 6, 4, 5}, 1, 32},
    {44, {0, 4, 0, 0}, 2, 32},
    {48, {0, 1, 4, 3, 5}, 2, 16},
    {53, {0, 6, 1, 1, 4, 3}, 1, 16},
    {59, {5}, 1, 16},
    {60, {0, 1, 4, 3, 5, 1}, 1, 8},
    {66, {1}, 1, 1},
    {67, {7, 1, 1}, 4, 32},
    {70, {0, 1, 2, 0, 1, 2}, 4, 0},
    {76, {0, 1, 2}, 4, 0},
    {79, {0, 1, 3}, 1, 0},
    {82, {0, 1, 3}, 2, 0},
    {85, {1}, 3, 16},
    {86, {1}, 4, 16},
    {87, {1, 1, 1, 0, 2, 0}, 4, 32},
    {93, {2}, 4, 32},
    {94, {0, 0, 0, 0, 0, 0}, 0, 0},
};

TEST(DXGIFormatInfo, EveryRowAsDefined)
{
    std::uint32_t next = 0;
    for (const Range& range : kRanges) {
        ASSERT_EQ(next, range.first);
        for (std::size_t i = 0; i < range.types.size(); ++i, ++next) {
            const auto& row = DXGIFormatInfos[next];
            EXPECT_EQ(range.types[i], row.type) << next;
            EXPECT_EQ(range.components, row.components) << next;
            EXPECT_EQ(range.bits, row.bits) << next;
        }
    }
    EXPECT_EQ(100u, next);
}

TEST(DXGIFormatInfo, NamesAreTheEnumeratorsOfTheirIndex)
{
    std::set<std::string> names;
    for (const auto& row : DXGIFormatInfos) {
        EXPECT_EQ(0u, row.name.rfind("DXGI_FORMAT_", 0)) << row.name;
        EXPECT_EQ('.', row.description.back()) << row.name;
        names.insert(row.GetName());
    }
    EXPECT_EQ(100u, names.size());
    const std::pair<int, const char*> rows[] = {
        {DXGI_FORMAT_UNKNOWN, "DXGI_FORMAT_UNKNOWN"},
        {DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, "DXGI_FORMAT_R8G8B8A8_UNORM_SRGB"},
        {DXGI_FORMAT_D24_UNORM_S8_UINT, "DXGI_FORMAT_D24_UNORM_S8_UINT"},
        {DXGI_FORMAT_R24_UNORM_X8_TYPELESS, "DXGI_FORMAT_R24_UNORM_X8_TYPELESS"},
        {DXGI_FORMAT_B8G8R8X8_UNORM_SRGB, "DXGI_FORMAT_B8G8R8X8_UNORM_SRGB"},
        {DXGI_FORMAT_BC6H_UF16, "DXGI_FORMAT_BC6H_UF16"},
        {99, "DXGI_FORMAT_BC7_UNORM_SRGB"},
    };
    for (const auto& [index, name] : rows) {
        EXPECT_EQ(name, DXGIFormatInfos[index].name);
    }
    EXPECT_EQ("A four-component, 32-bit unsigned-normalized integer sRGB format.", DXGIFormatInfos[29].description);
    EXPECT_EQ("The format is not known.", DXGIFormatInfos[0].description);
}

}  // namespace
