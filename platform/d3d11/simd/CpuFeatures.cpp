#include "platform/d3d11/simd/CpuFeatures.h"

#include <cstdlib>
#include <cstring>

namespace d3d11sw {

bool HasAvx2()
{
    // D3D11SW_NO_AVX2 (any value) keeps the SSE2 routines, so that both can be tested.
    static const bool has = [] {
#if defined(__x86_64__) || defined(__i386__)
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") && std::getenv("D3D11SW_NO_AVX2") == nullptr;
#else
        return false;
#endif
    }();
    return has;
}

}  // namespace d3d11sw
