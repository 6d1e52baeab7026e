#include "tarnwick/dev/TweakBarMenu.h"

#include "tarnwick/core/ErrorReport.h"

#include <algorithm>

namespace qz::dev {
namespace {

const char* const MenuName = "MainMenu";

void Define(const std::string& definition) { TwDefine(definition.c_str()); }

}  // namespace

TweakBarMenu::TweakBarMenu() : menuBar_(TwNewBar(MenuName))
{
    if (!menuBar_) {
        QZ_THROW("qz::dev::TweakBarMenu::TweakBarMenu", "Could not create bar ", MenuName);
    }
    Define(std::string(MenuName) + " alpha=200");
}

TweakBarMenu::~TweakBarMenu() { TwDeleteBar(menuBar_); }

void TweakBarMenu::AddItem(const std::string& name, const std::string& label)
{
    if (items_.count(name) != 0) {
        QZ_THROW("qz::dev::TweakBarMenu::AddItem", "Item ", name, " already exists");
    }
    TwBar* bar = TwNewBar(name.c_str());
    if (!bar) {
        QZ_THROW("qz::dev::TweakBarMenu::AddItem", "Could not create bar ", name);
    }
    Item& item = items_[name];
    item = Item{name, label, bar, this};
    Define(name + " alpha=200");
    Define(name + " visible=false label='" + label + "'");
    TwAddButton(menuBar_, ("toggle_" + name).c_str(), &TweakBarMenu::OnButton, &item,
                ("label='" + label + "'").c_str());
    UpdateLayout();
}

TweakBarMenu::Item& TweakBarMenu::GetItem(const std::string& name)
{
    const auto found = items_.find(name);
    if (found == items_.end()) {
        QZ_THROW("qz::dev::TweakBarMenu::GetItem", "Item ", name, " does not exist");
    }
    return found->second;
}

void TW_CALL TweakBarMenu::OnButton(void* clientData)
{
    const Item& item = *static_cast<const Item*>(clientData);
    TweakBarMenu& menu = *item.menu;
    menu.shownItem_ = item.name != menu.shownItem_ ? item.name : std::string();
    menu.UpdateLayout();
}

void TweakBarMenu::UpdateLayout()
{
    for (const auto& [name, item] : items_) {
        Define(name + " visible=false");
    }
    const std::int32_t count = static_cast<std::int32_t>(items_.size());
    if (layoutMode == 1) {
        const std::int32_t menuHeight = std::max(20 * (count + 1), 50);
        Place(MenuName, marginLeft, marginTop, menuHeight, false);
        if (!shownItem_.empty()) {
            Place(shownItem_, marginLeft, menuHeight + 2 * marginTop,
                  windowHeight - marginBottom - 2 * marginTop - menuHeight, true);
        }
    } else if (layoutMode == 0) {
        const std::int32_t height = windowHeight - marginBottom - marginTop;
        Place(MenuName, marginLeft, marginTop, height, false);
        if (!shownItem_.empty()) {
            Place(shownItem_, barWidth + 2 * marginLeft, marginTop, height, true);
        }
    }
}

void TweakBarMenu::Place(const std::string& barName, std::int32_t x, std::int32_t y, std::int32_t height, bool show)
{
    Define(barName + (show ? " visible=true" : "") + " position='" + std::to_string(x) + " " + std::to_string(y) +
           "' size='" + std::to_string(barWidth) + " " + std::to_string(height) + "'");
}

}  // namespace qz::dev
