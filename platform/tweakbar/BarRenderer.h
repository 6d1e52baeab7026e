#pragma once
// Draws bars through the software device: one draw per bar, a rectangle whose pixel
// kernel reads the bar's text cells and the glyph atlas. What it needs of the pipeline it
// sets itself and restores afterwards.

#include "platform/d3d11/D3D11.h"
#include "platform/d3d11/com/ComPtr.h"
#include "platform/dxut/GlyphAtlas.h"
#include "platform/tweakbar/BarCells.h"

#include <memory>
#include <vector>

namespace platform::tweakbar {

// What the kernels read of a bar, in constant buffer 0 (the cells are buffer 1).
struct BarConstants {
    float windowSize[2];
    float origin[2];  // the bar's top-left pixel
    float size[2];
    std::int32_t columns;
    std::int32_t rows;
    std::int32_t scrollLeft;  // from the bar's left edge; the width when there is no scroll bar
    std::int32_t thumbTop;    // from the bar's top edge
    std::int32_t thumbBottom;
    std::int32_t unused;
    float palette[ColourCount][4];  // premultiplied
};
static_assert(sizeof(BarConstants) % 16 == 0);

// Cells beyond this many are not drawn (a bar larger than the largest screens).
constexpr int MaxCells = 65536 / 4;

struct DrawnBar {
    BarFrame frame;
    int alpha;  // 0 to 255, of the backgrounds
    BarCells cells;
};

class BarRenderer {
public:
    // E_INVALIDARG without a device; the font's failure when it cannot be read.
    static HRESULT Create(ID3D11Device* device, std::unique_ptr<BarRenderer>& renderer);

    // Draws into the render target bound to the context, a window of width x height.
    void Draw(ID3D11DeviceContext* context, const std::vector<DrawnBar>& bars, int width, int height);

private:
    std::shared_ptr<const platform::dxut::GlyphAtlas> atlas_;
    d3d11sw::ComPtr<ID3D11VertexShader> vertexShader_;
    d3d11sw::ComPtr<ID3D11PixelShader> pixelShader_;
    d3d11sw::ComPtr<ID3D11Buffer> constants_;
    d3d11sw::ComPtr<ID3D11Buffer> cells_;
    d3d11sw::ComPtr<ID3D11BlendState> blend_;
    d3d11sw::ComPtr<ID3D11DepthStencilState> depth_;
    d3d11sw::ComPtr<ID3D11RasterizerState> raster_;
};

BarConstants ConstantsOf(const DrawnBar& bar, int width, int height);

}  // namespace platform::tweakbar
