#include "platform/win/Dialogs.h"

#include <cstdio>
#include <mutex>

namespace {

std::mutex providerMutex;
platform::win::SaveFileDialogProvider saveFileProvider;

}  // namespace

BOOL GetSaveFileNameA(OPENFILENAMEA* description)
{
    if (!description || !description->lpstrFile || description->nMaxFile == 0) return FALSE;
    platform::win::SaveFileDialogProvider provider;
    {
        std::lock_guard lock(providerMutex);
        provider = saveFileProvider;
    }
    if (!provider) return FALSE;
    return provider(*description);
}

int MessageBoxA(HWND, const char* text, const char* caption, UINT)
{
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
    return IDOK;
}

void OutputDebugStringA(const char* text)
{
    if (text) std::fputs(text, stderr);
}

namespace platform::win {

void SetSaveFileDialogProvider(SaveFileDialogProvider provider)
{
    std::lock_guard lock(providerMutex);
    saveFileProvider = std::move(provider);
}

}  // namespace platform::win
