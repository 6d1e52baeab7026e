#pragma once
// Text between the wide strings of the framework's interface (one code point per
// wchar_t) and the UTF-8 of SDL.

#include <string>

namespace platform::dxut {

// Code points that UTF-8 cannot carry (surrogates, beyond U+10FFFF) become U+FFFD.
std::string ToUtf8(const wchar_t* text);
// Malformed sequences become U+FFFD, one per byte that cannot start a sequence.
std::u32string FromUtf8(const char* text);

}  // namespace platform::dxut
