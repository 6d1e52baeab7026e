#pragma once
// Console text attributes. Colours become ANSI escape sequences on standard output when
// it is a terminal; otherwise only the current attribute is remembered.

#include "platform/win/Types.h"

constexpr DWORD STD_OUTPUT_HANDLE = static_cast<DWORD>(-11);
constexpr DWORD STD_ERROR_HANDLE = static_cast<DWORD>(-12);

constexpr WORD FOREGROUND_BLUE = 0x1;
constexpr WORD FOREGROUND_GREEN = 0x2;
constexpr WORD FOREGROUND_RED = 0x4;
constexpr WORD FOREGROUND_INTENSITY = 0x8;
constexpr WORD BACKGROUND_BLUE = 0x10;
constexpr WORD BACKGROUND_GREEN = 0x20;
constexpr WORD BACKGROUND_RED = 0x40;
constexpr WORD BACKGROUND_INTENSITY = 0x80;

struct CONSOLE_SCREEN_BUFFER_INFO {
    WORD wAttributes;
};

HANDLE GetStdHandle(DWORD which);
BOOL SetConsoleTextAttribute(HANDLE console, WORD attributes);
BOOL GetConsoleScreenBufferInfo(HANDLE console, CONSOLE_SCREEN_BUFFER_INFO* info);

namespace platform::win {

// The ANSI SGR sequence for a console attribute ("\x1b[0m" for the normal grey 7).
const char* AnsiSequenceForAttribute(WORD attributes);

}  // namespace platform::win
