#pragma once
// Save-file dialog, message box and debugger output. Without a desktop the save dialog
// reports "cancelled"; tests and front ends may install their own provider.

#include "platform/win/Types.h"

#include <functional>

constexpr DWORD OFN_OVERWRITEPROMPT = 0x2;
constexpr DWORD OFN_HIDEREADONLY = 0x4;
constexpr DWORD OFN_NOCHANGEDIR = 0x8;
constexpr DWORD OFN_EXPLORER = 0x80000;

struct OPENFILENAMEA {
    DWORD lStructSize;
    HWND hwndOwner;
    const char* lpstrFilter;
    DWORD nFilterIndex;
    char* lpstrFile;
    DWORD nMaxFile;
    const char* lpstrInitialDir;
    const char* lpstrTitle;
    DWORD Flags;
};

// True when the user confirmed; lpstrFile then holds the chosen path.
BOOL GetSaveFileNameA(OPENFILENAMEA* description);

constexpr UINT MB_OK = 0x0;
constexpr UINT MB_ICONERROR = 0x10;
constexpr int IDOK = 1;

// Writes "caption: text" to standard error.
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);
void OutputDebugStringA(const char* text);

namespace platform::win {

// The provider fills lpstrFile and returns TRUE, or returns FALSE for "cancelled".
// An empty function restores the default, which always cancels.
using SaveFileDialogProvider = std::function<BOOL(OPENFILENAMEA&)>;
void SetSaveFileDialogProvider(SaveFileDialogProvider provider);

}  // namespace platform::win
