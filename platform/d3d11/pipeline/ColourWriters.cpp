#include "platform/d3d11/pipeline/ColourWriters.h"

#include "platform/d3d11/formats/ByteChannels.h"
#include "platform/d3d11/simd/PixelRows.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace d3d11sw {
namespace {

using Shortcut = BlendEquation::Shortcut;

// The blend equations with routines of their own.
enum class Equation { Replace, OverAdd, OverOver, Add, General };

Float4 Clamp(const Float4& value, float low)
{
    auto one = [low](float v) { return v > low ? (v < 1.0f ? v : 1.0f) : low; };  // NaN goes low
    return {one(value.x), one(value.y), one(value.z), one(value.w)};
}

// Calls f(quad, lane, element) for every live lane of the span, with the address of its
// element in the target.
template <class F, class Skip = bool (*)(int)>
void ForEachLive(const Surface& surface, const PixelSpan& span, F f, Skip skip = [](int) { return false; })
{
    const auto y = static_cast<UINT>(span.Y());
    std::byte* rows[2] = {surface.Element(0, y), y + 1 < surface.height ? surface.Element(0, y + 1) : nullptr};
    const std::size_t bytes = surface.elementBytes;
    for (int quad = 0; quad < span.Count(); ++quad) {
        const UINT lanes = span.Live(quad);
        if (lanes == 0 || skip(quad)) {
            continue;
        }
        const std::size_t offset = static_cast<std::size_t>(span.X(quad)) * bytes;
        for (int lane = 0; lane < 4; ++lane) {
            if (lanes & (1u << lane)) {
                f(quad, lane, rows[lane >> 1] + offset + ((lane & 1) ? bytes : 0));
            }
        }
    }
}

// ---- 8-bit four-channel targets ----------------------------------------------------------

template <bool Srgb>
float DecodeColour(std::uint8_t byte)
{
    return Srgb ? LinearFromSrgbByte(byte) : UnormFromByte(byte);
}

template <bool Srgb>
std::uint8_t EncodeColour(float value)
{
    return Srgb ? SrgbByte(value) : UnormByte(value);
}

// The blend of a source (clamped to [0, 1]) over the stored bytes, in the arithmetic of
// BlendEquation::Apply for the equations with routines of their own.
template <Equation E>
float BlendColour(float s, float sourceAlpha, float d)
{
    if constexpr (E == Equation::Add) {
        return s + d;
    } else {
        const float keep = 1.0f - sourceAlpha;
        return s * sourceAlpha + d * keep;
    }
}

template <Equation E>
float BlendAlpha(float s, float d)
{
    if constexpr (E == Equation::OverOver) {
        return s * s + d * (1.0f - s);
    } else {
        return s + d;
    }
}

// Byte i of an element holds channel kChannel[i] (BGRA swaps red and blue).
template <bool Swap>
constexpr int kChannel[4] = {Swap ? 2 : 0, 1, Swap ? 0 : 2, 3};

// For a source that is the same in many lanes, each stored byte gives the written byte
// through a table: the channels blend independently in these equations.
struct SourceTable {
    Float4 source{};
    bool valid = false;
    std::uint8_t bytes[4][256];
};

template <bool Srgb, bool Swap, Equation E>
void BuildTable(SourceTable& table, const Float4& s)
{
    for (int i = 0; i < 4; ++i) {
        const int channel = kChannel<Swap>[i];
        for (int stored = 0; stored < 256; ++stored) {
            const auto byte = static_cast<std::uint8_t>(stored);
            table.bytes[i][stored] = channel == 3 ? UnormByte(BlendAlpha<E>(s.w, UnormFromByte(byte)))
                                                  : EncodeColour<Srgb>(BlendColour<E>(s[channel], s.w, DecodeColour<Srgb>(byte)));
        }
    }
    table.source = s;
    table.valid = true;
}

// A few tables per raster thread, for the few colours a frame of rectangles uses.
template <bool Srgb, bool Swap, Equation E>
const SourceTable& TableFor(const Float4& s)
{
    constexpr int kTables = 4;
    thread_local std::array<SourceTable, kTables> tables;
    thread_local int next = 0;
    for (const SourceTable& table : tables) {
        if (table.valid && std::memcmp(&table.source, &s, sizeof(Float4)) == 0) {
            return table;
        }
    }
    SourceTable& table = tables[next];
    next = (next + 1) % kTables;
    BuildTable<Srgb, Swap, E>(table, s);
    return table;
}

// Whether every live lane has one output, and which; spans shorter than this build no
// table.
constexpr int kTableQuads = 8;

bool Same(const Float4& a, const Float4& b) { return std::memcmp(&a, &b, sizeof(Float4)) == 0; }

bool UniformSource(const PixelSpan& span, UINT slot, Float4& source)
{
    bool found = false;
    for (int quad = 0; quad < span.Count(); ++quad) {
        const UINT lanes = span.Live(quad);
        if (lanes == 0) {
            continue;
        }
        const Quad<Float4>& outputs = span.Target(quad, slot);
        if (!found) {
            source = outputs[std::countr_zero(lanes)];
            found = true;
        }
        UINT equal = 0;
        for (int lane = 0; lane < 4; ++lane) {
            equal |= (Same(source, outputs[lane]) ? 1u : 0u) << lane;
        }
        if ((equal & lanes) != lanes) {
            return false;
        }
    }
    return found;
}

#if defined(__SSE2__)
// A stored element as the channels' values, red to alpha.
template <bool Srgb, bool Swap>
__m128 DecodeStored(const std::byte* element)
{
    if constexpr (Srgb) {
        std::uint8_t stored[4];
        std::memcpy(stored, element, 4);
        return _mm_setr_ps(LinearFromSrgbByte(stored[kChannel<Swap>[0]]), LinearFromSrgbByte(stored[1]),
                           LinearFromSrgbByte(stored[kChannel<Swap>[2]]), UnormFromByte(stored[3]));
    } else {
        // k / 255 as the table holds it.
        std::int32_t word;
        std::memcpy(&word, element, 4);
        const __m128i zero = _mm_setzero_si128();
        const __m128i ints = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(word), zero), zero);
        const __m128 values = _mm_div_ps(_mm_cvtepi32_ps(ints), _mm_set1_ps(255.0f));
        return Swap ? _mm_shuffle_ps(values, values, _MM_SHUFFLE(3, 0, 1, 2)) : values;
    }
}

