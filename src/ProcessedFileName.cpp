#include "src/ProcessedFileName.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

// Widths and precisions beyond this are not taken as a conversion; they would only make
// names of thousands of zeros.
constexpr std::size_t MaxDigits = 3;

struct Conversion {
    std::size_t begin = std::string::npos;
    std::size_t end = 0;  // one past the conversion character
    std::string spec;      // flags, width and precision, as written
    char type = 'd';
};

std::size_t SkipDigits(const std::string& text, std::size_t i)
{
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
    return i;
}

// The conversion that starts at text[begin] == '%', if one does.
bool ParseConversion(const std::string& text, std::size_t begin, Conversion& conversion)
{
    std::size_t i = begin + 1;
    while (i < text.size() && std::strchr("-+ #0", text[i]) && text[i] != '\0') ++i;
    std::size_t digitsEnd = SkipDigits(text, i);
    if (digitsEnd - i > MaxDigits) return false;
    i = digitsEnd;
    if (i < text.size() && text[i] == '.') {
        digitsEnd = SkipDigits(text, i + 1);
        if (digitsEnd - (i + 1) > MaxDigits) return false;
        i = digitsEnd;
    }
    const std::size_t specEnd = i;
    // Length modifiers change nothing for an int that is passed as long long.
    while (i < text.size() && std::strchr("hljzt", text[i]) && text[i] != '\0') ++i;
    if (i >= text.size() || !std::strchr("diu", text[i]) || text[i] == '\0') return false;
    conversion.begin = begin;
    conversion.end = i + 1;
    conversion.spec = text.substr(begin + 1, specEnd - begin - 1);
    conversion.type = text[i];
    return true;
}

}  // namespace

std::string FormatTimestepFileName(const std::string& pattern, int timestep)
{
    Conversion last;
    for (std::size_t i = pattern.find('%'); i != std::string::npos; i = pattern.find('%', i + 1)) {
        Conversion candidate;
        if (ParseConversion(pattern, i, candidate)) last = candidate;
    }
    if (last.begin == std::string::npos) return pattern;

    const std::string format = "%" + last.spec + "ll" + last.type;
    const long long value = last.type == 'u' ? static_cast<long long>(static_cast<unsigned>(timestep)) : timestep;
    const int length = std::snprintf(nullptr, 0, format.c_str(), value);
    std::string number(static_cast<std::size_t>(length > 0 ? length : 0) + 1, '\0');
    std::snprintf(number.data(), number.size(), format.c_str(), value);
    number.pop_back();
    return pattern.substr(0, last.begin) + number + pattern.substr(last.end);
}
