#pragma once
// Definition strings: "label='Particle radius ' group = volume min=0 step=0.01".

#include <string>
#include <utility>
#include <vector>

namespace platform::tweakbar {

using Parameter = std::pair<std::string, std::string>;

// The parameters in the order written; a name without "=" has an empty value.
std::vector<Parameter> ParseDefinition(const std::string& definition);

// A define's leading object name (quoted with ', ` or " when it holds blanks) and the
// parameters after it.
std::pair<std::string, std::string> SplitObjectName(const std::string& define);

// The last value given for the name, or empty.
std::string FindParameter(const std::vector<Parameter>& parameters, const std::string& name);
bool HasParameter(const std::vector<Parameter>& parameters, const std::string& name);

}  // namespace platform::tweakbar