// The element of channel values, red to alpha, as UnormByte and SrgbByte give it.
template <bool Srgb, bool Swap>
std::uint32_t EncodeStored(__m128 values)
{
    const __m128 saturated = _mm_min_ps(_mm_max_ps(values, _mm_setzero_ps()), _mm_set1_ps(1.0f));
    const __m128 ordered = Swap ? _mm_shuffle_ps(saturated, saturated, _MM_SHUFFLE(3, 0, 1, 2)) : saturated;
    const __m128i ints = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(ordered, _mm_set1_ps(255.0f)), _mm_set1_ps(0.5f)));
    const __m128i words = _mm_packs_epi32(ints, ints);
    auto word = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
    if constexpr (Srgb) {
        // The colour channels through the curve; SrgbByte of a saturated value is that of
        // the value.
        alignas(16) float channels[4];
        _mm_store_ps(channels, ordered);
        word = (word & 0xFF000000u) | std::uint32_t{SrgbByte(channels[0])} | std::uint32_t{SrgbByte(channels[1])} << 8 |
               std::uint32_t{SrgbByte(channels[2])} << 16;
    }
    return word;
}
#endif

#if defined(__SSE2__)
// The four lanes of a quad at once, one vector per channel.
struct QuadChannels {
    __m128 c[4];  // red, green, blue, alpha
};

// sRGB bytes of four saturated values, as SrgbByte gives them.
inline __m128i SrgbBytes(__m128 saturated)
{
    alignas(16) std::int32_t steps[4];
    alignas(16) float values[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(steps), _mm_cvttps_epi32(_mm_mul_ps(saturated, _mm_set1_ps(4095.0f))));
    _mm_store_ps(values, saturated);
    alignas(16) std::int32_t guesses[4];
    alignas(16) float thresholds[4];
    for (int lane = 0; lane < 4; ++lane) {
        guesses[lane] = kByteChannels.guess[static_cast<std::size_t>(steps[lane])];
        thresholds[lane] = kByteChannels.thresholds[static_cast<std::size_t>(guesses[lane]) + 1];
    }
    const __m128i above = _mm_castps_si128(_mm_cmpge_ps(saturated, _mm_load_ps(thresholds)));
    return _mm_sub_epi32(_mm_load_si128(reinterpret_cast<const __m128i*>(guesses)), above);
}

// The channels of four stored elements (lane order), as the tables decode them.
template <bool Srgb, bool Swap>
QuadChannels DecodeQuad(__m128i words)
{
    QuadChannels d;
    const __m128i low = _mm_set1_epi32(0xFF);
    for (int i = 0; i < 4; ++i) {
        const __m128i bytes = _mm_and_si128(_mm_srli_epi32(words, 8 * i), low);
        const int channel = kChannel<Swap>[i];
        if (Srgb && channel != 3) {
            alignas(16) std::int32_t index[4];
            _mm_store_si128(reinterpret_cast<__m128i*>(index), bytes);
            d.c[channel] = _mm_setr_ps(LinearFromSrgbByte(static_cast<std::uint8_t>(index[0])),
                                       LinearFromSrgbByte(static_cast<std::uint8_t>(index[1])),
                                       LinearFromSrgbByte(static_cast<std::uint8_t>(index[2])),
                                       LinearFromSrgbByte(static_cast<std::uint8_t>(index[3])));
        } else {
            d.c[channel] = _mm_div_ps(_mm_cvtepi32_ps(bytes), _mm_set1_ps(255.0f));
        }
    }
    return d;
}

