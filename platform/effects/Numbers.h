#pragma once
// Numeric literals of effect text: 12, 0x1F, 017, 3u, 1.5, 2.f, 1e-3, 0.5h.

#include <cstdint>
#include <string>

namespace platform::effects {

struct NumberValue {
    double value = 0.0;
    bool isFloat = false;
};

// False when the text is not one whole literal.
bool ParseNumber(const std::string& text, NumberValue& number);

// The value converted without undefined behaviour: out-of-range values saturate, NaN is 0.
std::int32_t SaturateToInt(double value);
std::uint32_t SaturateToUint(double value);

}  // namespace platform::effects
