#pragma once
// A buffer with what an indexed draw needs: the index format (42,
// DXGI_FORMAT_R32_UINT) and the index count, which the creator sets once the buffer
// exists.

#include "tarnwick/dx11/Buffer.h"

namespace qz::dx11 {

class IndexBuffer : public Buffer {
public:
    UINT GetIndexFormat() const { return indexFormat_; }
    void SetIndexFormat(UINT format) { indexFormat_ = format; }
    UINT GetIndexCount() const { return indexCount_; }
    void SetIndexCount(UINT count) { indexCount_ = count; }

private:
    UINT indexFormat_ = DXGI_FORMAT_UNKNOWN;
    UINT indexCount_ = 0;
};

}  // namespace qz::dx11
