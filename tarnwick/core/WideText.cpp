#include "tarnwick/core/WideText.h"

namespace qz::core {

std::wstring WidenText(const std::string& text)
{
    std::wstring wide;
    wide.reserve(text.size());
    for (char c : text) {
        wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    }
    return wide;
}

std::string NarrowText(const wchar_t* text)
{
    std::string narrow;
    for (; text && *text; ++text) {
        narrow.push_back(static_cast<char>(static_cast<unsigned>(*text) & 0xFF));
    }
    return narrow;
}

}  // namespace qz::core
