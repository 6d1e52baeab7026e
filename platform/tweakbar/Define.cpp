#include "platform/tweakbar/Bars.h"

#include <charconv>

namespace {

// Whole numbers separated by blanks, exactly `count` of them.
bool ReadNumbers(const std::string& text, int* numbers, int count)
{
    const char* at = text.data();
    const char* const end = text.data() + text.size();
    for (int i = 0; i < count; ++i) {
        while (at < end && *at == ' ') ++at;
        const auto [next, error] = std::from_chars(at, end, numbers[i]);
        if (error != std::errc() || next == at) return false;
        at = next;
    }
    while (at < end && *at == ' ') ++at;
    return at == end;
}

bool ReadBool(const std::string& text, bool& value)
{
    if (text == "true" || text == "1") {
        value = true;
    } else if (text == "false" || text == "0") {
        value = false;
    } else {
        return false;
    }
    return true;
}

bool Apply(platform::tweakbar::BarPlacement& placement, const platform::tweakbar::Parameter& parameter)
{
    const auto& [name, value] = parameter;
    int numbers[2] = {};
    if (name == "label") {
        placement.label = value;
        return true;
    }
    if (name == "visible") {
        return ReadBool(value, placement.visible);
    }
    if (name == "alpha") {
        if (!ReadNumbers(value, numbers, 1) || numbers[0] < 0 || numbers[0] > 255) return false;
        placement.alpha = numbers[0];
        return true;
    }
    if (name == "position") {
        if (!ReadNumbers(value, numbers, 2)) return false;
        placement.x = numbers[0];
        placement.y = numbers[1];
        return true;
    }
    if (name == "size") {
        if (!ReadNumbers(value, numbers, 2) || numbers[0] < 0 || numbers[1] < 0) return false;
        placement.width = numbers[0];
        placement.height = numbers[1];
        return true;
    }
    return false;
}

}  // namespace

int TwDefine(const char* def)
{
    if (!def) return 0;
    const auto [barName, parameters] = platform::tweakbar::SplitObjectName(def);
    CTwBar* bar = platform::tweakbar::FindBar(barName);
    if (!bar) return 0;
    for (const platform::tweakbar::Parameter& parameter : platform::tweakbar::ParseDefinition(parameters)) {
        if (!Apply(bar->placement, parameter)) return 0;
    }
    return 1;
}
