#pragma once
// What is on the bars: every bar with its variables and buttons (in the order added),
// the parameters set on variables and groups, and the bar's placement.

#include "platform/tweakbar/AntTweakBar.h"
#include "platform/tweakbar/Definition.h"

#include <cstddef>
#include <map>
#include <set>
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

struct Button {
    std::string name;
    TwButtonCallback callback;
    void* clientData;
    std::vector<Parameter> parameters;

    std::string Param(const std::string& parameter) const { return FindParameter(parameters, parameter); }
};

// A variable or a button, in the order they were added to the bar.
struct EntryRef {
    enum class Kind { Variable, Button };
    Kind kind;
    std::size_t index;  // into the bar's variables or buttons
};

// What the user changed on a bar: how far it is scrolled and which groups are folded.
struct BarView {
    int firstLine = 0;  // the line shown in the first row below the title
    std::set<std::string> foldedGroups;
};

// Where and how a bar is shown, as its defines left it.
struct BarPlacement {
    int x = 16;
    int y = 16;
    int width = 200;
    int height = 320;
    bool visible = true;
    int alpha = 255;
    std::string label;  // the title; the bar's name until a label is defined
};

// The bar of that name, or null.
CTwBar* FindBar(const std::string& name);
// Every bar, in the order they were made (the order they are drawn in).
std::vector<CTwBar*> AllBarsInOrder();
// Deletes every bar.
void DeleteAllBars();

}  // namespace platform::tweakbar

struct CTwBar {
    std::string name;
    std::vector<platform::tweakbar::Variable> variables;
    std::vector<platform::tweakbar::Button> buttons;
    std::vector<platform::tweakbar::EntryRef> entries;
    platform::tweakbar::BarPlacement placement;
    platform::tweakbar::BarView view;
    // Parameters set with TwSetParam, by variable or group name, then parameter name.
    std::map<std::string, std::map<std::string, std::string>> parameters;

    const platform::tweakbar::Variable* FindVariable(const std::string& variableName) const;
    const platform::tweakbar::Button* FindButton(const std::string& buttonName) const;
    // Variables and buttons share one namespace on a bar.
    bool HasEntry(const std::string& entryName) const { return FindVariable(entryName) || FindButton(entryName); }
    // Groups named by the variables' "group" parameters.
    bool HasGroup(const std::string& groupName) const;
};