template <bool Srgb, bool Swap>
__m128i EncodeQuad(const QuadChannels& result)
{
    __m128i words = _mm_setzero_si128();
    for (int i = 0; i < 4; ++i) {
        const int channel = kChannel<Swap>[i];
        const __m128 saturated = _mm_min_ps(_mm_max_ps(result.c[channel], _mm_setzero_ps()), _mm_set1_ps(1.0f));
        const __m128i bytes = Srgb && channel != 3
                                  ? SrgbBytes(saturated)
                                  : _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(saturated, _mm_set1_ps(255.0f)), _mm_set1_ps(0.5f)));
        words = _mm_or_si128(words, _mm_slli_epi32(bytes, 8 * i));
    }
    return words;
}

// Quad after quad, the four lanes as vectors of one channel, for the equations with
// routines of their own; the lanes' bytes are those of WriteLanes.
template <bool Srgb, bool Swap, Equation E>
void WriteQuads(const ColourTarget& target, const PixelSpan& span, UINT slot)
{
    constexpr bool kOver = E == Equation::OverAdd || E == Equation::OverOver;
    const Surface& surface = target.surface;
    const auto y = static_cast<UINT>(span.Y());
    std::byte* rows[2] = {surface.Element(0, y), y + 1 < surface.height ? surface.Element(0, y + 1) : nullptr};
    const __m128 zero = _mm_setzero_ps();
    const __m128 one = _mm_set1_ps(1.0f);
    for (int quad = 0; quad < span.Count(); ++quad) {
        UINT lanes = span.Live(quad);
        if (lanes == 0) {
            continue;
        }
        const Quad<Float4>& outputs = span.Target(quad, slot);
        QuadChannels s;
        s.c[0] = _mm_loadu_ps(&outputs[0].x);
        s.c[1] = _mm_loadu_ps(&outputs[1].x);
        s.c[2] = _mm_loadu_ps(&outputs[2].x);
        s.c[3] = _mm_loadu_ps(&outputs[3].x);
        _MM_TRANSPOSE4_PS(s.c[0], s.c[1], s.c[2], s.c[3]);
        for (__m128& channel : s.c) {
            channel = _mm_min_ps(_mm_max_ps(channel, zero), one);  // NaN goes to 0
        }
        if constexpr (kOver) {
            // Alpha 0 leaves the stored bytes as they are.
            lanes &= static_cast<UINT>(_mm_movemask_ps(_mm_cmpneq_ps(s.c[3], zero)));
            if (lanes == 0) {
                continue;
            }
        }
        const auto x = static_cast<UINT>(span.X(quad));
        const bool pair = x + 1 < surface.width;  // the quad's right column lies inside the target
        std::byte* elements[4] = {rows[0] + std::size_t{x} * 4, rows[0] + std::size_t{x} * 4 + 4,
                                  rows[1] ? rows[1] + std::size_t{x} * 4 : nullptr,
                                  rows[1] ? rows[1] + std::size_t{x} * 4 + 4 : nullptr};
        QuadChannels result = s;
        if constexpr (E != Equation::Replace) {
            alignas(16) std::uint32_t stored[4] = {};
            for (int lane = 0; lane < 4; ++lane) {
                if (elements[lane] && (lane % 2 == 0 || pair)) {
                    std::memcpy(&stored[lane], elements[lane], 4);
                }
            }
            const QuadChannels d = DecodeQuad<Srgb, Swap>(_mm_load_si128(reinterpret_cast<const __m128i*>(stored)));
            if constexpr (kOver) {
                const __m128 alpha = s.c[3];
                const __m128 keep = _mm_sub_ps(one, alpha);
                for (int c = 0; c < 3; ++c) {
                    result.c[c] = _mm_add_ps(_mm_mul_ps(s.c[c], alpha), _mm_mul_ps(d.c[c], keep));
                }
                result.c[3] = E == Equation::OverAdd ? _mm_add_ps(alpha, d.c[3])
                                                     : _mm_add_ps(_mm_mul_ps(alpha, alpha), _mm_mul_ps(d.c[3], keep));
            } else {
                for (int c = 0; c < 4; ++c) {
                    result.c[c] = _mm_add_ps(s.c[c], d.c[c]);
                }
            }
        }
        alignas(16) std::uint32_t words[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(words), EncodeQuad<Srgb, Swap>(result));
        for (int lane = 0; lane < 4; ++lane) {
            if (lanes & (1u << lane)) {
                std::memcpy(elements[lane], &words[lane], 4);
            }
        }
    }
}
#endif

#if defined(__SSE2__)
// The results of recent pairs of a source and a stored element: text repeats a few
// coverages of one colour over one background. One per routine and raster thread.
struct BlendMemo {
    static constexpr int kEntries = 1024;
    struct Entry {
        alignas(16) float source[4];
        std::uint32_t stored;
        std::uint32_t result;
    };
    Entry entries[kEntries];
    // Lanes looked up lately: + 1 per miss, - 1 per hit. When the memo misses most of the
    // time (an image's colours), quads are blended as vectors instead, with a span of
    // lanes now and then to see whether that changed.
    int misses = 0;
    unsigned spans = 0;
    const ColourTarget* lastTarget = nullptr;

