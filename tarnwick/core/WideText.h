#pragma once
// Narrow and wide text as the platform's interfaces pass it: narrow text is widened
// character by character, wide text is narrowed to the low byte of each character.

#include <string>

namespace qz::core {

std::wstring WidenText(const std::string& text);
std::string NarrowText(const wchar_t* text);

}  // namespace qz::core
