#pragma once
// Basic Windows types and result codes, with the values the Windows SDK gives them.

#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using UINT8 = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using INT = int;
using FLOAT = float;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using INT64 = std::int64_t;
using UINT64 = std::uint64_t;
using ULONGLONG = std::uint64_t;
using SIZE_T = std::size_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using HRESULT = std::int32_t;
using WCHAR = wchar_t;
using LPCWSTR = const wchar_t*;
using LPCSTR = const char*;
using LPSTR = char*;
using HANDLE = void*;

struct HWND__;
using HWND = HWND__*;
struct HMONITOR__;
using HMONITOR = HMONITOR__*;
struct HINSTANCE__;
using HMODULE = HINSTANCE__*;

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#define MAX_PATH 260

#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)

constexpr HRESULT MakeHResult(std::uint32_t code) { return static_cast<HRESULT>(code); }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = MakeHResult(0x80004001u);
constexpr HRESULT E_NOINTERFACE = MakeHResult(0x80004002u);
constexpr HRESULT E_POINTER = MakeHResult(0x80004003u);
constexpr HRESULT E_ABORT = MakeHResult(0x80004004u);
constexpr HRESULT E_FAIL = MakeHResult(0x80004005u);
constexpr HRESULT E_INVALIDARG = MakeHResult(0x80070057u);
constexpr HRESULT E_OUTOFMEMORY = MakeHResult(0x8007000Eu);
constexpr HRESULT E_ACCESSDENIED = MakeHResult(0x80070005u);
constexpr HRESULT E_HANDLE = MakeHResult(0x80070006u);
constexpr HRESULT HRESULT_FILE_NOT_FOUND = MakeHResult(0x80070002u);
constexpr HRESULT HRESULT_PATH_NOT_FOUND = MakeHResult(0x80070003u);
constexpr HRESULT DXGI_ERROR_INVALID_CALL = MakeHResult(0x887A0001u);
constexpr HRESULT DXGI_ERROR_NOT_FOUND = MakeHResult(0x887A0002u);
constexpr HRESULT DXGI_ERROR_UNSUPPORTED = MakeHResult(0x887A0004u);
constexpr HRESULT DXGI_ERROR_DEVICE_REMOVED = MakeHResult(0x887A0005u);