    bool PreferQuads(const ColourTarget& target)
    {
        // Each draw starts with the memo: an image's misses say nothing of the text after it.
        if (&target != lastTarget) {
            lastTarget = &target;
            misses = 0;
        }
        return misses > 64 && ++spans % 16 != 0;
    }
    void Hit() { misses = std::max(misses - 1, -64); }
    void Miss() { misses = std::min(misses + 1, 128); }

    BlendMemo()
    {
        for (Entry& entry : entries) {
            std::fill(entry.source, entry.source + 4, -1.0f);  // no clamped source
            entry.stored = 0;
            entry.result = 0;
        }
    }

    Entry& Find(__m128 source, std::uint32_t stored)
    {
        const auto red = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_castps_si128(source)));
        const auto alpha =
            static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_castps_si128(_mm_shuffle_ps(source, source, 0xFF))));
        const std::uint32_t hash = stored * 0x9E3779B1u ^ alpha * 0x85EBCA77u ^ red * 0xC2B2AE3Du;
        return entries[hash >> 22];
    }

    static bool Holds(const Entry& entry, __m128 source, std::uint32_t stored)
    {
        return entry.stored == stored && _mm_movemask_ps(_mm_cmpeq_ps(_mm_load_ps(entry.source), source)) == 0xF;
    }
};

template <bool Srgb, bool Swap, Equation E>
BlendMemo& MemoOf()
{
    thread_local BlendMemo memo;
    return memo;
}
#endif

#if defined(__SSE2__)
// The bytes the overlay's blend writes for a source (clamped) over a stored element: the
// element itself under alpha 0, the source's bytes under alpha 1, else the blend; through
// the memo.
template <bool Srgb, bool Swap, Equation E>
std::uint32_t OverLane(BlendMemo& memo, __m128 s, std::uint32_t stored)
{
    const float alpha = _mm_cvtss_f32(_mm_shuffle_ps(s, s, _MM_SHUFFLE(3, 3, 3, 3)));
    if (alpha == 0.0f) {
        return stored;
    }
    BlendMemo::Entry& entry = memo.Find(s, stored);
    if (BlendMemo::Holds(entry, s, stored)) {
        memo.Hit();
        return entry.result;
    }
    __m128 result = s;
    if (alpha != 1.0f) {
        memo.Miss();
        const __m128 d = DecodeStored<Srgb, Swap>(reinterpret_cast<const std::byte*>(&stored));
        const __m128 blended = _mm_add_ps(_mm_mul_ps(s, _mm_set1_ps(alpha)), _mm_mul_ps(d, _mm_set1_ps(1.0f - alpha)));
        if constexpr (E == Equation::OverAdd) {
            // Alpha adds.
            const __m128 sum = _mm_add_ps(s, d);
            const __m128 last = _mm_castsi128_ps(_mm_setr_epi32(0, 0, 0, -1));
            result = _mm_or_ps(_mm_andnot_ps(last, blended), _mm_and_ps(last, sum));
        } else {
            result = blended;
        }
    }
    const std::uint32_t bytes = EncodeStored<Srgb, Swap>(result);
    _mm_store_ps(entry.source, s);
    entry.stored = stored;
    entry.result = bytes;
    return bytes;
}

// Whole quads of text: the lanes of a glyph's quad share a colour and differ in alpha, and
// the same glyphs land on the same backgrounds again and again. The bytes of a quad's four
// lanes under (colour, four alphas, four stored elements); per routine and raster thread,
// made on first use.
struct QuadMemo {
    static constexpr int kEntries = 4096;
    struct Entry {
        __m128 colour;  // red, green, blue, 0
        __m128 alpha;
        __m128i stored;
        __m128i result;
    };
    std::vector<Entry> entries;

    QuadMemo() : entries(kEntries, Entry{_mm_set1_ps(-1.0f), _mm_set1_ps(-1.0f), _mm_setzero_si128(), _mm_setzero_si128()}) {}

    Entry& Find(__m128 colour, __m128 alpha, __m128i stored)
    {
        const __m128i alphaBits = _mm_castps_si128(alpha);
        const __m128i mixed = _mm_xor_si128(_mm_add_epi32(alphaBits, _mm_srli_epi32(alphaBits, 15)),
                                            _mm_add_epi32(stored, _mm_slli_epi32(stored, 9)));
        __m128i sums = _mm_madd_epi16(mixed, _mm_setr_epi16(0x3A1B, 0x0C4F, 0x5D27, 0x1E63, 0x2B95, 0x7F31, 0x4C0D, 0x6AB3));
        sums = _mm_add_epi32(sums, _mm_shuffle_epi32(sums, _MM_SHUFFLE(1, 0, 3, 2)));
        sums = _mm_add_epi32(sums, _mm_shuffle_epi32(sums, _MM_SHUFFLE(2, 3, 0, 1)));
        const auto red = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_castps_si128(colour)));
        const std::uint32_t hash = (static_cast<std::uint32_t>(_mm_cvtsi128_si32(sums)) ^ red * 0xC2B2AE3Du) * 0x9E3779B1u;
        return entries[hash >> 20];
    }

    static bool Holds(const Entry& entry, __m128 colour, __m128 alpha, __m128i stored)
    {
        const __m128 same = _mm_and_ps(_mm_and_ps(_mm_cmpeq_ps(entry.colour, colour), _mm_cmpeq_ps(entry.alpha, alpha)),
                                       _mm_castsi128_ps(_mm_cmpeq_epi32(entry.stored, stored)));
        return _mm_movemask_ps(same) == 0xF;
    }
};

