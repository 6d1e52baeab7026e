#pragma once
// Reading, showing and writing a bound variable by its type. Numbers honour the
// variable's "min", "max" and "step" parameters (integers also their type's range);
// floating-point values are shown with as many decimals as the step has, at least one.

#include "platform/tweakbar/Bars.h"

#include <string>

namespace platform::tweakbar {

struct NumberLimits {
    double min;
    double max;
    double step;
    int decimals;  // shown after the point; 0 for integer types
};

// Integers and floating-point numbers: one value, dragged or typed.
bool IsScalarNumber(TwType type);
// Colours, directions and quaternions: several floats, typed separated by blanks.
int ComponentCount(TwType type);

NumberLimits LimitsOf(const Variable& variable);

// The value as shown in its row.
std::string ValueText(const Variable& variable);

// Scalar numbers only.
double ReadNumber(const Variable& variable);
// Clamps to the limits, rounds integers to the nearest, and writes.
void WriteNumber(const Variable& variable, double value);

// Typed text: one number for a scalar, ComponentCount numbers otherwise (blanks or commas
// between them). False, and nothing written, for text that is not that.
bool WriteText(const Variable& variable, const std::string& text);

void ToggleBool(const Variable& variable);

}  // namespace platform::tweakbar
