#include "platform/tweakbar/Bars.h"

#include <algorithm>
#include <memory>

namespace {

// Bars in the order they were made; AntTweakBar keeps them process-wide as well.
std::vector<std::unique_ptr<CTwBar>>& AllBars()
{
    static std::vector<std::unique_ptr<CTwBar>> bars;
    return bars;
}

bool IsLive(const TwBar* bar)
{
    const auto& bars = AllBars();
    return bar && std::any_of(bars.begin(), bars.end(), [bar](const auto& live) { return live.get() == bar; });
}

}  // namespace

namespace platform::tweakbar {

CTwBar* FindBar(const std::string& name)
{
    for (const auto& bar : AllBars()) {
        if (bar->name == name) return bar.get();
    }
    return nullptr;
}

std::vector<CTwBar*> AllBarsInOrder()
{
    std::vector<CTwBar*> bars;
    for (const auto& bar : AllBars()) bars.push_back(bar.get());
    return bars;
}

void DeleteAllBars() { AllBars().clear(); }

}  // namespace platform::tweakbar

const platform::tweakbar::Variable* CTwBar::FindVariable(const std::string& variableName) const
{
    for (const auto& variable : variables) {
        if (variable.name == variableName) return &variable;
    }
    return nullptr;
}

const platform::tweakbar::Button* CTwBar::FindButton(const std::string& buttonName) const
{
    for (const auto& button : buttons) {
        if (button.name == buttonName) return &button;
    }
    return nullptr;
}

bool CTwBar::HasGroup(const std::string& groupName) const
{
    return std::any_of(variables.begin(), variables.end(),
                       [&](const platform::tweakbar::Variable& variable) { return variable.Param("group") == groupName; });
}

TwBar* TwNewBar(const char* barName)
{
    if (!barName || platform::tweakbar::FindBar(barName)) return nullptr;
    auto bar = std::make_unique<CTwBar>();
    bar->name = barName;
    bar->placement.label = barName;
    AllBars().push_back(std::move(bar));
    return AllBars().back().get();
}

int TwDeleteBar(TwBar* bar)
{
    auto& bars = AllBars();
    const auto found = std::find_if(bars.begin(), bars.end(), [bar](const auto& live) { return live.get() == bar; });
    if (!bar || found == bars.end()) return 0;
    bars.erase(found);
    return 1;
}

int TwAddVarRW(TwBar* bar, const char* name, TwType type, void* var, const char* def)
{
    if (!IsLive(bar) || !name || !var || bar->HasEntry(name)) return 0;
    const std::string definition = def ? def : "";
    bar->variables.push_back({name, type, var, definition, platform::tweakbar::ParseDefinition(definition)});
    bar->entries.push_back({platform::tweakbar::EntryRef::Kind::Variable, bar->variables.size() - 1});
    return 1;
}

int TwAddButton(TwBar* bar, const char* name, TwButtonCallback callback, void* clientData, const char* def)
{
    if (!IsLive(bar) || !name || bar->HasEntry(name)) return 0;
    bar->buttons.push_back({name, callback, clientData, platform::tweakbar::ParseDefinition(def ? def : "")});
    bar->entries.push_back({platform::tweakbar::EntryRef::Kind::Button, bar->buttons.size() - 1});
    return 1;
}

int TwSetParam(TwBar* bar, const char* varName, const char* paramName, TwParamValueType paramValueType,
               unsigned int inValueCount, const void* inValues)
{
    if (!IsLive(bar) || !varName || !paramName || !inValues) return 0;
    if (paramValueType != TW_PARAM_CSTRING || inValueCount != 1) return 0;
    if (!bar->FindVariable(varName) && !bar->HasGroup(varName)) return 0;
    bar->parameters[varName][paramName] = static_cast<const char*>(inValues);
    return 1;
}
