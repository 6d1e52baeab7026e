#pragma once
// Reading numbers from text the way the scanf conversions do (leading white space
// skipped, characters after the number ignored), but only numbers that fit: a value out
// of the type's range counts as no number, so the caller's value stays as it was.

#include <cstddef>
#include <string>

namespace qz::core {

// White space as the C locale's isspace has it.
constexpr bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads a decimal integer ("%d", "%u" and their widths) or a floating-point number
// ("%f", "%lf") at the start of the null-terminated text into value. Returns the number
// of characters consumed, white space included, or 0 when the text does not begin with a
// number of type T; value is changed only on success. Unsigned types take no minus sign
// except on zero; floats take everything strtod takes except overflowing values.
template <class T>
std::size_t ReadNumber(const char* text, T& value);

// "%f" for floating point, decimal for integers: the text forms of numbers.
template <class T>
std::string NumberToText(T value);

}  // namespace qz::core