template <bool Srgb, bool Swap, Equation E>
QuadMemo& QuadMemoOf()
{
    thread_local std::unique_ptr<QuadMemo> memo;
    if (!memo) {
        memo = std::make_unique<QuadMemo>();
    }
    return *memo;
}

// The live lanes of a quad inside the target (two elements from `top`, two from
// `bottom`) under the overlay's blend; lanes that are not live get their own bytes back.
template <bool Srgb, bool Swap, Equation E>
void WriteOverQuad(BlendMemo& memo, const Quad<Float4>& outputs, UINT lanes, std::byte* top, std::byte* bottom)
{
    const __m128 zero = _mm_setzero_ps();
    const __m128 one = _mm_set1_ps(1.0f);
    __m128 s[4];
    for (int lane = 0; lane < 4; ++lane) {
        s[lane] = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(&outputs[lane].x), zero), one);  // NaN goes to 0
    }
    const __m128i stored = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(top)),
                                              _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bottom)));
    const __m128i bit = _mm_setr_epi32(1, 2, 4, 8);
    const __m128i live = _mm_cmpeq_epi32(_mm_and_si128(_mm_set1_epi32(static_cast<int>(lanes)), bit), bit);
    __m128 r = s[0];
    __m128 g = s[1];
    __m128 b = s[2];
    __m128 a = s[3];
    _MM_TRANSPOSE4_PS(r, g, b, a);
    const __m128 colour = _mm_and_ps(s[0], _mm_castsi128_ps(_mm_setr_epi32(-1, -1, -1, 0)));
    const __m128 oneColour = _mm_and_ps(_mm_and_ps(_mm_cmpeq_ps(r, _mm_shuffle_ps(colour, colour, 0x00)),
                                                   _mm_cmpeq_ps(g, _mm_shuffle_ps(colour, colour, 0x55))),
                                        _mm_cmpeq_ps(b, _mm_shuffle_ps(colour, colour, 0xAA)));
    QuadMemo::Entry* entry =
        _mm_movemask_ps(oneColour) == 0xF ? &QuadMemoOf<Srgb, Swap, E>().Find(colour, a, stored) : nullptr;
    __m128i result;
    if (entry && QuadMemo::Holds(*entry, colour, a, stored)) {
        result = entry->result;
        memo.Hit();
    } else {
        alignas(16) std::uint32_t words[4];
        alignas(16) std::uint32_t bytes[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(words), stored);
        for (int lane = 0; lane < 4; ++lane) {
            // Every lane of a quad to remember, else the live ones.
            bytes[lane] = (entry || (lanes & (1u << lane))) ? OverLane<Srgb, Swap, E>(memo, s[lane], words[lane]) : words[lane];
        }
        result = _mm_load_si128(reinterpret_cast<const __m128i*>(bytes));
        if (entry) {
            *entry = {colour, a, stored, result};
        }
    }
    result = _mm_or_si128(_mm_and_si128(live, result), _mm_andnot_si128(live, stored));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(top), result);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(bottom), _mm_unpackhi_epi64(result, result));
}
#endif

#if defined(__SSE2__)
// Lane after lane, each blended as a vector of its four channels; alpha 0 under the
// overlay's blend leaves the stored bytes alone, alpha 1 replaces them.
template <bool Srgb, bool Swap, Equation E>
void WriteLanes(const ColourTarget& target, const PixelSpan& span, UINT slot)
{
    constexpr bool kOver = E == Equation::OverAdd || E == Equation::OverOver;
    const Surface& surface = target.surface;
    const auto y = static_cast<UINT>(span.Y());
    std::byte* rows[2] = {surface.Element(0, y), y + 1 < surface.height ? surface.Element(0, y + 1) : nullptr};
    const __m128 zero = _mm_setzero_ps();
    const __m128 one = _mm_set1_ps(1.0f);
    [[maybe_unused]] BlendMemo& memo = MemoOf<Srgb, Swap, E>();
    for (int quad = 0; quad < span.Count(); ++quad) {
        const UINT lanes = span.Live(quad);
        if (lanes == 0) {
            continue;
        }
        const Quad<Float4>& outputs = span.Target(quad, slot);
        if constexpr (kOver) {
            // A quad of alpha 0 (or below, or NaN) everywhere leaves its pixels alone.
            if (!(outputs[0].w > 0.0f) && !(outputs[1].w > 0.0f) && !(outputs[2].w > 0.0f) && !(outputs[3].w > 0.0f)) {
                continue;
            }
        }
        const std::size_t offset = static_cast<std::size_t>(span.X(quad)) * 4;
        if constexpr (kOver) {
            if (rows[1] && static_cast<UINT>(span.X(quad)) + 1 < surface.width) {
                WriteOverQuad<Srgb, Swap, E>(memo, outputs, lanes, rows[0] + offset, rows[1] + offset);
                continue;
            }
        }
        for (int lane = 0; lane < 4; ++lane) {
            if (!(lanes & (1u << lane))) {
                continue;
            }
            std::byte* element = rows[lane >> 1] + offset + (lane & 1) * 4;
            const __m128 s = _mm_min_ps(_mm_max_ps(_mm_loadu_ps(&outputs[lane].x), zero), one);
            __m128 result = s;
            if constexpr (kOver) {
                std::uint32_t stored;
                std::memcpy(&stored, element, 4);
                const std::uint32_t bytes = OverLane<Srgb, Swap, E>(memo, s, stored);
                std::memcpy(element, &bytes, 4);
                continue;
            } else if constexpr (E == Equation::Add) {
                result = _mm_add_ps(s, DecodeStored<Srgb, Swap>(element));
            } else if constexpr (E == Equation::General) {
                Float4 source;
                Float4 stored;
                _mm_storeu_ps(&source.x, s);
                _mm_storeu_ps(&stored.x, DecodeStored<Srgb, Swap>(element));
                const Float4 applied = target.blend->Apply(source, stored, target.blendFactor);
                result = _mm_loadu_ps(&applied.x);
            }
            const std::uint32_t bytes = EncodeStored<Srgb, Swap>(result);
            std::memcpy(element, &bytes, 4);
        }
    }
}
#endif

