#include "tarnwick/engine/Configuration.h"

#include "platform/win/Files.h"
#include "tarnwick/core/ErrorReport.h"
#include "tarnwick/engine/XmlFile.h"
#include "tarnwick/utils/ReplacingFile.h"

namespace {

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

// The library's own printing, into a file that replaces the old one only when complete;
// 0 or the errno value of the failure.
int WriteDocument(const TiXmlDocument& document, const std::string& fileName)
{
    TiXmlPrinter printer;
    document.Accept(&printer);
    return qz::utils::WriteWholeFile(platform::win::ToNativePath(fileName), printer.CStr(), printer.Size());
}

}  // namespace

Configuration::Configuration(std::string fileName) : fileName_(std::move(fileName)) {}

void Configuration::Load()
{
    if (fileName_.empty()) return;
    TiXmlDocument document;
    qz::engine::XmlFileFailure failure;
    if (!qz::engine::ReadXmlFile(fileName_, document, failure)) {
        auto message = qz::core::Logger::BeginMessage(qz::core::LogLevelImportant);
        message.SetType(qz::core::LogTypeWarning);
        message << "Could not load configuration from \"" << fileName_ << "\"; error message: " << failure.description
                << " (line " << failure.line << ")";
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
    if (const int error = WriteDocument(document, fileName)) {
        QZ_REPORT_SAVE_FAILURE(fileName, error,
                               QZ_THROW("Configuration::StoreCopy", "Could not save configuration to \"", fileName, "\""));
    }
}

void Configuration::ReloadAppSettings(const std::string& fileName)
{
    TiXmlDocument document;
    qz::engine::XmlFileFailure failure;
    if (!qz::engine::ReadXmlFile(fileName, document, failure)) {
        QZ_THROW("Configuration::ReloadAppSettings", "Could not load configuration from \"", fileName, "\"");
    }
    LoadPart(document.FirstChildElement(), "app-settings", appSettings);
}
