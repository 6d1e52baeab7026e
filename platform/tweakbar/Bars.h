#pragma once
// What is on the bars: every bar with its variables (in the order added) and the
// parameters set on variables and groups.

#include "platform/tweakbar/AntTweakBar.h"
#include "platform/tweakbar/Definition.h"

#include <map>
#include <string>
#include <vector>

namespace platform::tweakbar {

struct Variable {
    std::string name;
    TwType type;
    void* pointer;
    std::string definition;
    std::vector<Parameter> parameters;

    // The last value of a definition parameter, or empty.
    std::string Param(const std::string& parameter) const { return FindParameter(parameters, parameter); }
};

// The bar of that name, or null.
const CTwBar* FindBar(const std::string& name);

}  // namespace platform::tweakbar

struct CTwBar {
    std::string name;
    std::vector<platform::tweakbar::Variable> variables;
    // Parameters set with TwSetParam, by variable or group name, then parameter name.
    std::map<std::string, std::map<std::string, std::string>> parameters;

    const platform::tweakbar::Variable* FindVariable(const std::string& variableName) const;
    // Groups named by the variables' "group" parameters.
    bool HasGroup(const std::string& groupName) const;
};
