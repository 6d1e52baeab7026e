#pragma once
// A file that appears under its name only when it is complete: the bytes go to a
// temporary file beside it, which Commit flushes, closes and renames over the name. A
// file that is dropped before Commit (an error, a full disk, an exception) is removed,
// so a reader never finds a shortened file, and an older file of that name survives.

#include <cstddef>
#include <cstdio>
#include <string>

class ReplacingFile {
public:
    ReplacingFile() = default;
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;
    // Discards what was not committed.
    ~ReplacingFile();

    // Creates the temporary file (permissions as for a new file of the name); false with
    // errno set when it cannot.
    bool Open(const std::string& path);
    bool IsOpen() const { return file_ != nullptr; }
    // Writes every byte or returns false.
    bool Write(const void* data, std::size_t size);
    // Flush, close and rename; false with errno set when any of them fails, and then the
    // temporary file is gone too.
    bool Commit();
    // Closes and removes the temporary file.
    void Discard();

    const std::string& TemporaryPath() const { return temporaryPath_; }

private:
    std::FILE* file_ = nullptr;
    std::string path_;
    std::string temporaryPath_;
};
