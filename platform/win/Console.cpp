#include "platform/win/Console.h"

#include <atomic>
#include <iostream>
#include <string>
#include <unistd.h>

namespace {

// Tokens only: the console stream keeps the handle but never dereferences it.
char standardOutputToken;
char standardErrorToken;

std::atomic<WORD> outputAttributes{7};
std::atomic<WORD> errorAttributes{7};

std::atomic<WORD>* AttributesOf(HANDLE console)
{
    if (console == &standardOutputToken) return &outputAttributes;
    if (console == &standardErrorToken) return &errorAttributes;
    return nullptr;
}

}  // namespace

HANDLE GetStdHandle(DWORD which)
{
    if (which == STD_OUTPUT_HANDLE) return &standardOutputToken;
    if (which == STD_ERROR_HANDLE) return &standardErrorToken;
    return nullptr;
}

BOOL SetConsoleTextAttribute(HANDLE console, WORD attributes)
{
    std::atomic<WORD>* current = AttributesOf(console);
    if (!current) return FALSE;
    current->store(attributes);
    const bool toOutput = console == &standardOutputToken;
    if (isatty(toOutput ? STDOUT_FILENO : STDERR_FILENO)) {
        (toOutput ? std::cout : std::cerr) << platform::win::AnsiSequenceForAttribute(attributes);
    }
    return TRUE;
}

BOOL GetConsoleScreenBufferInfo(HANDLE console, CONSOLE_SCREEN_BUFFER_INFO* info)
{
    std::atomic<WORD>* current = AttributesOf(console);
    if (!current || !info) return FALSE;
    info->wAttributes = current->load();
    return TRUE;
}

namespace platform::win {

const char* AnsiSequenceForAttribute(WORD attributes)
{
    switch (attributes) {
    case 7: return "\x1b[0m";
    case 9: return "\x1b[94m";
    case 10: return "\x1b[92m";
    case 14: return "\x1b[93m";
    case 78: return "\x1b[93;41m";
    case 15: return "\x1b[97m";
    case 12: return "\x1b[91m";
    default: return "\x1b[0m";
    }
}

}  // namespace platform::win
