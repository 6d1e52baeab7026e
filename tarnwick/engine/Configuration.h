#pragma once
// The configuration file: the settings groups of the application and of the engine, read
// from and written to one XML file
//   <tarnwick-config> <app-settings>...</app-settings> <engine-settings>...</engine-settings>
//                     <custom>...</custom> </tarnwick-config>
// The "custom" element is carried through unchanged.

#include "tarnwick/utils/Settings.h"

#include <tinyxml.h>

#include <string>
#include <unordered_map>

class Configuration {
public:
    // Groups by name; the owners enter and remove them and keep them alive meanwhile.
    using GroupTable = std::unordered_map<std::string, qz::utils::SettingsGroup*>;

    explicit Configuration(std::string fileName);
    Configuration(const Configuration&) = delete;
    Configuration& operator=(const Configuration&) = delete;

    // Reads the file into the groups entered so far; a file that cannot be read is a
    // warning, and every group keeps its values.
    void Load();
    // Writes every entered group and the custom element; throws when the file cannot be
    // written. The configuration's own file name stays.
    void StoreCopy(const std::string& fileName) const;
    // Reads only the application's groups from another file; throws when it cannot be read.
    void ReloadAppSettings(const std::string& fileName);

    const std::string& FileName() const { return fileName_; }
    const TiXmlElement& Custom() const { return custom_; }

    GroupTable appSettings;
    GroupTable engineSettings;

private:
    std::string fileName_;
    TiXmlElement custom_ {"custom"};
};
