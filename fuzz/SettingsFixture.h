#pragma once
// Settings groups with an item of every data type, for the targets of the configuration
// file, the command line and the binary key-value stream, and for their seed writers.

#include "tarnwick/core/SerializableVectors.h"
#include "tarnwick/utils/Settings.h"

#include <cstdint>
#include <string>

namespace qz::fuzz {

struct SettingsFixture {
    SettingsFixture()
    {
        volume.AddTypedItem("i8", &i8, "Int8");
        volume.AddTypedItem("i16", &i16, "Int16");
        volume.AddTypedItem("levels", &levels, "Levels <!ATB min=1 max=12>");
        volume.AddTypedItem("i64", &i64, "Int64");
        volume.AddTypedItem("u8", &u8);
        volume.AddTypedItem("u16", &u16);
        volume.AddTypedItem("u32", &u32);
        volume.AddTypedItem("u64", &u64);
        volume.AddTypedItem("radius", &radius, "Radius");
        volume.AddTypedItem("scale", &scale);
        volume.AddTypedItem("enabled", &enabled, "Enabled");
        volume.AddTypedItem("file", &file, "File");
        volume.AddTypedItem("eye", &eye, "Eye", 1);
        volume.AddTypedItem("resolution", &resolution);
        camera.AddTypedItem("eye", &cameraEye);
        camera.AddTypedItem("fov", &fov);
        volume.SetRestoreCallback([this](qz::utils::SettingsGroup&) { ++restored; });
        camera.SetRestoreCallback([this](qz::utils::SettingsGroup&) { ++restored; });
    }
    SettingsFixture(const SettingsFixture&) = delete;
    SettingsFixture& operator=(const SettingsFixture&) = delete;

    std::int8_t i8 = -3;
    std::int16_t i16 = 300;
    int levels = 6;
    std::int64_t i64 = -5000000000;
    std::uint8_t u8 = 200;
    std::uint16_t u16 = 60000;
    unsigned u32 = 4000000000u;
    std::uint64_t u64 = 18000000000000000000ull;
    float radius = 0.5f;
    double scale = 1e-3;
    bool enabled = true;
    std::string file = "none";
    qz::core::FloatVec3 eye {0, 0, -5};
    qz::core::Int32Vec2 resolution {1280, 720};
    qz::core::FloatVec3 cameraEye {1, 2, 3};
    float fov = 60;
    int restored = 0;
    qz::utils::SettingsGroup volume {"volume", "Volume"};
    qz::utils::SettingsGroup camera {"camera", ""};
};

}  // namespace qz::fuzz
