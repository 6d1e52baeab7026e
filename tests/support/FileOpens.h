#pragma once
// Counts the times a file is opened, by anyone, while the counter lives (inotify).

#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#include <string>

namespace qz::test {

class FileOpens {
public:
    explicit FileOpens(const std::string& path) : fd_(inotify_init1(IN_NONBLOCK))
    {
        valid_ = fd_ >= 0 && inotify_add_watch(fd_, path.c_str(), IN_OPEN) >= 0;
    }
    ~FileOpens()
    {
        if (fd_ >= 0) close(fd_);
    }
    FileOpens(const FileOpens&) = delete;
    FileOpens& operator=(const FileOpens&) = delete;

    bool Valid() const { return valid_; }

    // The opens since the last call.
    int Take()
    {
        int opens = 0;
        alignas(inotify_event) std::array<char, 4096> buffer;
        ssize_t length = 0;
        while ((length = read(fd_, buffer.data(), buffer.size())) > 0) {
            for (ssize_t at = 0; at < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer.data() + at);
                opens += (event->mask & IN_OPEN) != 0;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return opens;
    }

private:
    int fd_;
    bool valid_ = false;
};

}  // namespace qz::test
