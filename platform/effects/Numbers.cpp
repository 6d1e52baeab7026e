#include "platform/effects/Numbers.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace platform::effects {

bool ParseNumber(const std::string& text, NumberValue& number)
{
    if (text.empty() || text.size() > 64) {
        return false;
    }
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    std::string body = text;
    bool isFloat = !hex && body.find_first_of(".eE") != std::string::npos;
    if (!hex) {
        while (!body.empty() && (body.back() == 'f' || body.back() == 'F' || body.back() == 'h' || body.back() == 'H')) {
            body.pop_back();
            isFloat = true;
        }
    }
    while (!body.empty() && (body.back() == 'u' || body.back() == 'U' || body.back() == 'l' || body.back() == 'L')) {
        if (isFloat) {
            return false;
        }
        body.pop_back();
    }
    if (body.empty()) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    if (isFloat) {
        number.value = std::strtod(body.c_str(), &end);
    } else {
        const int base = hex ? 16 : (body.size() > 1 && body[0] == '0') ? 8 : 10;
        const unsigned long long integer = std::strtoull(body.c_str(), &end, base);
        if (errno == ERANGE) {
            return false;
        }
        number.value = static_cast<double>(integer);
    }
    number.isFloat = isFloat;
    return end && *end == '\0' && body[0] != '-' && body[0] != '+' && body[0] != ' ';
}

std::int32_t SaturateToInt(double value)
{
    if (!(value == value)) {
        return 0;
    }
    if (value >= 2147483647.0) {
        return INT32_MAX;
    }
    if (value <= -2147483648.0) {
        return INT32_MIN;
    }
    return static_cast<std::int32_t>(value);
}

std::uint32_t SaturateToUint(double value)
{
    if (!(value == value)) {
        return 0;
    }
    if (value >= 4294967295.0) {
        return UINT32_MAX;
    }
    if (value <= -2147483648.0) {
        return static_cast<std::uint32_t>(INT32_MIN);
    }
    if (value < 0.0) {
        return static_cast<std::uint32_t>(static_cast<std::int32_t>(value));
    }
    return static_cast<std::uint32_t>(value);
}

}  // namespace platform::effects
