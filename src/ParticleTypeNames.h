#pragma once
// Error reports name template methods the way the reports of this system always have:
// "RawParticleReader<struct ParticleTypes::RawParticle_Pos>::OpenFile".

#include "src/ParticleTypes.h"

#include <string>
#include <type_traits>

namespace ParticleTypes {

template <class T>
constexpr const char* TypeName()
{
    if constexpr (std::is_same_v<T, RawParticle_Pos>) return "struct ParticleTypes::RawParticle_Pos";
    if constexpr (std::is_same_v<T, RawParticle_PosVel>) return "struct ParticleTypes::RawParticle_PosVel";
    if constexpr (std::is_same_v<T, RawParticle_PosCol>) return "struct ParticleTypes::RawParticle_PosCol";
    if constexpr (std::is_same_v<T, RawParticle_PosRad>) return "struct ParticleTypes::RawParticle_PosRad";
    if constexpr (std::is_same_v<T, RawParticle_PosNormal>) return "struct ParticleTypes::RawParticle_PosNormal";
    if constexpr (std::is_same_v<T, ParticleAttributes_None>) return "struct ParticleTypes::ParticleAttributes_None";
    if constexpr (std::is_same_v<T, ParticleAttributes_VMag>) return "struct ParticleTypes::ParticleAttributes_VMag";
    if constexpr (std::is_same_v<T, ParticleAttributes_ColorCount>) {
        return "struct ParticleTypes::ParticleAttributes_ColorCount";
    }
}

// "Class<argument>::method"; an argument that ends in '>' is followed by a blank.
std::string TemplateMethodName(const char* classTemplate, const std::string& argument,
                               const char* method);

template <class T>
std::string TemplateMethodName(const char* classTemplate, const char* method)
{
    return TemplateMethodName(classTemplate, TypeName<T>(), method);
}

}  // namespace ParticleTypes
