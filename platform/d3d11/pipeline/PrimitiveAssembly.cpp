#include "platform/d3d11/pipeline/PrimitiveAssembly.h"

#include <array>
#include <utility>

namespace d3d11sw {

void Assemble(D3D11_PRIMITIVE_TOPOLOGY topology, UINT count, const VertexNumbers& numbers, VertexStage& vertices,
              PrimitiveBatch& batch)
{
    std::array<VertexOutput, 3> window;
    UINT filled = 0;   // vertices in the window since the last primitive or cut
    UINT inStrip = 0;  // vertices since the strip began, for the winding of odd triangles
    for (UINT position = 0; position < count; ++position) {
        const std::optional<UINT> vertex = numbers.At(position);
        if (!vertex) {
            filled = 0;
            inStrip = 0;
            continue;
        }
        switch (topology) {
        case D3D11_PRIMITIVE_TOPOLOGY_POINTLIST:
            vertices.Shade(*vertex, batch.Add(1).vertices[0]);
            break;
        case D3D11_PRIMITIVE_TOPOLOGY_LINELIST:
            vertices.Shade(*vertex, window[filled++]);
            if (filled == 2) {
                batch.Add(2).vertices = window;
                filled = 0;
            }
            break;
        case D3D11_PRIMITIVE_TOPOLOGY_LINESTRIP:
            vertices.Shade(*vertex, window[std::min<UINT>(filled, 1)]);
            if (++filled >= 2) {
                batch.Add(2).vertices = window;
                window[0] = window[1];
            }
            break;
        case D3D11_PRIMITIVE_TOPOLOGY_TRIANGLELIST:
            vertices.Shade(*vertex, window[filled++]);
            if (filled == 3) {
                batch.Add(3).vertices = window;
                filled = 0;
            }
            break;
        case D3D11_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP:
            vertices.Shade(*vertex, window[std::min<UINT>(filled, 2)]);
            ++inStrip;
            if (++filled >= 3) {
                // Every second triangle swaps its first two vertices to keep the winding.
                auto& triangle = batch.Add(3).vertices;
                triangle = window;
                if (inStrip % 2 == 0) {
                    std::swap(triangle[0], triangle[1]);
                }
                window[0] = window[1];
                window[1] = window[2];
            }
            break;
        default:
            return;
        }
    }
    batch.Flush();
}

}  // namespace d3d11sw
