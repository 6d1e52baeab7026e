#pragma once
// Everything needed to study one rendered frame, written into a folder of its own: the
// settings, every statistics collection, images of registered textures and named binary
// streams, with an index of what was written in the settings copy.

#include "platform/d3d11/D3D11.h"

#include <array>
#include <functional>
#include <sstream>
#include <string>
#include <unordered_map>

namespace qz::dev {

class FrameDump {
public:
    struct Screenshot {
        ID3D11Texture2D* texture = nullptr;  // not owned
        bool fillBackground = false;         // put the background colour under transparent pixels
        bool raw = false;                    // the texture's own bytes instead of a PNG
    };

    // Writes the current settings to the file named.
    using SettingsWriter = std::function<void(const std::string& fileName)>;

    // Writes one dump into root\name\ (for an empty name, one made of the local time).
    // Throws when the folder, a staging copy or the index cannot be made; what was
    // written before stays.
    void Dump(const std::string& root, const std::string& name, const SettingsWriter& storeSettings);

    // Writes the first level of one texture to the file; what cannot be written is a
    // warning. Throws when the texture cannot be copied for reading.
    static void Dump(const Screenshot& screenshot, const std::string& path, const std::array<float, 4>& background);

    // "framedump_" and the local time, day first: framedump_DDMMYYYY_hhmmss.
    static std::string GeneratedName();

    // Registered by name; the owner inserts and updates entries.
    std::unordered_map<std::string, Screenshot> screenshots;
    // Written as files of their names.
    std::unordered_map<std::string, std::stringstream> binaryStreams;
    std::string settingsExtension = "xml";
    // Under transparent pixels, in the channels' 0-255 units.
    std::array<float, 4> backgroundColor{0.0f, 0.0f, 0.0f, 0.0f};

private:
    // Defined beside the dump's other throw sites, so that a texture which cannot be read
    // back is reported from the same source as every other failure of a dump.
    [[noreturn]] static void ThrowReadBackFailure(const char* message, HRESULT result);
};

}  // namespace qz::dev
