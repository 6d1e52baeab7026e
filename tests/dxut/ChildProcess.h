#pragma once
// A helper program started without waiting for it, so that the window's loop keeps
// running while xdotool or xwd talks to the X server.

#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

extern char** environ;

namespace qz::test {

class ChildProcess {
public:
    explicit ChildProcess(std::vector<std::string> arguments) : arguments_(std::move(arguments))
    {
        std::vector<char*> argv;
        for (std::string& argument : arguments_) argv.push_back(argument.data());
        argv.push_back(nullptr);
        started_ = posix_spawnp(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) == 0;
    }
    ~ChildProcess()
    {
        if (started_ && !finished_) waitpid(pid_, &status_, 0);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return started_; }
    // True once the program has ended; its exit status is then Succeeded().
    bool Finished()
    {
        if (started_ && !finished_ && waitpid(pid_, &status_, WNOHANG) == pid_) finished_ = true;
        return finished_ || !started_;
    }
    bool Succeeded() const { return finished_ && WIFEXITED(status_) && WEXITSTATUS(status_) == 0; }
    const std::string& Program() const { return arguments_.front(); }

private:
    std::vector<std::string> arguments_;
    pid_t pid_ = 0;
    int status_ = 0;
    bool started_ = false;
    bool finished_ = false;
};

}  // namespace qz::test
