// Texture filtering: level selection from the level of detail, point and bilinear (and
// trilinear across levels) filtering, wrap, mirror, clamp and border addressing. One
// routine per fetch: the formats GUIs and images use read their texels inline, the rest
// through their codec.

#include "platform/d3d11/formats/ByteChannels.h"
#include "platform/d3d11/formats/FormatCodec.h"
#include "platform/d3d11/kernels/TextureBinding.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace d3d11sw {
namespace {

constexpr int kBorder = -1;

// floor() as an int, safe for any float (NaN gives 0).
int FloorToInt(float value)
{
    if (!(value > -1.0e9f && value < 1.0e9f)) {
        return value > 0.0f ? 1000000000 : (value < 0.0f ? -1000000000 : 0);
    }
    const int truncated = static_cast<int>(value);
    return truncated - (static_cast<float>(truncated) > value ? 1 : 0);
}

int Address(int index, int size, D3D11_TEXTURE_ADDRESS_MODE mode)
{
    if (index >= 0 && index < size) {
        return index;
    }
    switch (mode) {
    case D3D11_TEXTURE_ADDRESS_WRAP:
        return ((index % size) + size) % size;
    case D3D11_TEXTURE_ADDRESS_MIRROR: {
        const int period = 2 * size;
        const int folded = ((index % period) + period) % period;
        return folded < size ? folded : period - 1 - folded;
    }
    case D3D11_TEXTURE_ADDRESS_BORDER:
        return kBorder;
    default:
        return std::clamp(index, 0, size - 1);
    }
}

Float4 Lerp(const Float4& a, const Float4& b, float t) { return a + (b - a) * t; }

#if defined(__SSE2__)
// The words of four elements of four bytes.
inline __m128i Words(const std::byte* const e[4])
{
    std::int32_t w[4];
    for (int lane = 0; lane < 4; ++lane) {
        std::memcpy(&w[lane], e[lane], 4);
    }
    return _mm_setr_epi32(w[0], w[1], w[2], w[3]);
}

// Byte `i` of four words as k / 255, which is UnormFromByte's value.
inline __m128 UnormChannel(__m128i words, int i)
{
    const __m128i bytes = _mm_and_si128(_mm_srl_epi32(words, _mm_cvtsi32_si128(8 * i)), _mm_set1_epi32(0xFF));
    return _mm_div_ps(_mm_cvtepi32_ps(bytes), _mm_set1_ps(255.0f));
}
#endif

struct FetchRgba8Unorm {
    static constexpr bool kFinite = true;
    static constexpr UINT kBytes = 4;
    Float4 operator()(const std::byte* e) const
    {
        std::uint8_t b[4];
        std::memcpy(b, e, 4);
        return {UnormFromByte(b[0]), UnormFromByte(b[1]), UnormFromByte(b[2]), UnormFromByte(b[3])};
    }
#if defined(__SSE2__)
    // The channels of four elements, one vector each.
    void Gather(const std::byte* const e[4], __m128 c[4]) const
    {
        const __m128i words = Words(e);
        for (int i = 0; i < 4; ++i) {
            c[i] = UnormChannel(words, i);
        }
    }
#endif
};

struct FetchRgba8Srgb {
    static constexpr bool kFinite = true;
    static constexpr UINT kBytes = 4;
    Float4 operator()(const std::byte* e) const
    {
        std::uint8_t b[4];
        std::memcpy(b, e, 4);
        return {LinearFromSrgbByte(b[0]), LinearFromSrgbByte(b[1]), LinearFromSrgbByte(b[2]), UnormFromByte(b[3])};
    }
#if defined(__SSE2__)
    void Gather(const std::byte* const e[4], __m128 c[4]) const
    {
        std::uint8_t b[4][4];
        for (int lane = 0; lane < 4; ++lane) {
            std::memcpy(b[lane], e[lane], 4);
        }
        for (int i = 0; i < 3; ++i) {
            c[i] = _mm_setr_ps(LinearFromSrgbByte(b[0][i]), LinearFromSrgbByte(b[1][i]), LinearFromSrgbByte(b[2][i]),
                               LinearFromSrgbByte(b[3][i]));
        }
        c[3] = _mm_setr_ps(UnormFromByte(b[0][3]), UnormFromByte(b[1][3]), UnormFromByte(b[2][3]), UnormFromByte(b[3][3]));
    }
#endif
};

struct FetchR8Unorm {
    static constexpr bool kFinite = true;
    static constexpr UINT kBytes = 1;
    Float4 operator()(const std::byte* e) const
    {
        return {UnormFromByte(static_cast<std::uint8_t>(*e)), 0.0f, 0.0f, 1.0f};
    }
#if defined(__SSE2__)
    void Gather(const std::byte* const e[4], __m128 c[4]) const
    {
        const __m128i bytes = _mm_setr_epi32(static_cast<int>(e[0][0]), static_cast<int>(e[1][0]),
                                             static_cast<int>(e[2][0]), static_cast<int>(e[3][0]));
        c[0] = _mm_div_ps(_mm_cvtepi32_ps(bytes), _mm_set1_ps(255.0f));
        c[1] = c[2] = _mm_setzero_ps();
        c[3] = _mm_set1_ps(1.0f);
    }
#endif
};

struct FetchR32Float {
    static constexpr bool kFinite = false;
    static constexpr UINT kBytes = 4;
    Float4 operator()(const std::byte* e) const
    {
        float value;
        std::memcpy(&value, e, 4);
        return {value, 0.0f, 0.0f, 1.0f};
    }
#if defined(__SSE2__)
    void Gather(const std::byte* const e[4], __m128 c[4]) const
    {
        c[0] = _mm_castsi128_ps(Words(e));
        c[1] = c[2] = _mm_setzero_ps();
        c[3] = _mm_set1_ps(1.0f);
    }
#endif
};

// The codec's loader; its element size comes with the texture.
struct FetchGeneral {
    static constexpr bool kFinite = false;
    TextureBinding::Load load;
    UINT bytes;
    Float4 operator()(const std::byte* e) const { return load(e); }
#if defined(__SSE2__)
    void Gather(const std::byte* const e[4], __m128 c[4]) const
    {
        __m128 r[4];
        for (int lane = 0; lane < 4; ++lane) {
            const Float4 value = load(e[lane]);
            r[lane] = _mm_loadu_ps(&value.x);
        }
        _MM_TRANSPOSE4_PS(r[0], r[1], r[2], r[3]);
        for (int i = 0; i < 4; ++i) {
            c[i] = r[i];
        }
    }
#endif
};

template <class Fetch>
UINT ElementBytes(const Fetch&)
{
    return Fetch::kBytes;
}
UINT ElementBytes(const FetchGeneral& fetch) { return fetch.bytes; }

// Filtering of one texture with one fetch.
template <class Fetch>
class Filtering {
public:
    Filtering(const TextureBinding& texture, const SamplerBinding& sampler, Fetch fetch)
        : texture_(texture), sampler_(sampler), fetch_(fetch), bytes_(ElementBytes(fetch)),
          is3D_(texture.GetKind() == TextureBinding::Kind::Texture3D),
          isArray_(texture.GetKind() == TextureBinding::Kind::Texture2DArray)
    {
    }

