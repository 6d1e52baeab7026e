// Draw and DrawIndexed: the stages of the pipeline in order, for one draw call, up to the
// tile bins of the frame, which are shaded when the pixels are needed. A small draw keeps
// its vertices for the frame's shading, which sets it up beside the others.

#include "platform/d3d11/objects/DeviceContext.h"
#include "platform/d3d11/pipeline/DeferredGeometry.h"
#include "platform/d3d11/pipeline/PrimitiveAssembly.h"

namespace d3d11sw {
namespace {

// Pending draws that read what this draw writes, or write what it reads, must be shaded
// first: tiles run their draws in order, but a texture is read anywhere.
bool Hazard(const BinnedFrame& frame, const PipelineState& state)
{
    if (frame.Empty()) {
        return false;
    }
    for (const auto& target : state.renderTargets) {
        if (target.Get() && frame.Reads(target.Get()->Core())) {
            return true;
        }
    }
    if (state.depthStencilView.Get() && frame.Reads(state.depthStencilView.Get()->Core())) {
        return true;
    }
    for (const StageBindings* stage : {&state.vertexStage, &state.pixelStage}) {
        for (const auto& view : stage->views) {
            if (view.Get() && frame.Writes(view.Get()->Core())) {
                return true;
            }
        }
    }
    return false;
}

void DrawPrimitives(DeviceContext& context, UINT count, const VertexNumbers& numbers)
{
    const PipelineState& state = context.State();
    VertexShader* vertexShader = state.vertexShader.Get();
    if (!vertexShader || count == 0) {
        return;
    }
    if (Hazard(context.Frame(), state)) {
        context.ShadePending();
    }
    const UINT varyings = vertexShader->Description().varyingCount;
    auto draw = std::make_unique<PendingDraw>(state, varyings);
    if (!draw->Drawable()) {
        return;
    }
    BinnedFrame& frame = context.Frame();
    if (auto geometry = DeferredGeometry::Make(state, *vertexShader, count, numbers)) {
        draw->Defer(std::move(geometry));
        frame.AddDraw(std::move(draw));
        if (frame.Full()) {
            context.ShadePending();
        }
        return;
    }
    const RasterState& raster = draw->Raster();
    const bool depthBound = draw->Merger().Depth() != nullptr;
    frame.AddDraw(std::move(draw));
    VertexStage vertices(state, *vertexShader);
    PrimitiveSetup setup(raster, depthBound, frame, [&context] { context.ShadePending(true); });
    Assemble(state.topology, count, numbers, vertices, setup);
    setup.Finish();
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
