#include "tarnwick/engine/Configuration.h"

#include "platform/win/Files.h"
#include "tarnwick/core/ErrorReport.h"

#include <cstdio>
#include <filesystem>
#include <memory>

namespace {

bool ReadDocument(const std::string& fileName, TiXmlDocument& document)
{
    const std::string path = platform::win::ToNativePath(fileName);
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (!error && status.type() != std::filesystem::file_type::regular) {
        // Folders and devices open for reading, but the library would take their length
        // for the size of a file.
        document.SetError(TiXmlBase::TIXML_ERROR_OPENING_FILE, nullptr, nullptr, TIXML_ENCODING_UNKNOWN);
        return false;
    }
    return document.LoadFile(path);
}

// Every group of the table reads the part of that name, when the root has one.
void LoadPart(const TiXmlElement* root, const char* part, const Configuration::GroupTable& groups)
{
    const TiXmlElement* element = root ? root->FirstChildElement(part) : nullptr;
    if (!element) return;
    for (const auto& entry : groups) {
        if (entry.second) entry.second->LoadFromXML(element);
    }
}

void SavePart(TiXmlElement& root, const char* part, const Configuration::GroupTable& groups)
{
    TiXmlNode* element = root.InsertEndChild(TiXmlElement(part));
    for (const auto& entry : groups) {
        if (entry.second) entry.second->SaveToXML(element);
    }
}

struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The library's own file printing, with every write checked, the closing one included.
bool WriteDocument(const TiXmlDocument& document, const std::string& fileName)
{
    TiXmlPrinter printer;
    document.Accept(&printer);
    std::unique_ptr<std::FILE, CloseFile> file(std::fopen(platform::win::ToNativePath(fileName).c_str(), "w"));
    if (!file) return false;
    const std::size_t written = std::fwrite(printer.CStr(), 1, printer.Size(), file.get());
    const bool flushed = std::fflush(file.get()) == 0;
    return written == printer.Size() && flushed && std::fclose(file.release()) == 0;
}

}  // namespace

Configuration::Configuration(std::string fileName) : fileName_(std::move(fileName)) {}

void Configuration::Load()
{
    if (fileName_.empty()) return;
    TiXmlDocument document;
    if (!ReadDocument(fileName_, document)) {
        auto message = qz::core::Logger::BeginMessage(qz::core::LogLevelImportant);
        message.SetType(qz::core::LogTypeWarning);
        message << "Could not load configuration from \"" << fileName_ << "\"; error message: " << document.ErrorDesc()
                << " (line " << document.ErrorRow() << ")";
        return;
    }
    const TiXmlElement* root = document.FirstChildElement();
    if (!root) return;
    LoadPart(root, "app-settings", appSettings);
    LoadPart(root, "engine-settings", engineSettings);
    if (const TiXmlElement* custom = root->FirstChildElement("custom")) custom_ = *custom;
}

void Configuration::StoreCopy(const std::string& fileName) const
{
    TiXmlDocument document;
    TiXmlElement root("tarnwick-config");
    SavePart(root, "app-settings", appSettings);
    SavePart(root, "engine-settings", engineSettings);
    root.InsertEndChild(custom_);
    document.InsertEndChild(root);
    if (!WriteDocument(document, fileName)) {
        QZ_THROW("Configuration::StoreCopy", "Could not save configuration to \"", fileName, "\"");
    }
}

void Configuration::ReloadAppSettings(const std::string& fileName)
{
    TiXmlDocument document;
    if (!ReadDocument(fileName, document)) {
        QZ_THROW("Configuration::ReloadAppSettings", "Could not load configuration from \"", fileName, "\"");
    }
    LoadPart(document.FirstChildElement(), "app-settings", appSettings);
}
