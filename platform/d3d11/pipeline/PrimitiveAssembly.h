#pragma once
// Primitive assembly: the vertices of a draw, shaded by the vertex stage, become points,
// lines and triangles of the bound topology (strip windings and cuts included).

#include "platform/d3d11/pipeline/InputAssembler.h"
#include "platform/d3d11/pipeline/PrimitiveSetup.h"
#include "platform/d3d11/pipeline/VertexStage.h"

namespace d3d11sw {

// Feeds the vertices of a draw to the set-up as primitives of the topology.
void Assemble(D3D11_PRIMITIVE_TOPOLOGY topology, UINT count, const VertexNumbers& numbers, VertexStage& vertices,
              PrimitiveSetup& setup);

}  // namespace d3d11sw
