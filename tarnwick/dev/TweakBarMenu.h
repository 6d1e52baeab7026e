#pragma once
// One tweak bar, "MainMenu", with a toggle button per registered bar: at most one of them
// is shown at a time, next to or below the menu, and its button hides it again.

#include "platform/tweakbar/AntTweakBar.h"

#include <cstdint>
#include <map>
#include <string>

namespace qz::dev {

class TweakBarMenu {
public:
    struct Item {
        std::string name;   // the bar's name
        std::string label;  // on the button and as the bar's title
        TwBar* bar = nullptr;
        TweakBarMenu* menu = nullptr;
    };

    TweakBarMenu();
    // Deletes the menu bar; the items' bars stay until the tweak bars end.
    ~TweakBarMenu();
    TweakBarMenu(const TweakBarMenu&) = delete;
    TweakBarMenu& operator=(const TweakBarMenu&) = delete;

    // Creates the item's bar, hidden, and its button; throws when the name is taken.
    void AddItem(const std::string& name, const std::string& label);
    // Throws when there is no such item.
    Item& GetItem(const std::string& name);
    // The toggle buttons' callback; the client data is the item.
    static void TW_CALL OnButton(void* clientData);
    // Places the menu and the shown bar for the window size.
    void UpdateLayout();

    const std::string& GetShownItem() const { return shownItem_; }

    std::uint32_t layoutMode = 1;  // 1 the shown bar below the menu, 0 beside it
    std::int32_t windowWidth = 0;
    std::int32_t windowHeight = 0;
    std::int32_t barWidth = 250;
    std::int32_t marginLeft = 10;
    std::int32_t marginBottom = 10;
    std::int32_t marginTop = 10;

private:
    void Place(const std::string& barName, std::int32_t x, std::int32_t y, std::int32_t height, bool show);

    std::string shownItem_;
    TwBar* menuBar_ = nullptr;
    // Node-based, so the buttons' pointers to the items stay valid.
    std::map<std::string, Item> items_;
};

}  // namespace qz::dev
