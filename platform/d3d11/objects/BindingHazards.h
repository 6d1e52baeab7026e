#pragma once
// Direct3D's rule that a subresource is never bound for reading and for writing at once:
// binding it as a render target or a writable depth target unbinds its shader-resource
// views from every stage, and a shader-resource view of a subresource bound for writing
// is bound as null.

#include "platform/d3d11/objects/PipelineState.h"

namespace d3d11sw {

// Whether the two views see a common subresource (mip level and array slice) of one
// resource.
bool Overlap(const ResourceCore& a, const ViewRange& first, const ResourceCore& b, const ViewRange& second);

// Whether the view is bound as a render target or a writable depth target.
bool BoundForWriting(const PipelineState& state, const ShaderResourceView& view);

// Unbinds, in every stage, the shader-resource views that the bound targets write.
void UnbindWrittenViews(PipelineState& state);

}  // namespace d3d11sw