    void Run(const Float4* coords, int lanes, float lod, Float4* out) const
    {
        lod += sampler_.mipLodBias;
        lod = std::clamp(lod, sampler_.minLod, sampler_.maxLod);
        if (!(lod == lod)) {
            lod = 0.0f;
        }
        const bool magnified = lod <= 0.0f;
        const bool linear = magnified ? sampler_.magLinear : sampler_.minLinear;
        const UINT levels = texture_.Levels();
        const float clamped = std::clamp(lod, 0.0f, static_cast<float>(levels - 1));
        if (sampler_.mipLinear && !magnified) {
            const float lower = std::floor(clamped);
            const auto level = static_cast<UINT>(lower);
            const float weight = clamped - lower;
            Levels(coords, lanes, level, linear, out);
            if (weight > 0.0f) {
                Float4 upper[4];
                Levels(coords, lanes, std::min(level + 1, levels - 1), linear, upper);
                for (int lane = 0; lane < lanes; ++lane) {
                    out[lane] = Lerp(out[lane], upper[lane], weight);
                }
            }
            return;
        }
        const auto level = magnified ? 0u : static_cast<UINT>(std::floor(clamped + 0.5f));
        Levels(coords, lanes, std::min(level, levels - 1), linear, out);
    }

    // One level: array slices differ per lane; other textures read one level.
    void Levels(const Float4* coords, int lanes, UINT level, bool linear, Float4* out) const
    {
        const TextureLevel first = texture_.Level(level, isArray_ ? Layer(coords[0]) : 0);
#if defined(__SSE2__)
        if (lanes == 4 && !isArray_ && !is3D_ && (linear ? BilinearQuad(coords, first, out) : PointQuad(coords, first, out))) {
            return;
        }
#endif
        for (int lane = 0; lane < lanes; ++lane) {
            const TextureLevel texels =
                (isArray_ && Layer(coords[lane]) != Layer(coords[0])) ? texture_.Level(level, Layer(coords[lane])) : first;
            out[lane] = linear ? Bilinear(coords[lane], texels) : Point(coords[lane], texels);
        }
    }

