#include "src/ParticleTypeNames.h"

namespace ParticleTypes {

std::string TemplateMethodName(const char* classTemplate, const std::string& argument,
                               const char* method)
{
    std::string name = classTemplate;
    name += '<';
    name += argument;
    if (!argument.empty() && argument.back() == '>') name += ' ';
    name += ">::";
    name += method;
    return name;
}

}  // namespace ParticleTypes
