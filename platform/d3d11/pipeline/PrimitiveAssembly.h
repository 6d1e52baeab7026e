#pragma once
// Primitive assembly: the vertices of a draw, shaded by the vertex stage, become points,
// lines and triangles of the bound topology (strip windings and cuts included).

#include "platform/d3d11/pipeline/InputAssembler.h"
#include "platform/d3d11/pipeline/PrimitiveBatch.h"
#include "platform/d3d11/pipeline/VertexStage.h"

namespace d3d11sw {

// Feeds the vertices of a draw to the batch as primitives of the topology, then flushes
// the batch.
void Assemble(D3D11_PRIMITIVE_TOPOLOGY topology, UINT count, const VertexNumbers& numbers, VertexStage& vertices,
              PrimitiveBatch& batch);

}  // namespace d3d11sw