    UINT Layer(const Float4& coord) const
    {
        return static_cast<UINT>(std::clamp(FloorToInt(coord.z + 0.5f), 0, static_cast<int>(texture_.Slices()) - 1));
    }

    Float4 Texel(const TextureLevel& texels, int x, int y, int z) const
    {
        if (x == kBorder || y == kBorder || z == kBorder) {
            return sampler_.border;
        }
        return fetch_(texels.data + std::size_t{texels.depthPitch} * static_cast<UINT>(z) +
                      std::size_t{texels.rowPitch} * static_cast<UINT>(y) + std::size_t{static_cast<UINT>(x)} * bytes_);
    }

    Float4 Point(const Float4& coord, const TextureLevel& texels) const
    {
        // Inside the texture no addressing applies (NaN fails the test).
        const float u = coord.x * texels.width;
        const float v = coord.y * texels.height;
        if (!is3D_ && u >= 0.0f && v >= 0.0f && u < static_cast<float>(texels.width) &&
            v < static_cast<float>(texels.height)) {
            return fetch_(texels.data + std::size_t{texels.rowPitch} * static_cast<UINT>(v) +
                          std::size_t{static_cast<UINT>(u)} * bytes_);
        }
        const int x = Address(FloorToInt(coord.x * texels.width), texels.width, sampler_.address[0]);
        const int y = Address(FloorToInt(coord.y * texels.height), texels.height, sampler_.address[1]);
        const int z = is3D_ ? Address(FloorToInt(coord.z * texels.depth), texels.depth, sampler_.address[2]) : 0;
        return Texel(texels, x, y, z);
    }

