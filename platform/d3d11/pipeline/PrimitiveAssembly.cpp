#include "platform/d3d11/pipeline/PrimitiveAssembly.h"

#include <array>

namespace d3d11sw {

void Assemble(D3D11_PRIMITIVE_TOPOLOGY topology, UINT count, const VertexNumbers& numbers, VertexStage& vertices,
              PrimitiveSetup& setup)
{
    std::array<VertexOutput, 3> window;
    UINT filled = 0;   // vertices in the window since the last primitive or cut
    UINT inStrip = 0;  // vertices since the strip began, for the winding of odd triangles
    UINT newest = 0;   // the window slot of the latest vertex, for strips
    for (UINT position = 0; position < count; ++position) {
        const std::optional<UINT> vertex = numbers.At(position);
        if (!vertex) {
            filled = 0;
            inStrip = 0;
            continue;
        }
        switch (topology) {
        case D3D11_PRIMITIVE_TOPOLOGY_POINTLIST:
            vertices.Shade(*vertex, window[0]);
            setup.Point(window[0]);
            break;
        case D3D11_PRIMITIVE_TOPOLOGY_LINELIST:
            vertices.Shade(*vertex, window[filled++]);
            if (filled == 2) {
                setup.Line(window[0], window[1]);
                filled = 0;
            }
            break;
        case D3D11_PRIMITIVE_TOPOLOGY_LINESTRIP:
            // The window is a ring of two: the older vertex is the other slot.
            newest = filled == 0 ? 0 : newest ^ 1;
            vertices.Shade(*vertex, window[newest]);
            if (++filled >= 2) {
                setup.Line(window[newest ^ 1], window[newest]);
            }
            break;
        case D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST:
            vertices.Shade(*vertex, window[filled++]);
            if (filled == 3) {
                setup.Triangle(window[0], window[1], window[2]);
                filled = 0;
            }
            break;
        case D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP: {
            // A ring of three: slots newest-2, newest-1, newest hold the triangle.
            newest = filled == 0 ? 0 : (newest + 1) % 3;
            vertices.Shade(*vertex, window[newest]);
            ++inStrip;
            if (++filled >= 3) {
                const VertexOutput& first = window[(newest + 1) % 3];
                const VertexOutput& second = window[(newest + 2) % 3];
                // Every second triangle swaps its first two vertices to keep the winding.
                if (inStrip % 2 == 0) {
                    setup.Triangle(second, first, window[newest]);
                } else {
                    setup.Triangle(first, second, window[newest]);
                }
            }
            break;
        }
        default:
            return;
        }
    }
}

}  // namespace d3d11sw
