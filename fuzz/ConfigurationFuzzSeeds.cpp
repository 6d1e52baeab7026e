// Seeds of the configuration target: files stored by the configuration itself, with
// default and changed values, a custom element and a declaration.

#include "fuzz/FuzzSeeds.h"
#include "fuzz/SettingsFixture.h"
#include "tarnwick/engine/Configuration.h"

int main(int argc, char** argv)
{
    return qz::fuzz::RunSeedWriter(argc, argv, [](const std::string& folder) {
        qz::fuzz::SettingsFixture settings;
        Configuration configuration("");
        configuration.appSettings[settings.volume.Name()] = &settings.volume;
        configuration.engineSettings[settings.camera.Name()] = &settings.camera;
        configuration.StoreCopy(folder + "/defaults.xml");
        settings.levels = 11;
        settings.file = "a&b <c>";
        settings.eye = qz::core::FloatVec3(1.5f, -2, 1e9f);
        settings.enabled = false;
        configuration.StoreCopy(folder + "/changed.xml");
        qz::fuzz::WriteSeed(folder, "custom.xml",
                            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tarnwick-config>\n<custom note='kept'>"
                            "<paths a=\"1\">text &amp; more</paths><!-- comment --><![CDATA[<raw>]]></custom>\n"
                            "<app-settings><volume><levels typeid=\"2\" value=\"3\"/></volume></app-settings>\n"
                            "</tarnwick-config>\n");
    });
}