    // The most detailed level at 2D coordinates given per pixel of `quads` quads.
    void SpanTop(const float* u, const float* v, int quads, bool linear, SpanFloat4& out) const
    {
        const TextureLevel texels = texture_.Level(0, 0);
        for (int quad = 0; quad < quads; ++quad) {
            const float* qu = u + 4 * quad;
            const float* qv = v + 4 * quad;
            Float4 result[4];
#if defined(__SSE2__)
            const __m128 x = _mm_load_ps(qu);
            const __m128 y = _mm_load_ps(qv);
            __m128 c[4];
            if (!isArray_ && !is3D_ && (linear ? BilinearChannels(x, y, texels, c) : PointChannels(x, y, texels, c))) {
                for (int i = 0; i < 4; ++i) {
                    _mm_store_ps(out[i].lane + 4 * quad, c[i]);
                }
                continue;
            }
#endif
            const Float4 coords[4] = {{qu[0], qv[0], 0.0f, 0.0f}, {qu[1], qv[1], 0.0f, 0.0f},
                                      {qu[2], qv[2], 0.0f, 0.0f}, {qu[3], qv[3], 0.0f, 0.0f}};
            Levels(coords, 4, 0, linear, result);
#if defined(__SSE2__)
            __m128 r0 = _mm_loadu_ps(&result[0].x);
            __m128 r1 = _mm_loadu_ps(&result[1].x);
            __m128 r2 = _mm_loadu_ps(&result[2].x);
            __m128 r3 = _mm_loadu_ps(&result[3].x);
            _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
            _mm_store_ps(out.x.lane + 4 * quad, r0);
            _mm_store_ps(out.y.lane + 4 * quad, r1);
            _mm_store_ps(out.z.lane + 4 * quad, r2);
            _mm_store_ps(out.w.lane + 4 * quad, r3);
#else
            for (int lane = 0; lane < 4; ++lane) {
                for (int c = 0; c < 4; ++c) {
                    out[c][4 * quad + lane] = result[lane][c];
                }
            }
#endif
        }
    }

private:
#if defined(__SSE2__)
    // The x and the y of four coordinates.
    static void Columns(const Float4* coords, __m128& x, __m128& y)
    {
        __m128 r0 = _mm_loadu_ps(&coords[0].x);
        __m128 r1 = _mm_loadu_ps(&coords[1].x);
        __m128 r2 = _mm_loadu_ps(&coords[2].x);
        __m128 r3 = _mm_loadu_ps(&coords[3].x);
        _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
        x = r0;
        y = r1;
    }

    bool PointQuad(const Float4* coords, const TextureLevel& texels, Float4* out) const
    {
        __m128 x;
        __m128 y;
        Columns(coords, x, y);
        return PointXY(x, y, texels, out);
    }

    bool BilinearQuad(const Float4* coords, const TextureLevel& texels, Float4* out) const
    {
        __m128 x;
        __m128 y;
        Columns(coords, x, y);
        return BilinearXY(x, y, texels, out);
    }

    // Four lanes' results as four channel vectors.
    static void Store(const __m128 c[4], Float4* out)
    {
        __m128 r0 = c[0];
        __m128 r1 = c[1];
        __m128 r2 = c[2];
        __m128 r3 = c[3];
        _MM_TRANSPOSE4_PS(r0, r1, r2, r3);
        _mm_storeu_ps(&out[0].x, r0);
        _mm_storeu_ps(&out[1].x, r1);
        _mm_storeu_ps(&out[2].x, r2);
        _mm_storeu_ps(&out[3].x, r3);
    }

    bool PointXY(__m128 x, __m128 y, const TextureLevel& texels, Float4* out) const
    {
        __m128 c[4];
        if (!PointChannels(x, y, texels, c)) {
            return false;
        }
        Store(c, out);
        return true;
    }

    bool BilinearXY(__m128 x, __m128 y, const TextureLevel& texels, Float4* out) const
    {
        __m128 c[4];
        if (!BilinearChannels(x, y, texels, c)) {
            return false;
        }
        Store(c, out);
        return true;
    }

