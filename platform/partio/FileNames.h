#pragma once

#include <algorithm>
#include <cctype>
#include <string>

namespace platform::partio {

inline bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The extension that picks a format, in lower case: the last one, or the one before ".gz".
inline std::string FormatExtension(const std::string& fileName)
{
    std::string name = fileName;
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    if (EndsWith(name, ".gz")) name.erase(name.size() - 3);
    const std::string::size_type dot = name.find_last_of('.');
    const std::string::size_type slash = name.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    return name.substr(dot + 1);
}

}  // namespace platform::partio