// Calls run(first pixel, count) for the live pixels of a span of a 32-bit target, row by
// row: consecutive whole quads are a run in each of their rows, the lanes of other quads
// runs of one.
template <class Run>
void ForEachRun(const Surface& surface, const PixelSpan& span, Run run)
{
    const auto y = static_cast<UINT>(span.Y());
    std::byte* rows[2] = {surface.Element(0, y), y + 1 < surface.height ? surface.Element(0, y + 1) : nullptr};
    for (int quad = 0; quad < span.Count();) {
        const UINT lanes = span.Live(quad);
        const std::size_t offset = static_cast<std::size_t>(span.X(quad)) * 4;
        if (lanes == 0xFu) {
            int end = quad + 1;
            while (end < span.Count() && span.Live(end) == 0xFu) {
                ++end;
            }
            run(rows[0] + offset, 2 * (end - quad));
            run(rows[1] + offset, 2 * (end - quad));
            quad = end;
            continue;
        }
        for (int lane = 0; lane < 4; ++lane) {
            if (lanes & (1u << lane)) {
                run(rows[lane >> 1] + offset + (lane & 1) * 4, 1);
            }
        }
        ++quad;
    }
}

// One source (clamped) over every live lane, through a table per stored byte.
template <bool Srgb, bool Swap, Equation E>
void WriteThroughTable(const ColourTarget& target, const PixelSpan& span, const Float4& s)
{
    const bool identity = E != Equation::Add && s.w == 0.0f;
    if (identity) {
        return;
    }
    const SourceTable& table = TableFor<Srgb, Swap, E>(s);
    ForEachRun(target.surface, span, [&table](std::byte* pixels, int count) { MapPixelRow(pixels, count, table.bytes); });
}

// The live lanes of a span, each set to one element.
void FillLanes(const Surface& surface, const PixelSpan& span, std::uint32_t word)
{
    ForEachRun(surface, span, [word](std::byte* pixels, int count) {
        for (int pixel = 0; pixel < count; ++pixel) {
            std::memcpy(pixels + 4 * static_cast<std::size_t>(pixel), &word, 4);
        }
    });
}

// A kernel's one colour: through the tables of the blends with routines of their own, or
// encoded once.
template <bool Srgb, bool Swap, Equation E>
bool WriteOneColourBytes(const ColourTarget& target, const PixelSpan& span, const Float4& colour)
{
    const Float4 s = Clamp(colour, 0.0f);
    if constexpr (E == Equation::OverAdd || E == Equation::OverOver || E == Equation::Add) {
        WriteThroughTable<Srgb, Swap, E>(target, span, s);
        return true;
    } else if constexpr (E == Equation::Replace) {
        const std::uint8_t bytes[4] = {EncodeColour<Srgb>(s[kChannel<Swap>[0]]), EncodeColour<Srgb>(s.y),
                                       EncodeColour<Srgb>(s[kChannel<Swap>[2]]), UnormByte(s.w)};
        std::uint32_t word;
        std::memcpy(&word, bytes, 4);
        FillLanes(target.surface, span, word);
        return true;
    } else {
        return false;
    }
}