    // Four lanes at once when all of them read texels inside the level, with the arithmetic
    // of Point and Bilinear, as a vector per channel; false leaves them to those.
    bool PointChannels(__m128 x, __m128 y, const TextureLevel& texels, __m128 c[4]) const
    {
        const __m128 width = _mm_set1_ps(static_cast<float>(texels.width));
        const __m128 height = _mm_set1_ps(static_cast<float>(texels.height));
        const __m128 u = _mm_mul_ps(x, width);
        const __m128 v = _mm_mul_ps(y, height);
        const __m128 zero = _mm_setzero_ps();
        const __m128 inside = _mm_and_ps(_mm_and_ps(_mm_cmpge_ps(u, zero), _mm_cmpge_ps(v, zero)),
                                         _mm_and_ps(_mm_cmplt_ps(u, width), _mm_cmplt_ps(v, height)));
        if (_mm_movemask_ps(inside) != 0xF) {
            return false;
        }
        alignas(16) std::int32_t columns[4];
        alignas(16) std::int32_t rows[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(columns), _mm_cvttps_epi32(u));
        _mm_store_si128(reinterpret_cast<__m128i*>(rows), _mm_cvttps_epi32(v));
        const std::byte* elements[4];
        for (int lane = 0; lane < 4; ++lane) {
            elements[lane] = texels.data + std::size_t{texels.rowPitch} * static_cast<UINT>(rows[lane]) +
                             std::size_t{static_cast<UINT>(columns[lane])} * bytes_;
        }
        fetch_.Gather(elements, c);
        return true;
    }

    bool BilinearChannels(__m128 x, __m128 y, const TextureLevel& texels, __m128 out[4]) const
    {
        const __m128 half = _mm_set1_ps(0.5f);
        const __m128 u = _mm_sub_ps(_mm_mul_ps(x, _mm_set1_ps(static_cast<float>(texels.width))), half);
        const __m128 v = _mm_sub_ps(_mm_mul_ps(y, _mm_set1_ps(static_cast<float>(texels.height))), half);
        const __m128 low = _mm_set1_ps(-1.0e9f);
        const __m128 high = _mm_set1_ps(1.0e9f);
        const __m128 inRange = _mm_and_ps(_mm_and_ps(_mm_cmpgt_ps(u, low), _mm_cmplt_ps(u, high)),
                                          _mm_and_ps(_mm_cmpgt_ps(v, low), _mm_cmplt_ps(v, high)));
        if (_mm_movemask_ps(inRange) != 0xF) {
            return false;
        }
        auto floorOf = [](__m128 value) {
            const __m128i truncated = _mm_cvttps_epi32(value);
            return _mm_add_epi32(truncated, _mm_castps_si128(_mm_cmpgt_ps(_mm_cvtepi32_ps(truncated), value)));
        };
        const __m128i x0 = floorOf(u);
        const __m128i y0 = floorOf(v);
        const __m128i minusOne = _mm_set1_epi32(-1);
        const __m128i inside = _mm_and_si128(
            _mm_and_si128(_mm_cmpgt_epi32(x0, minusOne), _mm_cmplt_epi32(_mm_sub_epi32(x0, minusOne), _mm_set1_epi32(texels.width))),
            _mm_and_si128(_mm_cmpgt_epi32(y0, minusOne), _mm_cmplt_epi32(_mm_sub_epi32(y0, minusOne), _mm_set1_epi32(texels.height))));
        if (_mm_movemask_ps(_mm_castsi128_ps(inside)) != 0xF) {
            return false;
        }
        const __m128 fx = _mm_sub_ps(u, _mm_cvtepi32_ps(x0));
        const __m128 fy = _mm_sub_ps(v, _mm_cvtepi32_ps(y0));
        alignas(16) std::int32_t columns[4];
        alignas(16) std::int32_t rows[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(columns), x0);
        _mm_store_si128(reinterpret_cast<__m128i*>(rows), y0);
        const std::byte* topLeft[4];
        for (int lane = 0; lane < 4; ++lane) {
            topLeft[lane] = texels.data + std::size_t{texels.rowPitch} * static_cast<UINT>(rows[lane]) +
                            std::size_t{static_cast<UINT>(columns[lane])} * bytes_;
        }
        __m128 a[4];
        fetch_.Gather(topLeft, a);
        // At a texel's centre Bilinear takes the texel of a finite fetch (an image drawn at
        // its size); the lerps below give it too, for more work.
        if (Fetch::kFinite && _mm_movemask_ps(_mm_and_ps(_mm_cmpeq_ps(fx, _mm_setzero_ps()),
                                                         _mm_cmpeq_ps(fy, _mm_setzero_ps()))) == 0xF) {
            for (int i = 0; i < 4; ++i) {
                out[i] = a[i];
            }
            return true;
        }
        const std::byte* topRight[4];
        const std::byte* bottomLeft[4];
        const std::byte* bottomRight[4];
        for (int lane = 0; lane < 4; ++lane) {
            topRight[lane] = topLeft[lane] + bytes_;
            bottomLeft[lane] = topLeft[lane] + texels.rowPitch;
            bottomRight[lane] = bottomLeft[lane] + bytes_;
        }
        __m128 b[4];
        __m128 c[4];
        __m128 d[4];
        fetch_.Gather(topRight, b);
        fetch_.Gather(bottomLeft, c);
        fetch_.Gather(bottomRight, d);
        // Lerp(Lerp(a, b, fx), Lerp(c, d, fx), fy) per channel.
        for (int i = 0; i < 4; ++i) {
            const __m128 top = _mm_add_ps(a[i], _mm_mul_ps(_mm_sub_ps(b[i], a[i]), fx));
            const __m128 bottom = _mm_add_ps(c[i], _mm_mul_ps(_mm_sub_ps(d[i], c[i]), fx));
            out[i] = _mm_add_ps(top, _mm_mul_ps(_mm_sub_ps(bottom, top), fy));
        }
        return true;
    }
#endif

