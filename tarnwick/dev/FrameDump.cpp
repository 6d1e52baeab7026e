#include "tarnwick/dev/FrameDump.h"

#include "tarnwick/core/ErrorReport.h"
#include "tarnwick/dev/Statistics.h"
#include "platform/win/Files.h"
#include "tarnwick/utils/ReplacingFile.h"

#include <tinyxml.h>

#include <cstdio>
#include <ctime>
#include <sstream>

namespace qz::dev {

namespace {

// A file of the dump that cannot be written is a warning, with the system's reason.
void WriteDumpFile(const std::string& path, const std::string& bytes)
{
    const int error = utils::WriteWholeFile(platform::win::ToNativePath(path), bytes.data(), bytes.size());
    if (error == 0) return;
    {
        core::LogMessage message = core::Logger::BeginMessage(core::LogLevelImportant);
        message.SetType(core::LogTypeWarning);
        message << "Could not dump file \"" << path << "\"";
    }
    utils::LogWriteFailure(path, error);
}

}  // namespace

void FrameDump::ThrowReadBackFailure(const char* message, HRESULT result)
{
    QZ_THROW_COM("qz::dev::FrameDump::Dump", result, message);
}

std::string FrameDump::GeneratedName()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char name[64];
    std::snprintf(name, sizeof(name), "framedump_%02d%02d%04d_%02d%02d%02d", local.tm_mday, local.tm_mon + 1,
                  local.tm_year + 1900, local.tm_hour, local.tm_min, local.tm_sec);
    return name;
}

void FrameDump::Dump(const std::string& root, const std::string& name, const SettingsWriter& storeSettings)
{
    const std::string dumpName = name.empty() ? GeneratedName() : name;
    const std::string folder = root + "\\" + dumpName + "\\";
    core::Logger::BeginMessageWith("Performing framedump \"") << dumpName << "\" to \"" << folder << "\"";
    if (!MakeSureDirectoryPathExists(folder.c_str())) {
        QZ_THROW("qz::dev::FrameDump::Dump", "Could not create folder \"", folder, "\"");
    }

    const std::string settingsPath = folder + dumpName + "_settings." + settingsExtension;
    storeSettings(settingsPath);
    // Only a file is read: TinyXML would size a folder as a huge file.
    TiXmlDocument document;
    if (!platform::win::FileExists(settingsPath) || !document.LoadFile(platform::win::ToNativePath(settingsPath))) {
        document.Clear();
    }
    TiXmlElement index("framedump-data");
    TiXmlElement statistics("statistics");
    statistics.SetAttribute("file", dumpName + "_stats.txt");
    index.InsertEndChild(statistics);

    for (const auto& [screenshotName, screenshot] : screenshots) {
        const std::string file = dumpName + "_" + screenshotName + (screenshot.raw ? ".raw" : ".png");
        Dump(screenshot, folder + file, backgroundColor);
        TiXmlElement element("screenshot");
        element.SetAttribute("name", screenshotName);
        element.SetAttribute("file", file);
        index.InsertEndChild(element);
    }

    for (const auto& [streamName, stream] : binaryStreams) {
        // The content, not the stream's read position, so every dump gets all of it.
        const std::string bytes = stream.str();
        WriteDumpFile(folder + streamName, bytes);
        TiXmlElement element("binstream");
        element.SetAttribute("file", streamName);
        index.InsertEndChild(element);
    }

    document.InsertEndChild(index);
    TiXmlPrinter printer;
    document.Accept(&printer);
    if (const int error = utils::WriteWholeFile(platform::win::ToNativePath(settingsPath), printer.CStr(), printer.Size())) {
        QZ_REPORT_SAVE_FAILURE(settingsPath, error,
                               QZ_THROW("qz::dev::FrameDump::Dump", "Could not write \"", settingsPath, "\""));
    }
    core::Logger::BeginMessage().SetType(core::LogTypeDebug) << "Wrote \"" << settingsPath << "\"";

    std::ostringstream statisticsText;
    Statistics::AppendText(statisticsText, true);
    WriteDumpFile(folder + dumpName + "_stats.txt", statisticsText.str());
    core::Logger::BeginMessageWith("\tFramedump complete");
}

}  // namespace qz::dev
