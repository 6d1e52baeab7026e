// Any bytes as a command line (arguments separated by NUL bytes) applied to settings
// groups with an item of every type: arguments that fit change items, the rest are passed
// over; never a crash, an overrun or an exception.

#include "fuzz/FuzzInput.h"
#include "fuzz/SettingsFixture.h"

#include <string>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qz::fuzz::SilenceLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> arguments(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            arguments.emplace_back();
        } else {
            arguments.back() += static_cast<char>(data[i]);
        }
    }
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    qz::fuzz::SettingsFixture settings;
    settings.volume.ApplyCommandLine(static_cast<int>(argv.size()), argv.data());
    settings.camera.ApplyCommandLine(static_cast<int>(argv.size()), argv.data());
    qz::fuzz::Require(settings.restored <= 2);
    return 0;
}
