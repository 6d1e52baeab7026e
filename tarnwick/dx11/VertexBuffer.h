#pragma once
// A buffer with what a draw needs of its vertices: the stride and the count, which the
// creator sets once the buffer exists.

#include "tarnwick/dx11/Buffer.h"

namespace qz::dx11 {

class VertexBuffer : public Buffer {
public:
    UINT GetStride() const { return stride_; }
    void SetStride(UINT stride) { stride_ = stride; }
    UINT GetVertexCount() const { return vertexCount_; }
    void SetVertexCount(UINT count) { vertexCount_ = count; }

private:
    UINT stride_ = 0;
    UINT vertexCount_ = 0;
};

}  // namespace qz::dx11
