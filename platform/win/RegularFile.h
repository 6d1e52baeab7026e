#pragma once
// Opening a file for binary reading only when it is a regular file. A FIFO would block
// the open until some writer appears, and FIFOs and devices have no size for the readers'
// length checks; both are refused before anything is read from them.

#include <cstdio>
#include <string>

namespace platform::win {

// The text every reader gives for such files.
inline constexpr const char* NotARegularFileText = "not a regular file";

// A read-only descriptor of the path, or -1 with the reason in failure: the system's text
// of the error, or NotARegularFileText. Backslashes are folder separators.
int OpenRegularFileDescriptor(const std::string& path, std::string& failure);

// The same as a stream opened "rb", or null.
std::FILE* OpenRegularFile(const std::string& path, std::string& failure);

}  // namespace platform::win