template <bool Srgb, bool Swap, Equation E>
void WriteBytes(const ColourTarget& target, const PixelSpan& span, UINT slot)
{
    if constexpr (E == Equation::OverAdd || E == Equation::OverOver || E == Equation::Add) {
        Float4 uniform{};
        if (span.Count() >= kTableQuads && UniformSource(span, slot, uniform)) {
            WriteThroughTable<Srgb, Swap, E>(target, span, Clamp(uniform, 0.0f));
            return;
        }
    }
#if defined(__SSE2__)
    if constexpr (E == Equation::General) {
        WriteLanes<Srgb, Swap, E>(target, span, slot);
    } else if constexpr (E == Equation::OverAdd || E == Equation::OverOver) {
        if (MemoOf<Srgb, Swap, E>().PreferQuads(target)) {
            WriteQuads<Srgb, Swap, E>(target, span, slot);
        } else {
            WriteLanes<Srgb, Swap, E>(target, span, slot);
        }
    } else {
        WriteQuads<Srgb, Swap, E>(target, span, slot);
    }
#else
    const Surface& surface = target.surface;
    // The bytes of the last opaque source, which text repeats lane after lane.
    Float4 opaque{-1.0f, -1.0f, -1.0f, -1.0f};
    std::uint32_t opaqueBytes = 0;
    ForEachLive(surface, span, [&](int quad, int lane, std::byte* element) {
        const Float4 s = Clamp(span.Target(quad, slot)[lane], 0.0f);
        Float4 result = s;
        if constexpr (E == Equation::OverAdd || E == Equation::OverOver) {
            // Alpha 0 leaves the stored bytes as they are; alpha 1 replaces them.
            if (s.w == 0.0f) {
                return;
            }
            if (s.w == 1.0f && s.x == opaque.x && s.y == opaque.y && s.z == opaque.z) {
                std::memcpy(element, &opaqueBytes, 4);
                return;
            }
            if (s.w != 1.0f) {
                std::uint8_t stored[4];
                std::memcpy(stored, element, 4);
                const int r = kChannel<Swap>[0];
                const int b = kChannel<Swap>[2];
                const float dr = DecodeColour<Srgb>(stored[r]);
                const float dg = DecodeColour<Srgb>(stored[1]);
                const float db = DecodeColour<Srgb>(stored[b]);
                const float da = UnormFromByte(stored[3]);
                result = {BlendColour<E>(s.x, s.w, dr), BlendColour<E>(s.y, s.w, dg), BlendColour<E>(s.z, s.w, db),
                          BlendAlpha<E>(s.w, da)};
            } else {
                result.w = BlendAlpha<E>(1.0f, 0.0f);
            }
        } else if constexpr (E != Equation::Replace) {
            std::uint8_t stored[4];
            std::memcpy(stored, element, 4);
            const Float4 d{DecodeColour<Srgb>(stored[kChannel<Swap>[0]]), DecodeColour<Srgb>(stored[1]),
                           DecodeColour<Srgb>(stored[kChannel<Swap>[2]]), UnormFromByte(stored[3])};
            result = target.blend->Apply(s, d, target.blendFactor);
        }
        const std::uint8_t bytes[4] = {EncodeColour<Srgb>(result[kChannel<Swap>[0]]), EncodeColour<Srgb>(result.y),
                                       EncodeColour<Srgb>(result[kChannel<Swap>[2]]), UnormByte(result.w)};
        std::memcpy(element, bytes, 4);
        if constexpr (E == Equation::OverAdd || E == Equation::OverOver) {
            if (s.w == 1.0f) {
                opaque = s;
                std::memcpy(&opaqueBytes, bytes, 4);
            }
        }
    }, [&](int quad) {
        // A quad of alpha 0 (or below, or NaN) everywhere leaves its pixels alone.
        if constexpr (E == Equation::OverAdd || E == Equation::OverOver) {
            const Quad<Float4>& outputs = span.Target(quad, slot);
            return !(outputs[0].w > 0.0f) && !(outputs[1].w > 0.0f) && !(outputs[2].w > 0.0f) && !(outputs[3].w > 0.0f);
        }
        return false;
    });
#endif
}

// ---- other formats ---------------------------------------------------------------------

// R32G32B32A32_FLOAT without blending: the outputs as they are.
void WriteFloats(const ColourTarget& target, const PixelSpan& span, UINT slot)
{
    ForEachLive(target.surface, span, [&](int quad, int lane, std::byte* element) {
        std::memcpy(element, &span.Target(quad, slot)[lane], sizeof(Float4));
    });
}

// Integer targets: the bits, each component clamped by the format; masked channels keep
// the stored bits.
void WriteIntegers(const ColourTarget& target, const PixelSpan& span, UINT slot)
{
    ForEachLive(target.surface, span, [&](int quad, int lane, std::byte* element) {
        Uint4 bits = AsUint(span.Target(quad, slot)[lane]);
        if (target.writeMask != D3D11_COLOR_WRITE_ENABLE_ALL) {
            const Uint4 stored = AsUint(target.codec->loadBits(element));
            for (int c = 0; c < 4; ++c) {
                bits[c] = (target.writeMask & (1u << c)) ? bits[c] : stored[c];
            }
        }
        target.codec->storeBits(AsFloat(bits), element);
    });
}

