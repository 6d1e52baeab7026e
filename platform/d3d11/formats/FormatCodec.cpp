#include "platform/d3d11/formats/FormatCodec.h"

#include "platform/d3d11/formats/ByteChannels.h"

#include <algorithm>
#include <bit>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>
#include <utility>

namespace d3d11sw {
namespace {

// ---- one channel ---------------------------------------------------------------------

enum class Kind { Unorm, Snorm, Uint, Sint, Float, Half, Srgb };

template <class T>
constexpr float kMax = static_cast<float>(std::numeric_limits<T>::max());

template <Kind K, class T>
float Decode(T value, int channel)
{
    if constexpr (K == Kind::Unorm && sizeof(T) == 1) {
        return UnormFromByte(value);
    } else if constexpr (K == Kind::Unorm) {
        return static_cast<float>(value) / kMax<T>;
    } else if constexpr (K == Kind::Snorm) {
        return std::max(static_cast<float>(value) / kMax<T>, -1.0f);
    } else if constexpr (K == Kind::Uint || K == Kind::Sint) {
        return static_cast<float>(value);
    } else if constexpr (K == Kind::Float) {
        return value;
    } else if constexpr (K == Kind::Half) {
        return HalfToFloat(value);
    } else {
        return channel < 3 ? LinearFromSrgbByte(value) : UnormFromByte(value);
    }
}

template <class T>
T ClampToInteger(float value)
{
    if (!(value > static_cast<float>(std::numeric_limits<T>::lowest()))) {
        // Also NaN, which becomes the lowest value for unsigned types (0).
        return std::isnan(value) ? T{0} : std::numeric_limits<T>::lowest();
    }
    if (static_cast<double>(value) >= static_cast<double>(std::numeric_limits<T>::max())) {
        return std::numeric_limits<T>::max();
    }
    return static_cast<T>(value);
}

template <class T>
T EncodeUnorm(float value)
{
    return static_cast<T>(Saturate(value) * kMax<T> + 0.5f);
}

template <Kind K, class T>
T Encode(float value, int channel)
{
    if constexpr (K == Kind::Unorm) {
        return EncodeUnorm<T>(value);
    } else if constexpr (K == Kind::Snorm) {
        if (std::isnan(value)) {
            return 0;
        }
        return static_cast<T>(std::lround(std::clamp(value, -1.0f, 1.0f) * kMax<T>));
    } else if constexpr (K == Kind::Uint || K == Kind::Sint) {
        return ClampToInteger<T>(value);
    } else if constexpr (K == Kind::Float) {
        return value;
    } else if constexpr (K == Kind::Half) {
        return FloatToHalf(value);
    } else {
        return channel < 3 ? SrgbByte(value) : UnormByte(value);
    }
}

// ---- whole elements ------------------------------------------------------------------

enum Order { Rgba, Bgra, Bgrx };

// Components are kept in scalars, not written through an index: a Float4 assembled in
// memory piece by piece and read back whole stalls the processor.
template <Kind K, class T, int N, Order O = Rgba>
Float4 LoadChannels(const std::byte* element)
{
    T values[4] = {};
    std::memcpy(values, element, sizeof(T) * N);
    const float c0 = Decode<K>(values[0], 0);
    const float c1 = N > 1 ? Decode<K>(values[1], 1) : 0.0f;
    const float c2 = N > 2 ? Decode<K>(values[2], 2) : 0.0f;
    const float c3 = (N > 3 && O != Bgrx) ? Decode<K>(values[3], 3) : 1.0f;
    return O == Rgba ? Float4{c0, c1, c2, c3} : Float4{c2, c1, c0, c3};
}

template <Kind K, class T, int N, Order O = Rgba>
void StoreChannels(const Float4& value, std::byte* element)
{
    const float first = O == Rgba ? value.x : value.z;
    const float third = O == Rgba ? value.z : value.x;
    auto put = [element](int index, T encoded) { std::memcpy(element + index * sizeof(T), &encoded, sizeof(T)); };
    put(0, Encode<K, T>(first, 0));
    if constexpr (N > 1) {
        put(1, Encode<K, T>(value.y, 1));
    }
    if constexpr (N > 2) {
        put(2, Encode<K, T>(third, 2));
    }
    if constexpr (N > 3) {
        put(3, O == Bgrx ? std::numeric_limits<T>::max() : Encode<K, T>(value.w, 3));
    }
}

// Integer formats as register bits: each component zero- or sign-extended to 32 bits;
// stores clamp to the component's range.
template <class T, int N>
Float4 LoadIntegerChannels(const std::byte* element)
{
    using Wide = std::conditional_t<std::is_signed_v<T>, std::int32_t, std::uint32_t>;
    Wide values[4] = {0, 0, 0, 1};
    for (int i = 0; i < N; ++i) {
        T value;
        std::memcpy(&value, element + i * sizeof(T), sizeof(T));
        values[i] = static_cast<Wide>(value);
    }
    return AsFloat(Integer4<Wide>{values[0], values[1], values[2], values[3]});
}

template <class T, int N>
void StoreIntegerChannels(const Float4& value, std::byte* element)
{
    using Wide = std::conditional_t<std::is_signed_v<T>, std::int32_t, std::uint32_t>;
    const auto wide = std::bit_cast<Integer4<Wide>>(value);
    for (int i = 0; i < N; ++i) {
        const T stored = static_cast<T>(std::clamp<Wide>(wide[i], std::numeric_limits<T>::lowest(), std::numeric_limits<T>::max()));
        std::memcpy(element + i * sizeof(T), &stored, sizeof(T));
    }
}

std::uint32_t Word(const std::byte* element)
{
    std::uint32_t word;
    std::memcpy(&word, element, 4);
    return word;
}

void PutWord(std::uint32_t word, std::byte* element) { std::memcpy(element, &word, 4); }

Float4 LoadR10G10B10A2Unorm(const std::byte* element)
{
    const std::uint32_t w = Word(element);
    return {(w & 1023) / 1023.0f, ((w >> 10) & 1023) / 1023.0f, ((w >> 20) & 1023) / 1023.0f, (w >> 30) / 3.0f};
}

void StoreR10G10B10A2Unorm(const Float4& v, std::byte* element)
{
    auto bits = [](float value, float max) {
        return !(value > 0.0f) ? 0u : value >= 1.0f ? static_cast<std::uint32_t>(max)
                                                     : static_cast<std::uint32_t>(value * max + 0.5f);
    };
    PutWord(bits(v.x, 1023) | (bits(v.y, 1023) << 10) | (bits(v.z, 1023) << 20) | (bits(v.w, 3) << 30), element);
}

Float4 LoadR10G10B10A2Uint(const std::byte* element)
{
    const std::uint32_t w = Word(element);
    return {static_cast<float>(w & 1023), static_cast<float>((w >> 10) & 1023),
            static_cast<float>((w >> 20) & 1023), static_cast<float>(w >> 30)};
}

void StoreR10G10B10A2Uint(const Float4& v, std::byte* element)
{
    auto bits = [](float value, std::uint32_t max) { return std::min<std::uint32_t>(ClampToInteger<std::uint32_t>(value), max); };
    PutWord(bits(v.x, 1023) | (bits(v.y, 1023) << 10) | (bits(v.z, 1023) << 20) | (bits(v.w, 3) << 30), element);
}

Float4 LoadR10G10B10A2UintBits(const std::byte* element)
{
    const std::uint32_t w = Word(element);
    return AsFloat(Uint4{w & 1023, (w >> 10) & 1023, (w >> 20) & 1023, w >> 30});
}

void StoreR10G10B10A2UintBits(const Float4& v, std::byte* element)
{
    const Uint4 u = AsUint(v);
    PutWord(std::min(u.x, 1023u) | (std::min(u.y, 1023u) << 10) | (std::min(u.z, 1023u) << 20) | (std::min(u.w, 3u) << 30),
            element);
}

Float4 LoadA8(const std::byte* element) { return {0.0f, 0.0f, 0.0f, static_cast<float>(element[0]) / 255.0f}; }
void StoreA8(const Float4& v, std::byte* element) { element[0] = static_cast<std::byte>(EncodeUnorm<std::uint8_t>(v.w)); }

// The readable parts of depth-stencil memory.
Float4 LoadR24X8(const std::byte* element) { return {(Word(element) & 0xFFFFFF) / 16777215.0f, 0, 0, 1}; }
Float4 LoadX24G8(const std::byte* element) { return {0, static_cast<float>(Word(element) >> 24), 0, 1}; }
Float4 LoadX24G8Bits(const std::byte* element) { return AsFloat(Uint4{0, Word(element) >> 24, 0, 1}); }
Float4 LoadX32G8X24Bits(const std::byte* element) { return AsFloat(Uint4{0, static_cast<std::uint32_t>(element[4]), 0, 1}); }
Float4 LoadR32X8X24(const std::byte* element)
{
    float depth;
    std::memcpy(&depth, element, 4);
    return {depth, 0, 0, 1};
}
Float4 LoadX32G8X24(const std::byte* element) { return {0, static_cast<float>(element[4]), 0, 1}; }

struct Entry {
    DXGI_FORMAT format;
    FormatCodec codec;
};

template <Kind K, class T, int N, Order O = Rgba>
constexpr FormatCodec Channels()
{
    const ComponentType type = K == Kind::Uint ? ComponentType::Uint
                               : K == Kind::Sint ? ComponentType::Sint
                                                 : ComponentType::Float;
    const bool normalized = K == Kind::Unorm || K == Kind::Snorm || K == Kind::Srgb;
    if constexpr (K == Kind::Uint || K == Kind::Sint) {
        return FormatCodec{&LoadChannels<K, T, N, O>, &StoreChannels<K, T, N, O>, type, UINT{N}, false, false,
                           &LoadIntegerChannels<T, N>, &StoreIntegerChannels<T, N>};
    }
    return FormatCodec{&LoadChannels<K, T, N, O>, &StoreChannels<K, T, N, O>, type, O == Bgrx ? 3u : UINT{N},
                       normalized, K == Kind::Snorm};
}

using u8 = std::uint8_t;
using s8 = std::int8_t;
using u16 = std::uint16_t;
using s16 = std::int16_t;
using u32 = std::uint32_t;
using s32 = std::int32_t;

const Entry kEntries[] = {
    {DXGI_FORMAT_R32G32B32A32_FLOAT, Channels<Kind::Float, float, 4>()},
    {DXGI_FORMAT_R32G32B32A32_UINT, Channels<Kind::Uint, u32, 4>()},
    {DXGI_FORMAT_R32G32B32A32_SINT, Channels<Kind::Sint, s32, 4>()},
    {DXGI_FORMAT_R32G32B32_FLOAT, Channels<Kind::Float, float, 3>()},
    {DXGI_FORMAT_R32G32B32_UINT, Channels<Kind::Uint, u32, 3>()},
    {DXGI_FORMAT_R32G32B32_SINT, Channels<Kind::Sint, s32, 3>()},
    {DXGI_FORMAT_R16G16B16A16_FLOAT, Channels<Kind::Half, u16, 4>()},
    {DXGI_FORMAT_R16G16B16A16_UNORM, Channels<Kind::Unorm, u16, 4>()},
    {DXGI_FORMAT_R16G16B16A16_UINT, Channels<Kind::Uint, u16, 4>()},
    {DXGI_FORMAT_R16G16B16A16_SNORM, Channels<Kind::Snorm, s16, 4>()},
    {DXGI_FORMAT_R16G16B16A16_SINT, Channels<Kind::Sint, s16, 4>()},
    {DXGI_FORMAT_R32G32_FLOAT, Channels<Kind::Float, float, 2>()},
    {DXGI_FORMAT_R32G32_UINT, Channels<Kind::Uint, u32, 2>()},
    {DXGI_FORMAT_R32G32_SINT, Channels<Kind::Sint, s32, 2>()},
    {DXGI_FORMAT_R32_FLOAT_X8X24_TYPELESS, {&LoadR32X8X24, nullptr, ComponentType::Float, 1, false}},
    {DXGI_FORMAT_X32_TYPELESS_G8X24_UINT, {&LoadX32G8X24, nullptr, ComponentType::Uint, 2, false, false, &LoadX32G8X24Bits, nullptr}},
    {DXGI_FORMAT_R10G10B10A2_UNORM, {&LoadR10G10B10A2Unorm, &StoreR10G10B10A2Unorm, ComponentType::Float, 4, true}},
    {DXGI_FORMAT_R10G10B10A2_UINT, {&LoadR10G10B10A2Uint, &StoreR10G10B10A2Uint, ComponentType::Uint, 4, false, false,
                                     &LoadR10G10B10A2UintBits, &StoreR10G10B10A2UintBits}},
    {DXGI_FORMAT_R8G8B8A8_UNORM, Channels<Kind::Unorm, u8, 4>()},
    {DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, Channels<Kind::Srgb, u8, 4>()},
    {DXGI_FORMAT_R8G8B8A8_UINT, Channels<Kind::Uint, u8, 4>()},
    {DXGI_FORMAT_R8G8B8A8_SNORM, Channels<Kind::Snorm, s8, 4>()},
    {DXGI_FORMAT_R8G8B8A8_SINT, Channels<Kind::Sint, s8, 4>()},
    {DXGI_FORMAT_R16G16_FLOAT, Channels<Kind::Half, u16, 2>()},
    {DXGI_FORMAT_R16G16_UNORM, Channels<Kind::Unorm, u16, 2>()},
    {DXGI_FORMAT_R16G16_UINT, Channels<Kind::Uint, u16, 2>()},
    {DXGI_FORMAT_R16G16_SNORM, Channels<Kind::Snorm, s16, 2>()},
    {DXGI_FORMAT_R16G16_SINT, Channels<Kind::Sint, s16, 2>()},
    {DXGI_FORMAT_R32_FLOAT, Channels<Kind::Float, float, 1>()},
    {DXGI_FORMAT_R32_UINT, Channels<Kind::Uint, u32, 1>()},
    {DXGI_FORMAT_R32_SINT, Channels<Kind::Sint, s32, 1>()},
    {DXGI_FORMAT_R24_UNORM_X8_TYPELESS, {&LoadR24X8, nullptr, ComponentType::Float, 1, true}},
    {DXGI_FORMAT_X24_TYPELESS_G8_UINT, {&LoadX24G8, nullptr, ComponentType::Uint, 2, false, false, &LoadX24G8Bits, nullptr}},
    {DXGI_FORMAT_R8G8_UNORM, Channels<Kind::Unorm, u8, 2>()},
    {DXGI_FORMAT_R8G8_UINT, Channels<Kind::Uint, u8, 2>()},
    {DXGI_FORMAT_R8G8_SNORM, Channels<Kind::Snorm, s8, 2>()},
    {DXGI_FORMAT_R8G8_SINT, Channels<Kind::Sint, s8, 2>()},
    {DXGI_FORMAT_R16_FLOAT, Channels<Kind::Half, u16, 1>()},
    {DXGI_FORMAT_R16_UNORM, Channels<Kind::Unorm, u16, 1>()},
    {DXGI_FORMAT_R16_UINT, Channels<Kind::Uint, u16, 1>()},
    {DXGI_FORMAT_R16_SNORM, Channels<Kind::Snorm, s16, 1>()},
    {DXGI_FORMAT_R16_SINT, Channels<Kind::Sint, s16, 1>()},
    {DXGI_FORMAT_R8_UNORM, Channels<Kind::Unorm, u8, 1>()},
    {DXGI_FORMAT_R8_UINT, Channels<Kind::Uint, u8, 1>()},
    {DXGI_FORMAT_R8_SNORM, Channels<Kind::Snorm, s8, 1>()},
    {DXGI_FORMAT_R8_SINT, Channels<Kind::Sint, s8, 1>()},
    {DXGI_FORMAT_A8_UNORM, {&LoadA8, &StoreA8, ComponentType::Float, 4, true}},
    {DXGI_FORMAT_B8G8R8A8_UNORM, Channels<Kind::Unorm, u8, 4, Bgra>()},
    {DXGI_FORMAT_B8G8R8X8_UNORM, Channels<Kind::Unorm, u8, 4, Bgrx>()},
    {DXGI_FORMAT_B8G8R8A8_UNORM_SRGB, Channels<Kind::Srgb, u8, 4, Bgra>()},
    {DXGI_FORMAT_B8G8R8X8_UNORM_SRGB, Channels<Kind::Srgb, u8, 4, Bgrx>()},
};

std::array<FormatCodec, 100> BuildCodecs()
{
    std::array<FormatCodec, 100> codecs{};
    for (const Entry& entry : kEntries) {
        codecs[entry.format] = entry.codec;
    }
    return codecs;
}

// ---- depth ---------------------------------------------------------------------------

float ClampDepth(float depth) { return depth > 0.0f ? std::min(depth, 1.0f) : 0.0f; }

template <std::uint32_t Max>
std::uint32_t UnormKey(float depth)
{
    return static_cast<std::uint32_t>(static_cast<double>(ClampDepth(depth)) * Max + 0.5);
}

template <std::uint32_t Max>
float UnormDepth(std::uint32_t key)
{
    return static_cast<float>(static_cast<double>(key) / Max);
}

std::uint32_t FloatKey(float depth)
{
    const float clamped = ClampDepth(depth);  // also turns -0 and NaN into +0
    std::uint32_t bits;
    std::memcpy(&bits, &clamped, 4);
    return bits;
}

float FloatDepth(std::uint32_t key)
{
    float depth;
    std::memcpy(&depth, &key, 4);
    return depth;
}

std::uint32_t ReadWord(const std::byte* element) { return Word(element); }
std::uint32_t ReadLow24(const std::byte* element) { return Word(element) & 0xFFFFFF; }
std::uint32_t ReadHalfWord(const std::byte* element)
{
    std::uint16_t value;
    std::memcpy(&value, element, 2);
    return value;
}

void WriteWord(std::uint32_t key, std::byte* element) { PutWord(key, element); }
void WriteLow24(std::uint32_t key, std::byte* element) { PutWord((Word(element) & 0xFF000000u) | key, element); }
void WriteHalfWord(std::uint32_t key, std::byte* element)
{
    const auto value = static_cast<std::uint16_t>(key);
    std::memcpy(element, &value, 2);
}
void WriteHighByte(std::uint8_t stencil, std::byte* element)
{
    PutWord((Word(element) & 0xFFFFFFu) | (std::uint32_t{stencil} << 24), element);
}
void WriteFifthByte(std::uint8_t stencil, std::byte* element) { element[4] = static_cast<std::byte>(stencil); }

}  // namespace

const FormatCodec& CodecOf(DXGI_FORMAT format)
{
    static const std::array<FormatCodec, 100> codecs = BuildCodecs();
    static const FormatCodec none{};
    return format < codecs.size() ? codecs[format] : none;
}

const DepthCodec& DepthCodecOf(DXGI_FORMAT format)
{
    static const DepthCodec d32{4, &FloatKey, &ReadWord, &WriteWord, nullptr, &FloatDepth, 0.0f};
    static const DepthCodec d32s8{8, &FloatKey, &ReadWord, &WriteWord, &WriteFifthByte, &FloatDepth, 0.0f};
    static const DepthCodec d24s8{4,          &UnormKey<0xFFFFFF>,        &ReadLow24, &WriteLow24, &WriteHighByte,
                                  &UnormDepth<0xFFFFFF>, 1.0f / 16777216.0f};
    static const DepthCodec d16{2,       &UnormKey<0xFFFF>,  &ReadHalfWord, &WriteHalfWord,
                                nullptr, &UnormDepth<0xFFFF>, 1.0f / 65536.0f};
    static const DepthCodec none{};
    switch (format) {
    case DXGI_FORMAT_D32_FLOAT:
        return d32;
    case DXGI_FORMAT_D32_FLOAT_S8X24_UINT:
        return d32s8;
    case DXGI_FORMAT_D24_UNORM_S8_UINT:
        return d24s8;
    case DXGI_FORMAT_D16_UNORM:
        return d16;
    default:
        return none;
    }
}

float SrgbToLinear(std::uint8_t value) { return LinearFromSrgbByte(value); }

std::uint8_t LinearToSrgb(float value) { return SrgbByte(value); }

float HalfToFloat(std::uint16_t half)
{
    const std::uint32_t sign = static_cast<std::uint32_t>(half & 0x8000) << 16;
    const std::uint32_t exponent = (half >> 10) & 0x1F;
    const std::uint32_t mantissa = half & 0x3FF;
    if (exponent == 0) {
        const float value = static_cast<float>(mantissa) * (1.0f / 16777216.0f);
        return sign ? -value : value;
    }
    const std::uint32_t bits =
        exponent == 31 ? (sign | 0x7F800000u | (mantissa << 13)) : (sign | ((exponent + 112) << 23) | (mantissa << 13));
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

std::uint16_t FloatToHalf(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    const auto sign = static_cast<std::uint16_t>((bits >> 16) & 0x8000);
    const int exponent = static_cast<int>((bits >> 23) & 0xFF);
    std::uint32_t mantissa = bits & 0x7FFFFF;
    if (exponent == 255) {
        return static_cast<std::uint16_t>(sign | 0x7C00 | (mantissa ? 0x200 : 0));
    }
    const int halfExponent = exponent - 112;
    if (halfExponent >= 31) {
        return static_cast<std::uint16_t>(sign | 0x7C00);
    }
    // Round to nearest, ties to even, in both the subnormal and the normal range.
    auto round = [](std::uint32_t bitsIn, int shift) {
        const std::uint32_t kept = bitsIn >> shift;
        const std::uint32_t rest = bitsIn & ((1u << shift) - 1);
        const std::uint32_t halfway = 1u << (shift - 1);
        return kept + ((rest > halfway || (rest == halfway && (kept & 1))) ? 1u : 0u);
    };
    if (halfExponent <= 0) {
        if (halfExponent < -10) {
            return sign;
        }
        mantissa |= 0x800000;
        return static_cast<std::uint16_t>(sign | round(mantissa, 14 - halfExponent));
    }
    return static_cast<std::uint16_t>(sign | ((static_cast<std::uint32_t>(halfExponent) << 10) + round(mantissa, 13)));
}

}  // namespace d3d11sw
