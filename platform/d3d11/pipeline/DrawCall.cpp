// Draw and DrawIndexed: the stages of the pipeline in order, for one draw call.

#include "platform/d3d11/objects/DeviceContext.h"
#include "platform/d3d11/pipeline/PrimitiveAssembly.h"
#include "platform/d3d11/pipeline/RasterState.h"

namespace d3d11sw {
namespace {

void DrawPrimitives(DeviceContext& context, UINT count, const VertexNumbers& numbers)
{
    const PipelineState& state = context.State();
    const VertexShader* vertexShader = state.vertexShader.Get();
    if (!vertexShader || count == 0) {
        return;
    }
    OutputMerger merger(state);
    if (!merger.HasTargets()) {
        return;
    }
    RasterState raster;
    if (!MakeRasterState(state, merger, vertexShader->Description().varyingCount, raster)) {
        return;
    }
    const PixelStage pixels(state, merger);
    VertexStage vertices(state, *vertexShader);
    PrimitiveBatch batch(raster, pixels, context);
    Assemble(state.topology, count, numbers, vertices, batch);
}

}  // namespace

void DeviceContext::Draw(UINT vertexCount, UINT startVertex)
{
    DrawPrimitives(*this, vertexCount, VertexNumbers::Sequential(startVertex));
}

void DeviceContext::DrawIndexed(UINT indexCount, UINT startIndex, INT baseVertex)
{
    DrawPrimitives(*this, indexCount, VertexNumbers::Indexed(*state_, startIndex, baseVertex));
}

}  // namespace d3d11sw
