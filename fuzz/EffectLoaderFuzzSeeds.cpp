// Seeds of the effect loader: the program's compiled effects and the test samples as our
// compiler writes them.

#include "fuzz/FuzzSeeds.h"
#include "platform/effects/CompileSource.h"
#include "shader/BuiltInEffects.h"
#include "tests/effects/EffectSamples.h"

int main(int argc, char** argv)
{
    return qz::fuzz::RunSeedWriter(argc, argv, [](const std::string& folder) {
        for (const char* name : {"graph", "3dobjects"}) {
            const std::vector<std::uint8_t>& bytes = qz::shaders::CompiledEffect(name);
            qz::fuzz::WriteSeed(folder, std::string(name) + ".fxo", std::string(bytes.begin(), bytes.end()));
        }
        const std::pair<const char*, const char*> samples[] = {
            {"packed", qz::test::kPacked}, {"techniques", qz::test::kTechniques}, {"runtime", qz::test::kRuntime}};
        for (const auto& [name, source] : samples) {
            platform::effects::CompileRequest request;
            request.source = source;
            request.sourceName = std::string(name) + ".fx";
            request.effectName = name;
            platform::effects::Diagnostics diagnostics;
            std::vector<std::byte> code;
            if (!platform::effects::CompileEffectSource(request, code, diagnostics)) {
                throw std::runtime_error(diagnostics.Text());
            }
            qz::fuzz::WriteSeed(folder, std::string(name) + ".fxo",
                                std::string(reinterpret_cast<const char*>(code.data()), code.size()));
        }
    });
}
