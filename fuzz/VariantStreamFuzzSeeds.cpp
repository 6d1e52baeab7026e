// Seeds of the key-value stream target: the streams of the collection itself, with
// default and changed values, and of collections with fewer or other items.

#include "fuzz/FuzzSeeds.h"
#include "fuzz/SettingsFixture.h"

#include <new>

namespace {

std::string Stream(const qz::core::VariantCollection& collection)
{
    void* buffer = nullptr;
    std::size_t size = 0;
    collection.SaveToBinaryKeyValue(buffer, size);
    std::string bytes(static_cast<const char*>(buffer), size);
    ::operator delete(buffer);
    return bytes;
}

}  // namespace

int main(int argc, char** argv)
{
    return qz::fuzz::RunSeedWriter(argc, argv, [](const std::string& folder) {
        qz::fuzz::SettingsFixture settings;
        qz::fuzz::WriteSeed(folder, "defaults", Stream(settings.volume));
        settings.file = "";
        settings.levels = -1;
        settings.eye = qz::core::FloatVec3(1, 2, 3);
        qz::fuzz::WriteSeed(folder, "changed", Stream(settings.volume));
        qz::fuzz::WriteSeed(folder, "camera", Stream(settings.camera));
        // Keys the volume does not know, and a known key with another type.
        qz::core::VariantCollection other;
        int number = 7;
        std::string text = "other text";
        float levels = 2.5f;
        other.AddTypedItem("unknown", &number);
        other.AddTypedItem("note", &text);
        other.AddTypedItem("levels", &levels);
        qz::fuzz::WriteSeed(folder, "other", Stream(other));
    });
}