    Float4 Bilinear(const Float4& coord, const TextureLevel& texels) const
    {
        const float u = coord.x * texels.width - 0.5f;
        const float v = coord.y * texels.height - 0.5f;
        const int x0 = FloorToInt(u);
        const int y0 = FloorToInt(v);
        const float fx = u - static_cast<float>(x0);
        const float fy = v - static_cast<float>(y0);
        if (!is3D_ && x0 >= 0 && y0 >= 0 && x0 + 1 < texels.width && y0 + 1 < texels.height) {
            const std::byte* top = texels.data + std::size_t{texels.rowPitch} * static_cast<UINT>(y0) +
                                   std::size_t{static_cast<UINT>(x0)} * bytes_;
            // At a texel's centre (an image drawn at its size) the weights of the others are
            // 0; the lerps would give this texel exactly, its values being finite.
            if (Fetch::kFinite && fx == 0.0f && fy == 0.0f) {
                return fetch_(top);
            }
            const std::byte* bottom = top + texels.rowPitch;
            return Lerp(Lerp(fetch_(top), fetch_(top + bytes_), fx), Lerp(fetch_(bottom), fetch_(bottom + bytes_), fx), fy);
        }
        const int xa = Address(x0, texels.width, sampler_.address[0]);
        const int xb = Address(x0 + 1, texels.width, sampler_.address[0]);
        const int ya = Address(y0, texels.height, sampler_.address[1]);
        const int yb = Address(y0 + 1, texels.height, sampler_.address[1]);
        auto plane = [&](int z) {
            return Lerp(Lerp(Texel(texels, xa, ya, z), Texel(texels, xb, ya, z), fx),
                        Lerp(Texel(texels, xa, yb, z), Texel(texels, xb, yb, z), fx), fy);
        };
        if (!is3D_) {
            return plane(0);
        }
        const float w = coord.z * texels.depth - 0.5f;
        const int z0 = FloorToInt(w);
        const float fz = w - static_cast<float>(z0);
        return Lerp(plane(Address(z0, texels.depth, sampler_.address[2])),
                    plane(Address(z0 + 1, texels.depth, sampler_.address[2])), fz);
    }

