#include "shader/BuiltInEffects.h"

#include "shader/EmbeddedEffects.h"

#include <map>
#include <mutex>

namespace qz::shaders {

void RegisterGraphKernels();
void RegisterObjectKernels();
void RegisterSceneKernels();

void RegisterBuiltInKernels()
{
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterGraphKernels();
        RegisterObjectKernels();
        RegisterSceneKernels();
    });
}

const std::vector<std::uint8_t>& CompiledEffect(const std::string& name)
{
    static const std::map<std::string, std::vector<std::uint8_t>> effects = [] {
        std::map<std::string, std::vector<std::uint8_t>> all;
        for (std::size_t i = 0; i < kEmbeddedEffectCount; ++i) {
            const EmbeddedEffect& effect = kEmbeddedEffects[i];
            all[effect.name].assign(effect.bytes, effect.bytes + effect.size);
        }
        return all;
    }();
    static const std::vector<std::uint8_t> none;
    RegisterBuiltInKernels();
    const auto found = effects.find(name);
    return found == effects.end() ? none : found->second;
}

}  // namespace qz::shaders
