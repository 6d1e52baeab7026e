#pragma once
// Current folder, folder listing, module path, folder creation and file attributes.
// Both "\" and "/" separate folders; "\" is turned into "/" before a path reaches the
// file system.

#include "platform/win/Types.h"

#include <string>

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x2;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    UINT64 nFileSize;
    char cFileName[MAX_PATH];
};

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))

// Length written without the terminator; when the buffer is too small, the size needed
// (with the terminator) and the buffer untouched; 0 on failure.
DWORD GetCurrentDirectoryA(DWORD bufferLength, char* buffer);
BOOL SetCurrentDirectoryA(const char* path);

// Pattern: a folder, a separator and a file-name pattern with * and ?. Names match
// case-insensitively, as on Windows. Entries come in the file system's order.
HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data);
BOOL FindNextFileA(HANDLE search, WIN32_FIND_DATAA* data);
BOOL FindClose(HANDLE search);

// Module null is the running program.
DWORD GetModuleFileNameA(void* module, char* buffer, DWORD size);

// Creates every missing folder up to the last separator of the path.
BOOL MakeSureDirectoryPathExists(const char* path);

DWORD GetFileAttributesA(const char* path);

namespace platform::win {

// The path with every "\" turned into "/".
std::string ToNativePath(const std::string& path);

bool FileExists(const std::string& path);

}  // namespace platform::win
