#include "tarnwick/core/NumberText.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <type_traits>

namespace qz::core {

namespace {

// Decimal digits after an optional sign; false on no digits or more than 64 bits.
bool ReadMagnitude(const char*& cursor, bool& negative, std::uint64_t& magnitude)
{
    negative = false;
    if (*cursor == '+' || *cursor == '-') {
        negative = *cursor == '-';
        ++cursor;
    }
    if (*cursor < '0' || *cursor > '9') return false;
    constexpr std::uint64_t limit = std::numeric_limits<std::uint64_t>::max();
    bool fits = true;
    magnitude = 0;
    for (; *cursor >= '0' && *cursor <= '9'; ++cursor) {
        const auto digit = static_cast<std::uint64_t>(*cursor - '0');
        if (magnitude > (limit - digit) / 10) fits = false;
        if (fits) magnitude = magnitude * 10 + digit;
    }
    return fits;
}

template <class T>
std::size_t ReadInteger(const char* text, T& value)
{
    const char* cursor = text;
    while (IsBlank(*cursor)) ++cursor;
    bool negative = false;
    std::uint64_t magnitude = 0;
    if (!ReadMagnitude(cursor, negative, magnitude)) return 0;
    if constexpr (std::is_signed_v<T>) {
        const auto maximum = static_cast<std::uint64_t>(std::numeric_limits<T>::max());
        if (magnitude > maximum + (negative ? 1u : 0u)) return 0;
        // Negation in 64 bits: the magnitude of the minimum fits there only unsigned.
        value = negative ? static_cast<T>(-static_cast<std::int64_t>(magnitude - 1) - 1)
                         : static_cast<T>(magnitude);
    } else {
        if (negative && magnitude != 0) return 0;
        if (magnitude > std::numeric_limits<T>::max()) return 0;
        value = static_cast<T>(magnitude);
    }
    return static_cast<std::size_t>(cursor - text);
}

// Floating-point text is read in the C locale whatever the process has set.
locale_t ClassicLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

template <class T>
std::size_t ReadFloating(const char* text, T& value)
{
    char* end = nullptr;
    const int savedErrno = errno;
    errno = 0;
    T parsed;
    if constexpr (std::is_same_v<T, float>) {
        parsed = strtof_l(text, &end, ClassicLocale());
    } else {
        parsed = strtod_l(text, &end, ClassicLocale());
    }
    const bool overflow = errno == ERANGE && std::isinf(parsed);
    errno = savedErrno;
    if (end == text || overflow) return 0;
    value = parsed;
    return static_cast<std::size_t>(end - text);
}

}  // namespace

template <class T>
std::size_t ReadNumber(const char* text, T& value)
{
    if (!text) return 0;
    if constexpr (std::is_floating_point_v<T>) {
        return ReadFloating(text, value);
    } else {
        return ReadInteger(text, value);
    }
}

template <class T>
std::string NumberToText(T value)
{
    char buffer[1024];
    if constexpr (std::is_floating_point_v<T>) {
        std::snprintf(buffer, sizeof(buffer), "%f", static_cast<double>(value));
    } else if constexpr (std::is_signed_v<T>) {
        std::snprintf(buffer, sizeof(buffer), "%lld", static_cast<long long>(value));
    } else {
        std::snprintf(buffer, sizeof(buffer), "%llu", static_cast<unsigned long long>(value));
    }
    return buffer;
}

#define QZ_NUMBER_TEXT(T)                                       \
    template std::size_t ReadNumber<T>(const char*, T&);       \
    template std::string NumberToText<T>(T);
QZ_NUMBER_TEXT(std::int8_t)
QZ_NUMBER_TEXT(std::int16_t)
QZ_NUMBER_TEXT(std::int32_t)
QZ_NUMBER_TEXT(std::int64_t)
QZ_NUMBER_TEXT(std::uint8_t)
QZ_NUMBER_TEXT(std::uint16_t)
QZ_NUMBER_TEXT(std::uint32_t)
QZ_NUMBER_TEXT(std::uint64_t)
QZ_NUMBER_TEXT(float)
QZ_NUMBER_TEXT(double)
#undef QZ_NUMBER_TEXT

}  // namespace qz::core
