#include "platform/win/Windows.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string Narrow(const wchar_t* text)
{
    std::string narrow;
    for (; *text; ++text) narrow.push_back(static_cast<char>(*text));
    return narrow;
}

TEST(ComError, KnownAndUnknownCodes)
{
    EXPECT_EQ("The parameter is incorrect.", Narrow(_com_error(E_INVALIDARG).ErrorMessage()));
    EXPECT_EQ("Unspecified error", Narrow(_com_error(E_FAIL).ErrorMessage()));
    EXPECT_EQ("Unknown error 0x887A0099", Narrow(_com_error(static_cast<HRESULT>(0x887A0099u)).ErrorMessage()));
    EXPECT_TRUE(FAILED(E_OUTOFMEMORY));
    EXPECT_TRUE(SUCCEEDED(S_FALSE));
}

TEST(Console, AttributesAreRememberedAndMappedToAnsi)
{
    const HANDLE console = GetStdHandle(STD_OUTPUT_HANDLE);
    ASSERT_NE(nullptr, console);
    EXPECT_TRUE(SetConsoleTextAttribute(console, 78));
    CONSOLE_SCREEN_BUFFER_INFO info {};
    EXPECT_TRUE(GetConsoleScreenBufferInfo(console, &info));
    EXPECT_EQ(78, info.wAttributes);
    SetConsoleTextAttribute(console, 7);
    EXPECT_FALSE(SetConsoleTextAttribute(nullptr, 7));
    EXPECT_STREQ("\x1b[93;41m", platform::win::AnsiSequenceForAttribute(78));
    EXPECT_STREQ("\x1b[92m", platform::win::AnsiSequenceForAttribute(10));
    EXPECT_STREQ("\x1b[0m", platform::win::AnsiSequenceForAttribute(7));
}

TEST(PerformanceCounter, MonotonicNanosecondsAndInjectable)
{
    LARGE_INTEGER frequency {}, first {}, second {};
    QueryPerformanceFrequency(&frequency);
    EXPECT_EQ(1000000000, frequency.QuadPart);
    QueryPerformanceCounter(&first);
    QueryPerformanceCounter(&second);
    EXPECT_LE(first.QuadPart, second.QuadPart);
    platform::win::SetPerformanceCounterSource([] { return std::int64_t{42}; });
    QueryPerformanceCounter(&first);
    EXPECT_EQ(42, first.QuadPart);
    platform::win::SetPerformanceCounterSource({});
}

TEST(Files, CurrentDirectoryReportsTheNeededSize)
{
    const std::string current = fs::current_path().string();
    char small[2] = {'?', '?'};
    EXPECT_EQ(current.size() + 1, GetCurrentDirectoryA(sizeof(small), small));
    EXPECT_EQ('?', small[0]);
    char buffer[4096];
    EXPECT_EQ(current.size(), GetCurrentDirectoryA(sizeof(buffer), buffer));
    EXPECT_EQ(current, buffer);
}

TEST(Files, MakeSureDirectoryPathExistsWithBothSeparators)
{
    fs::remove_all("made");
    EXPECT_TRUE(MakeSureDirectoryPathExists("made\\dumps/0001\\"));
    EXPECT_TRUE(fs::is_directory("made/dumps/0001"));
    EXPECT_TRUE(MakeSureDirectoryPathExists("made/dumps/not-a-folder-yet"));
    EXPECT_FALSE(fs::exists("made/dumps/not-a-folder-yet"));
    std::ofstream("made/file") << "x";
    EXPECT_FALSE(MakeSureDirectoryPathExists("made/file/inner/"));
    EXPECT_TRUE(platform::win::FileExists("made\\file"));
    EXPECT_FALSE(platform::win::FileExists("made\\dumps"));
    fs::remove_all("made");
}

TEST(Files, ModulePathIsTheRunningProgram)
{
    char path[4096];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    ASSERT_GT(length, 0u);
    EXPECT_EQ("platform_win_tests", fs::path(path).filename().string());
}

TEST(Files, BackslashesBecomeSlashes)
{
    EXPECT_EQ("./lastsettings.xml", platform::win::ToNativePath(".\\lastsettings.xml"));
}

}  // namespace

TEST(WindowMessages, PackedParametersKeepTheirSigns)
{
    const LPARAM point = MAKELPARAM(-3, 70);
    EXPECT_EQ(-3, GET_X_LPARAM(point));
    EXPECT_EQ(70, GET_Y_LPARAM(point));
    EXPECT_EQ(-240, GET_WHEEL_DELTA_WPARAM(MAKEWPARAM(MK_LBUTTON | MK_CONTROL, -240)));
    EXPECT_EQ(MK_LBUTTON | MK_CONTROL, LOWORD(MAKEWPARAM(MK_LBUTTON | MK_CONTROL, -240)));
    EXPECT_EQ(XBUTTON2, GET_XBUTTON_WPARAM(MAKEWPARAM(0, XBUTTON2)));
    EXPECT_EQ("Operation aborted", Narrow(_com_error(E_ABORT).ErrorMessage()));
}