// Any format through its codec, with any blend and write mask.
void WriteThroughCodec(const ColourTarget& target, const PixelSpan& span, UINT slot)
{
    const FormatCodec& codec = *target.codec;
    const UINT mask = target.writeMask;
    ForEachLive(target.surface, span, [&](int quad, int lane, std::byte* element) {
        const Float4& colour = span.Target(quad, slot)[lane];
        const Float4 source = codec.normalized ? Clamp(colour, target.low) : colour;
        if (!target.blend && mask == D3D11_COLOR_WRITE_ENABLE_ALL) {
            codec.store(source, element);
            return;
        }
        const Float4 destination = codec.load(element);
        Float4 result = target.blend ? target.blend->Apply(source, destination, target.blendFactor) : source;
        if (mask != D3D11_COLOR_WRITE_ENABLE_ALL) {
            result = Float4{(mask & D3D11_COLOR_WRITE_ENABLE_RED) ? result.x : destination.x,
                            (mask & D3D11_COLOR_WRITE_ENABLE_GREEN) ? result.y : destination.y,
                            (mask & D3D11_COLOR_WRITE_ENABLE_BLUE) ? result.z : destination.z,
                            (mask & D3D11_COLOR_WRITE_ENABLE_ALPHA) ? result.w : destination.w};
        }
        codec.store(result, element);
    });
}

void WriteNothing(const ColourTarget&, const PixelSpan&, UINT) {}

Equation EquationOf(const ColourTarget& target)
{
    if (!target.blend) {
        return Equation::Replace;
    }
    const Shortcut colour = target.blend->ColourShortcut();
    const Shortcut alpha = target.blend->AlphaShortcut();
    if (colour == Shortcut::SourceOver && alpha == Shortcut::Add) {
        return Equation::OverAdd;
    }
    if (colour == Shortcut::SourceOver && alpha == Shortcut::SourceOver) {
        return Equation::OverOver;
    }
    if (colour == Shortcut::Add && alpha == Shortcut::Add) {
        return Equation::Add;
    }
    return Equation::General;
}

template <bool Srgb, bool Swap>
SpanWriter BytesWriter(Equation equation)
{
    switch (equation) {
    case Equation::Replace: return &WriteBytes<Srgb, Swap, Equation::Replace>;
    case Equation::OverAdd: return &WriteBytes<Srgb, Swap, Equation::OverAdd>;
    case Equation::OverOver: return &WriteBytes<Srgb, Swap, Equation::OverOver>;
    case Equation::Add: return &WriteBytes<Srgb, Swap, Equation::Add>;
    default: return &WriteBytes<Srgb, Swap, Equation::General>;
    }
}

template <bool Srgb, bool Swap>
OneColourWriter BytesOneColourWriter(Equation equation)
{
    switch (equation) {
    case Equation::Replace: return &WriteOneColourBytes<Srgb, Swap, Equation::Replace>;
    case Equation::OverAdd: return &WriteOneColourBytes<Srgb, Swap, Equation::OverAdd>;
    case Equation::OverOver: return &WriteOneColourBytes<Srgb, Swap, Equation::OverOver>;
    case Equation::Add: return &WriteOneColourBytes<Srgb, Swap, Equation::Add>;
    default: return nullptr;
    }
}

}  // namespace

OneColourWriter ChooseOneColourWriter(DXGI_FORMAT format, const ColourTarget& target)
{
    if (!target.codec || target.writeMask != D3D11_COLOR_WRITE_ENABLE_ALL || target.integer) {
        return nullptr;
    }
    const Equation equation = EquationOf(target);
    switch (format) {
    case DXGI_FORMAT_R8G8B8A8_UNORM: return BytesOneColourWriter<false, false>(equation);
    case DXGI_FORMAT_R8G8B8A8_UNORM_SRGB: return BytesOneColourWriter<true, false>(equation);
    case DXGI_FORMAT_B8G8R8A8_UNORM: return BytesOneColourWriter<false, true>(equation);
    case DXGI_FORMAT_B8G8R8A8_UNORM_SRGB: return BytesOneColourWriter<true, true>(equation);
    default: return nullptr;
    }
}

SpanWriter ChooseSpanWriter(DXGI_FORMAT format, const ColourTarget& target)
{
    if (!target.codec || target.writeMask == 0) {
        return &WriteNothing;
    }
    if (target.integer) {
        return &WriteIntegers;
    }
    if (target.writeMask != D3D11_COLOR_WRITE_ENABLE_ALL) {
        return &WriteThroughCodec;
    }
    const Equation equation = EquationOf(target);
    switch (format) {
    case DXGI_FORMAT_R8G8B8A8_UNORM: return BytesWriter<false, false>(equation);
    case DXGI_FORMAT_R8G8B8A8_UNORM_SRGB: return BytesWriter<true, false>(equation);
    case DXGI_FORMAT_B8G8R8A8_UNORM: return BytesWriter<false, true>(equation);
    case DXGI_FORMAT_B8G8R8A8_UNORM_SRGB: return BytesWriter<true, true>(equation);
    case DXGI_FORMAT_R32G32B32A32_FLOAT:
        return equation == Equation::Replace ? &WriteFloats : &WriteThroughCodec;
    default: return &WriteThroughCodec;
    }
}

}  // namespace d3d11sw
