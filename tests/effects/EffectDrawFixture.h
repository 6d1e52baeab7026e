#pragma once
// Drawing with effects on the software device: the targets and readback of the device's
// render tests, cleared to a colour, with a D32 depth buffer when asked for.

#include "platform/effects/D3DX11Effect.h"
#include "tests/d3d11/RenderFixture.h"

#include <array>

namespace qz::test {

class EffectDrawTest : public RenderTest {
protected:
    void TearDown() override { context->ClearState(); }

    void MakeClearedTarget(UINT width, UINT height, std::array<float, 4> clear, bool depth = false)
    {
        depthView.Reset();
        MakeTarget(width, height);
        if (depth) {
            MakeDepth(DXGI_FORMAT_D32_FLOAT);
        }
        Clear(clear[0], clear[1], clear[2], clear[3]);
        width_ = width;
    }
    void MakeClearedTarget(UINT width, UINT height, float clear)
    {
        MakeClearedTarget(width, height, {clear, clear, clear, clear});
    }

    std::uint32_t Pixel(UINT x, UINT y) { return Pixels()[std::size_t{y} * width_ + x]; }

private:
    UINT width_ = 0;
};

}  // namespace qz::test