    const TextureBinding& texture_;
    const SamplerBinding& sampler_;
    Fetch fetch_;
    UINT bytes_;
    bool is3D_;
    bool isArray_;
};

template <class Fetch>
void FilterWith(const TextureBinding& texture, const SamplerBinding& sampler, const Float4* coords, int lanes,
                float lod, Float4* out)
{
    Filtering<Fetch>(texture, sampler, Fetch{}).Run(coords, lanes, lod, out);
}

template <class Fetch>
void TopWith(const TextureBinding& texture, const SamplerBinding& sampler, const Float4* coords, int lanes, bool linear,
             Float4* out)
{
    Filtering<Fetch>(texture, sampler, Fetch{}).Levels(coords, lanes, 0, linear, out);
}

template <class Fetch>
void TopSpanWith(const TextureBinding& texture, const SamplerBinding& sampler, const float* u, const float* v,
                 int quads, bool linear, SpanFloat4& out)
{
    Filtering<Fetch>(texture, sampler, Fetch{}).SpanTop(u, v, quads, linear, out);
}

void TopSpanGeneral(const TextureBinding& texture, const SamplerBinding& sampler, const float* u, const float* v,
                    int quads, bool linear, SpanFloat4& out)
{
    const FetchGeneral fetch{TextureFilters::GeneralLoad(texture), TextureFilters::ElementBytes(texture)};
    Filtering<FetchGeneral>(texture, sampler, fetch).SpanTop(u, v, quads, linear, out);
}

void TopGeneral(const TextureBinding& texture, const SamplerBinding& sampler, const Float4* coords, int lanes,
                bool linear, Float4* out)
{
    const FetchGeneral fetch{TextureFilters::GeneralLoad(texture), TextureFilters::ElementBytes(texture)};
    Filtering<FetchGeneral>(texture, sampler, fetch).Levels(coords, lanes, 0, linear, out);
}

void FilterGeneral(const TextureBinding& texture, const SamplerBinding& sampler, const Float4* coords, int lanes,
                   float lod, Float4* out)
{
    const FetchGeneral fetch{TextureFilters::GeneralLoad(texture), TextureFilters::ElementBytes(texture)};
    Filtering<FetchGeneral>(texture, sampler, fetch).Run(coords, lanes, lod, out);
}

}  // namespace

TextureBinding::FilterRoutine TextureFilters::For(DXGI_FORMAT format)
{
    switch (format) {
    case DXGI_FORMAT_R8G8B8A8_UNORM: return &FilterWith<FetchRgba8Unorm>;
    case DXGI_FORMAT_R8G8B8A8_UNORM_SRGB: return &FilterWith<FetchRgba8Srgb>;
    case DXGI_FORMAT_R8_UNORM: return &FilterWith<FetchR8Unorm>;
    case DXGI_FORMAT_R32_FLOAT: return &FilterWith<FetchR32Float>;
    default: return CodecOf(format).load ? &FilterGeneral : nullptr;
    }
}

TextureBinding::TopRoutine TextureFilters::TopFor(DXGI_FORMAT format)
{
    switch (format) {
    case DXGI_FORMAT_R8G8B8A8_UNORM: return &TopWith<FetchRgba8Unorm>;
    case DXGI_FORMAT_R8G8B8A8_UNORM_SRGB: return &TopWith<FetchRgba8Srgb>;
    case DXGI_FORMAT_R8_UNORM: return &TopWith<FetchR8Unorm>;
    case DXGI_FORMAT_R32_FLOAT: return &TopWith<FetchR32Float>;
    default: return CodecOf(format).load ? &TopGeneral : nullptr;
    }
}

}  // namespace d3d11sw

namespace d3d11sw {

TextureBinding::TopSpanRoutine TextureFilters::TopSpanFor(DXGI_FORMAT format)
{
    switch (format) {
    case DXGI_FORMAT_R8G8B8A8_UNORM: return &TopSpanWith<FetchRgba8Unorm>;
    case DXGI_FORMAT_R8G8B8A8_UNORM_SRGB: return &TopSpanWith<FetchRgba8Srgb>;
    case DXGI_FORMAT_R8_UNORM: return &TopSpanWith<FetchR8Unorm>;
    case DXGI_FORMAT_R32_FLOAT: return &TopSpanWith<FetchR32Float>;
    default: return CodecOf(format).load ? &TopSpanGeneral : nullptr;
    }
}

}  // namespace d3d11sw
