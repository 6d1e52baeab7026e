#pragma once
// Which vector instructions this processor runs, asked once. Hot routines are built
// twice, for the SSE2 every x86-64 processor has and for AVX2, and the device picks one
// per process; both give the same bytes.

namespace d3d11sw {

bool HasAvx2();

}  // namespace d3d11sw
