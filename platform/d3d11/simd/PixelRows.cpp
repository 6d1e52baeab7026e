#include "platform/d3d11/simd/PixelRows.h"

#include "platform/d3d11/simd/CpuFeatures.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define D3D11SW_X86 1
#endif

namespace d3d11sw {
namespace {

inline std::uint32_t MapPixel(std::uint32_t word, const ByteTables& t)
{
    return std::uint32_t{t[0][word & 0xFF]} | std::uint32_t{t[1][(word >> 8) & 0xFF]} << 8 |
           std::uint32_t{t[2][(word >> 16) & 0xFF]} << 16 | std::uint32_t{t[3][word >> 24]} << 24;
}

// The last pixel looked up and what it became.
struct Memo {
    std::uint32_t from;
    std::uint32_t to;

    std::uint32_t Map(std::uint32_t word, const ByteTables& t)
    {
        if (word != from) {
            from = word;
            to = MapPixel(word, t);
        }
        return to;
    }
};

void MapOne(std::byte* pixel, Memo& memo, const ByteTables& t)
{
    std::uint32_t word;
    std::memcpy(&word, pixel, 4);
    word = memo.Map(word, t);
    std::memcpy(pixel, &word, 4);
}

#if D3D11SW_X86
void MapRowSse2(std::byte* row, int count, const ByteTables& t)
{
    Memo memo{0, MapPixel(0, t)};
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        std::byte* at = row + std::size_t(i) * 4;
        const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        const __m128i same = _mm_cmpeq_epi32(pixels, _mm_set1_epi32(static_cast<int>(memo.from)));
        if (_mm_movemask_epi8(same) == 0xFFFF) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(at), _mm_set1_epi32(static_cast<int>(memo.to)));
            continue;
        }
        for (int k = 0; k < 4; ++k) {
            MapOne(at + 4 * k, memo, t);
        }
    }
    for (; i < count; ++i) {
        MapOne(row + std::size_t(i) * 4, memo, t);
    }
}

[[gnu::target("avx2")]] void MapRowAvx2(std::byte* row, int count, const ByteTables& t)
{
    Memo memo{0, MapPixel(0, t)};
    int i = 0;
    for (; i + 8 <= count; i += 8) {
        std::byte* at = row + std::size_t(i) * 4;
        const __m256i pixels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
        const __m256i same = _mm256_cmpeq_epi32(pixels, _mm256_set1_epi32(static_cast<int>(memo.from)));
        if (_mm256_movemask_epi8(same) == -1) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(at), _mm256_set1_epi32(static_cast<int>(memo.to)));
            continue;
        }
        for (int k = 0; k < 8; ++k) {
            MapOne(at + 4 * k, memo, t);
        }
    }
    for (; i < count; ++i) {
        MapOne(row + std::size_t(i) * 4, memo, t);
    }
}
#else
void MapRowScalar(std::byte* row, int count, const ByteTables& t)
{
    Memo memo{0, MapPixel(0, t)};
    for (int i = 0; i < count; ++i) {
        MapOne(row + std::size_t(i) * 4, memo, t);
    }
}
#endif

using RowRoutine = void (*)(std::byte*, int, const ByteTables&);

RowRoutine ChooseRowRoutine()
{
#if D3D11SW_X86
    return HasAvx2() ? &MapRowAvx2 : &MapRowSse2;
#else
    return &MapRowScalar;
#endif
}

}  // namespace

void MapPixelRow(std::byte* row, int count, const ByteTables& tables)
{
    static const RowRoutine routine = ChooseRowRoutine();
    routine(row, count, tables);
}

}  // namespace d3d11sw
