#pragma once
// Draws bars through the software device, each in two passes: the backgrounds (a pixel
// kernel that reads the cells' background colours), then the ink (a kernel that keeps
// only the pixels a glyph covers, with the coverage as alpha). Backgrounds are then one
// colour along most spans of pixels, which the device blends fastest, and only inked
// pixels take the general blend. Every draw is one triangle over the whole window cut to
// a rectangle by the scissor, so the device tests no triangle edges and cuts no spans at
// a diagonal. What it needs of the pipeline it sets itself and restores afterwards.

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
    float palette[ColourCount][4];  // backgrounds with the bar's alpha
};
static_assert(sizeof(BarConstants) % 16 == 0);

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
    // A cell buffer of 2^k KiB (k = 0 ... 6), made when a bar first needs it: each draw
    // copies the buffers it reads.
    ID3D11Buffer* CellBuffer(std::size_t cells);
    void DrawIn(ID3D11DeviceContext* context, int left, int top, int right, int bottom);

    d3d11sw::ComPtr<ID3D11Device> device_;
    d3d11sw::ComPtr<ID3D11VertexShader> window_;
    d3d11sw::ComPtr<ID3D11PixelShader> backgroundPixels_;
    d3d11sw::ComPtr<ID3D11PixelShader> inkPixels_;
    d3d11sw::ComPtr<ID3D11Buffer> constants_;
    d3d11sw::ComPtr<ID3D11Buffer> cellBuffers_[7];
    d3d11sw::ComPtr<ID3D11BlendState> blend_;
    d3d11sw::ComPtr<ID3D11DepthStencilState> depth_;
    d3d11sw::ComPtr<ID3D11RasterizerState> raster_;
};

BarConstants ConstantsOf(const DrawnBar& bar, int width, int height);

}  // namespace platform::tweakbar
