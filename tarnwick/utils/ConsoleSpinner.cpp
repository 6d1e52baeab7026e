#include "tarnwick/utils/ConsoleSpinner.h"

#include <chrono>
#include <cstdio>

namespace qz::utils {

ConsoleSpinner::~ConsoleSpinner()
{
    Finish();
}

void ConsoleSpinner::Start(const std::string& label)
{
    Finish();
    label_ = label;
    stop_.store(false);
    std::printf("\n");
    std::fflush(stdout);
    worker_ = std::thread(&ConsoleSpinner::Run, this);
}

void ConsoleSpinner::Finish()
{
    if (!worker_.joinable()) return;
    stop_.store(true);
    worker_.join();
    if (label_.empty()) {
        std::printf("\rDone.%40s\n", "");
    } else {
        std::printf("\r%s: Done%42s\n", label_.c_str(), "");
    }
    std::fflush(stdout);
    label_.clear();
}

std::string ConsoleSpinner::Frame(const std::string& label, int frame)
{
    std::string bar = "[                              ]";
    const int r = frame % 30;
    const int pass = frame / 30;
    const int index = pass % 2 == 0 ? 1 + r : 30 - r;
    bar[static_cast<std::size_t>(index)] = "|/-\\"[frame % 4];
    return "\r" + label + ": " + bar;
}

void ConsoleSpinner::Run()
{
    // The label is written before the thread starts and read only here until the join.
    const std::string label = label_;
    for (int frame = 1; !stop_.load(); ++frame) {
        std::fputs(Frame(label, frame).c_str(), stdout);
        std::fflush(stdout);
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
}

}  // namespace qz::utils
