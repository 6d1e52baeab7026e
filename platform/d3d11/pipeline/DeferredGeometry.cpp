#include "platform/d3d11/pipeline/DeferredGeometry.h"

namespace d3d11sw {
namespace {

// Larger draws keep the GUI's batches of text in bounds and leave meshes to the
// drawing thread, which reads their buffers in place.
constexpr UINT kMaxVertices = 16384;
constexpr std::size_t kMaxInputBytes = std::size_t{256} << 10;

}  // namespace

std::unique_ptr<DeferredGeometry> DeferredGeometry::Make(const PipelineState& state, VertexShader& shader, UINT count,
                                                         const VertexNumbers& numbers)
{
    if (count > kMaxVertices) {
        return nullptr;
    }
    auto geometry = std::make_unique<DeferredGeometry>(state, shader, count, numbers);
    UINT first = 0;
    UINT last = 0;
    if (geometry->numbers_.Bounds(count, first, last)) {
        if (geometry->vertices_.InputBytes(first, last) > kMaxInputBytes) {
            return nullptr;
        }
        geometry->vertices_.KeepInputs(first, last);
    }
    geometry->numbers_.KeepIndices(count, geometry->indices_);
    return geometry;
}

DeferredGeometry::DeferredGeometry(const PipelineState& state, VertexShader& shader, UINT count,
                                   const VertexNumbers& numbers)
    : topology_(state.topology), count_(count), numbers_(numbers), vertices_(state, shader)
{
    shader_.Set(&shader);
}

void DeferredGeometry::SetUp(const RasterState& raster, bool depthBound, PrimitiveSink& sink)
{
    PrimitiveSetup setup(raster, depthBound, sink, [] {});
    Assemble(topology_, count_, numbers_, vertices_, setup);
    setup.Finish();
}

}  // namespace d3d11sw
