// Seeds of the command-line target: for each item, the override of its group and of every
// group, with the value in the item's own text form; bare flags; arguments to pass over.

#include "fuzz/FuzzSeeds.h"
#include "fuzz/SettingsFixture.h"

int main(int argc, char** argv)
{
    return qz::fuzz::RunSeedWriter(argc, argv, [](const std::string& folder) {
        qz::fuzz::SettingsFixture settings;
        std::string all = "program";
        for (qz::utils::SettingsGroup* group : {&settings.volume, &settings.camera}) {
            group->ForEachItem([&](const qz::core::VariantCollectionItem& item) {
                std::string value;
                item.value.ToString(value);
                const std::string own = "--" + group->Name() + ":" + item.key + "=" + value;
                qz::fuzz::WriteSeed(folder, group->Name() + "-" + item.key, std::string("program\0", 8) + own);
                all += std::string(1, '\0') + "--" + item.key + "=" + value;
            });
        }
        qz::fuzz::WriteSeed(folder, "all", all);
        const char flags[] = "program\0--enabled\0--volume:enabled=false\0-levels=3\0levels=4";
        qz::fuzz::WriteSeed(folder, "flags", std::string(flags, sizeof(flags) - 1));
    });
}
