#pragma once
// SDL events as the window messages a window procedure would receive for them:
//   key down/up    WM_KEYDOWN/WM_KEYUP (WM_SYSKEY... with Alt held, for Alt and F10),
//                  virtual key in wParam, Alt in bit 29, repeat in bit 30, release in 31;
//                  Return, Backspace, Tab and Escape also give their WM_CHAR
//   text input     one WM_CHAR per code point
//   mouse          WM_MOUSEMOVE, WM_[LMRX]BUTTONDOWN/UP with the MK_ state after the
//                  change, WM_MOUSEWHEEL with 120 per notch and screen coordinates
//   window         WM_SIZE (restored, minimised, maximised), WM_CLOSE (also for quit)

#include "platform/win/Types.h"

#include <SDL.h>

#include <vector>

namespace platform::dxut {

struct WindowMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// The virtual key of an SDL key; 0 for keys without one.
UINT VirtualKeyOf(SDL_Keycode key, SDL_Scancode scancode);

class MessageTranslator {
public:
    // Where the window is: its position on the screen (for wheel coordinates) and its
    // client size (for restore messages).
    struct WindowPlace {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
    };

    // The messages of one event, in the order a window procedure gets them. modifiers
    // is SDL's modifier state when the event is read.
    std::vector<WindowMessage> Translate(const SDL_Event& event, Uint16 modifiers, const WindowPlace& place);

private:
    WPARAM MouseKeyFlags(Uint16 modifiers) const;
    void AddKey(std::vector<WindowMessage>& messages, const SDL_KeyboardEvent& key) const;
    void AddButton(std::vector<WindowMessage>& messages, const SDL_MouseButtonEvent& button, Uint16 modifiers);

    // MK_LBUTTON ... MK_XBUTTON2 of the buttons held.
    WPARAM buttons_ = 0;
    int mouseX_ = 0;
    int mouseY_ = 0;
};

}  // namespace platform::dxut
