#pragma once
// A file that appears under its name only when it is complete: the bytes go to a
// temporary file beside it ("<name>.partial-<process id>-<n>"), which Commit flushes,
// closes and renames over the name. A file that is dropped before Commit (an error, a
// full disk, an exception) is removed, so a reader never finds a shortened file, and an
// older file of that name survives. Every file a user would miss is written this way.
//
// A process killed while writing leaves its temporary file behind; the next Open in that
// folder removes such files of processes that no longer run.

#include <cstddef>
#include <cstdio>
#include <string>
#include <sys/stat.h>

namespace qz::utils {

class ReplacingFile {
public:
    ReplacingFile() = default;
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;
    // Discards what was not committed.
    ~ReplacingFile();

    // Creates the temporary file; false with Error() set when it cannot, or when an
    // existing file of the name may not be written. The new file gets the permissions of
    // the file it replaces; a symbolic link is followed, and its target replaced. A device
    // or FIFO of the name is written directly, since there is no file to keep.
    bool Open(const std::string& path);
    bool IsOpen() const { return file_ != nullptr; }
    // Writes every byte or returns false with Error() set.
    bool Write(const void* data, std::size_t size);
    // Flush, close and rename; false with Error() set when any of them fails, or when a
    // Write failed before, and then the temporary file is gone too.
    bool Commit();
    // Closes and removes the temporary file.
    void Discard();

    // The errno value of the last failure; 0 before any.
    int Error() const { return error_; }
    const std::string& TemporaryPath() const { return temporaryPath_; }

private:
    bool Fail(int error);
    bool OpenSpecial(const std::string& target, const struct stat& existing);

    std::FILE* file_ = nullptr;
    std::string path_;
    std::string temporaryPath_;
    int error_ = 0;
    bool writeFailed_ = false;
};

// Writes the bytes as the whole new content of the file with a ReplacingFile; returns 0,
// or the errno value of the failure.
int WriteWholeFile(const std::string& path, const void* data, std::size_t size);

// Logs the line that follows a failed save's error report: the file and the system's
// reason ("No space left on device", "File too large", "Permission denied").
void LogWriteFailure(const std::string& fileName, int error);

// For a save that failed: runs the throw statement, whose error report is the save's own
// text, and logs the LogWriteFailure line after it; error is taken first, before the
// report's logging can change errno.
#define QZ_REPORT_SAVE_FAILURE(fileName, error, throwStatement)        \
    do {                                                              \
        const int qzSaveError = (error);                              \
        try {                                                         \
            throwStatement;                                           \
        } catch (...) {                                               \
            ::qz::utils::LogWriteFailure(fileName, qzSaveError);      \
            throw;                                                    \
        }                                                             \
    } while (false)

// Removes the temporary files of ReplacingFile in the folder ("" for the current one)
// whose process is gone; returns how many.
int RemoveStaleTemporaryFiles(const std::string& folder);

}  // namespace qz::utils
