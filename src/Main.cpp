// The program's entry: the application of the interactive mode, its run sequence, the
// argument lists on "--help" or "/?", and the report of an error that reaches here.

#include "src/Application.h"
#include "tarnwick/core/Logging.h"
#include "tarnwick/engine/EngineRoot.h"
#include "tarnwick/utils/FileSizeSignal.h"

#include <cstring>
#include <exception>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>

namespace {

bool AsksForHelp(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "/?") == 0) {
        return true;
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            return true;
        }
    }
    return false;
}

void PrintHelp(const Configuration& configuration)
{
    std::cout << "\nUsage: renderer [--config=FILE] [--verbose] [--KEY[=VALUE]] [--GROUP:KEY[=VALUE]] ...\n\n"
                 "Engine options (read from the command line only):\n\n";
    qz::engine::EngineOptions options;
    qz::engine::MakeEngineOptionsGroup(options)->PrintHelp(std::cout, false);
    std::cout << "\nSettings groups (stored in the configuration; \"renderingdevice\" is read from the "
                 "configuration file only):\n\n";
    for (const Configuration::GroupTable* table : {&configuration.appSettings, &configuration.engineSettings}) {
        for (const auto& [name, group] : *table) {
            group->PrintHelp(std::cout, false);
            std::cout << "\n";
        }
    }
}

std::string ReportText(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& exception) {
        return std::string("Unexpected error: ") + exception.what() +
               "\nSee the logfile (./log.txt) for details. To enable detailed logging, start the application with "
               "the parameter --verbose.";
    } catch (...) {
        return "Unrecognized error.";
    }
}

// After the logger is gone, so the log file is closed and whole.
void Report(const std::string& text)
{
    std::cerr << "\n" << text << "\n";
    std::ofstream log("./Log.txt", std::ios::app);
    log << "\n*** ERROR ***\n" << text << "\n";
}

}  // namespace

int main(int argc, char** argv)
{
    qz::utils::IgnoreFileSizeSignal();
    std::unique_ptr<Application> application;
    std::exception_ptr error;
    try {
        application = std::make_unique<Application>(argc, argv);
        ApplicationInstance = application.get();
        if (AsksForHelp(argc, argv)) {
            PrintHelp(*qz::engine::QZRoot.configuration);
        } else {
            qz::engine::Run();
        }
    } catch (...) {
        error = std::current_exception();
    }
    application.reset();
    ApplicationInstance = nullptr;
    qz::core::Logger::Release();
    if (error) {
        Report(ReportText(error));
        return 1;
    }
    return 0;
}
