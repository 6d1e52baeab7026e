#include "platform/tweakbar/VariableValue.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string_view>
#include <type_traits>
#include <vector>

namespace platform::tweakbar {

namespace {

template <class T>
T& As(const Variable& variable)
{
    return *static_cast<T*>(variable.pointer);
}

// Calls f with a typed pointer of a scalar number variable.
template <class F>
void WithScalar(const Variable& variable, F f)
{
    switch (variable.type) {
    case TW_TYPE_INT8: f(&As<std::int8_t>(variable)); break;
    case TW_TYPE_UINT8: f(&As<std::uint8_t>(variable)); break;
    case TW_TYPE_INT16: f(&As<std::int16_t>(variable)); break;
    case TW_TYPE_UINT16: f(&As<std::uint16_t>(variable)); break;
    case TW_TYPE_INT32: f(&As<std::int32_t>(variable)); break;
    case TW_TYPE_UINT32: f(&As<std::uint32_t>(variable)); break;
    case TW_TYPE_FLOAT: f(&As<float>(variable)); break;
    case TW_TYPE_DOUBLE: f(&As<double>(variable)); break;
    default: break;
    }
}

bool ParseNumber(std::string_view text, double& value)
{
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

// Decimals of a number up to `most`: the fewest that show it within rounding.
int DecimalsOf(double value, int most)
{
    double scaled = std::fabs(value);
    for (int decimals = 0; decimals < most; ++decimals, scaled *= 10.0) {
        if (std::fabs(scaled - std::round(scaled)) <= 1e-6 * std::max(1.0, scaled)) return decimals;
    }
    return most;
}

// Integers (no decimals) in full; large floating-point values with an exponent.
std::string Fixed(double value, int decimals)
{
    char text[64];
    if (!std::isfinite(value)) {
        std::snprintf(text, sizeof text, "%g", value);
    } else if (decimals > 0 && std::fabs(value) >= 1e9) {
        std::snprintf(text, sizeof text, "%.6g", value);
    } else {
        std::snprintf(text, sizeof text, "%.*f", decimals, value);
    }
    return text;
}

std::vector<std::string_view> Tokens(const std::string& text)
{
    std::vector<std::string_view> tokens;
    std::size_t at = 0;
    const auto separator = [](char c) { return c == ' ' || c == '\t' || c == ','; };
    while (at < text.size()) {
        while (at < text.size() && separator(text[at])) ++at;
        const std::size_t start = at;
        while (at < text.size() && !separator(text[at])) ++at;
        if (at > start) tokens.emplace_back(text.data() + start, at - start);
    }
    return tokens;
}

bool IsColour(TwType type) { return type == TW_TYPE_COLOR3F || type == TW_TYPE_COLOR4F; }

}  // namespace

bool IsScalarNumber(TwType type)
{
    switch (type) {
    case TW_TYPE_INT8:
    case TW_TYPE_UINT8:
    case TW_TYPE_INT16:
    case TW_TYPE_UINT16:
    case TW_TYPE_INT32:
    case TW_TYPE_UINT32:
    case TW_TYPE_FLOAT:
    case TW_TYPE_DOUBLE: return true;
    default: return false;
    }
}

int ComponentCount(TwType type)
{
    switch (type) {
    case TW_TYPE_COLOR3F:
    case TW_TYPE_DIR3F: return 3;
    case TW_TYPE_COLOR4F:
    case TW_TYPE_QUAT4F: return 4;
    default: return IsScalarNumber(type) ? 1 : 0;
    }
}

NumberLimits LimitsOf(const Variable& variable)
{
    NumberLimits limits {std::numeric_limits<double>::lowest(), std::numeric_limits<double>::max(), 1.0, 0};
    WithScalar(variable, [&limits](auto* value) {
        using T = std::remove_pointer_t<decltype(value)>;
        limits.min = static_cast<double>(std::numeric_limits<T>::lowest());
        limits.max = static_cast<double>(std::numeric_limits<T>::max());
        if constexpr (std::is_floating_point_v<T>) limits.step = 0.01;
    });
    double number = 0.0;
    if (ParseNumber(variable.Param("min"), number)) limits.min = std::max(limits.min, number);
    if (ParseNumber(variable.Param("max"), number)) limits.max = std::min(limits.max, number);
    if (ParseNumber(variable.Param("step"), number) && number > 0.0) limits.step = number;
    if (variable.type == TW_TYPE_FLOAT || variable.type == TW_TYPE_DOUBLE) {
        limits.decimals = std::max(1, DecimalsOf(limits.step, 6));
    }
    return limits;
}

std::string ValueText(const Variable& variable)
{
    if (variable.type == TW_TYPE_BOOLCPP) return As<bool>(variable) ? "ON" : "OFF";
    if (const int components = ComponentCount(variable.type); components > 1) {
        const float* values = static_cast<const float*>(variable.pointer);
        std::string text;
        for (int i = 0; i < components; ++i) text += (i ? " " : "") + Fixed(values[i], 2);
        return text;
    }
    if (!IsScalarNumber(variable.type)) return "?";
    const double value = ReadNumber(variable);
    const int decimals = LimitsOf(variable).decimals;
    // Floating-point values keep up to 4 decimals the step would hide (0.005 with a step
    // of 0.01).
    return Fixed(value, decimals == 0 ? 0 : std::max(decimals, DecimalsOf(value, 4)));
}

double ReadNumber(const Variable& variable)
{
    double number = 0.0;
    WithScalar(variable, [&number](auto* value) { number = static_cast<double>(*value); });
    return number;
}

void WriteNumber(const Variable& variable, double number)
{
    if (std::isnan(number)) return;
    const NumberLimits limits = LimitsOf(variable);
    number = std::min(std::max(number, limits.min), limits.max);
    WithScalar(variable, [number](auto* value) {
        using T = std::remove_pointer_t<decltype(value)>;
        if constexpr (std::is_floating_point_v<T>) {
            *value = static_cast<T>(number);
        } else {
            *value = static_cast<T>(std::llround(number));
        }
    });
}

bool WriteText(const Variable& variable, const std::string& text)
{
    const int components = ComponentCount(variable.type);
    const std::vector<std::string_view> tokens = Tokens(text);
    if (components == 0 || static_cast<int>(tokens.size()) != components) return false;
    double numbers[4] = {};
    for (int i = 0; i < components; ++i) {
        if (!ParseNumber(tokens[i], numbers[i])) return false;
    }
    if (components == 1) {
        WriteNumber(variable, numbers[0]);
        return true;
    }
    float* values = static_cast<float*>(variable.pointer);
    for (int i = 0; i < components; ++i) {
        const double number = IsColour(variable.type) ? std::clamp(numbers[i], 0.0, 1.0) : numbers[i];
        values[i] = static_cast<float>(std::clamp(number, -static_cast<double>(std::numeric_limits<float>::max()),
                                                  static_cast<double>(std::numeric_limits<float>::max())));
    }
    return true;
}

void ToggleBool(const Variable& variable)
{
    if (variable.type == TW_TYPE_BOOLCPP) As<bool>(variable) = !As<bool>(variable);
}

}  // namespace platform::tweakbar
