#pragma once
// An activity bar on the console while a long blocking call runs.

#include <atomic>
#include <string>
#include <thread>

namespace qz::utils {

class ConsoleSpinner {
public:
    ConsoleSpinner() = default;
    // Finishes a spinner that is still running.
    ~ConsoleSpinner();
    ConsoleSpinner(const ConsoleSpinner&) = delete;
    ConsoleSpinner& operator=(const ConsoleSpinner&) = delete;

    // Starts drawing; a spinner that still runs is finished first.
    void Start(const std::string& label = std::string());
    // Stops and joins the worker and prints the done line; does nothing when not running.
    void Finish();
    bool IsRunning() const { return worker_.joinable(); }

    // The text of frame i: "\r", the label, ": ", then the bar with its marker.
    static std::string Frame(const std::string& label, int frame);

private:
    void Run();

    std::thread worker_;
    std::atomic<bool> stop_{false};
    std::string label_;
};

}  // namespace qz::utils
