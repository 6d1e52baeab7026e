#include "platform/dxut/MessageTranslation.h"

#include "platform/dxut/Utf8.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/WindowMessages.h"

#include <cmath>

namespace platform::dxut {

namespace {

LPARAM KeyLParam(bool altDown, bool repeat, bool released)
{
    return LPARAM{1} | (altDown ? KEY_LPARAM_ALT_DOWN : 0) | (LPARAM{repeat || released} << 30) | (LPARAM{released} << 31);
}

// The character a key gives although SDL sends no text for it.
wchar_t ControlCharacterOf(UINT virtualKey)
{
    switch (virtualKey) {
    case VK_RETURN: return L'\r';
    case VK_BACK: return L'\b';
    case VK_TAB: return L'\t';
    case VK_ESCAPE: return 0x1B;
    default: return 0;
    }
}

struct ButtonMessages {
    UINT down;
    UINT up;
    WPARAM flag;
    WORD xButton;
};

bool ButtonMessagesOf(Uint8 button, ButtonMessages& messages)
{
    switch (button) {
    case SDL_BUTTON_LEFT: messages = {WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON, 0}; return true;
    case SDL_BUTTON_RIGHT: messages = {WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON, 0}; return true;
    case SDL_BUTTON_MIDDLE: messages = {WM_MBUTTONDOWN, WM_MBUTTONUP, MK_MBUTTON, 0}; return true;
    case SDL_BUTTON_X1: messages = {WM_XBUTTONDOWN, WM_XBUTTONUP, MK_XBUTTON1, XBUTTON1}; return true;
    case SDL_BUTTON_X2: messages = {WM_XBUTTONDOWN, WM_XBUTTONUP, MK_XBUTTON2, XBUTTON2}; return true;
    default: return false;
    }
}

}  // namespace

std::vector<WindowMessage> MessageTranslator::Translate(const SDL_Event& event, Uint16 modifiers, const WindowPlace& place)
{
    std::vector<WindowMessage> messages;
    switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        AddKey(messages, event.key);
        break;
    case SDL_TEXTINPUT:
        for (char32_t c : FromUtf8(event.text.text)) {
            messages.push_back({WM_CHAR, static_cast<WPARAM>(c), 1});
        }
        break;
    case SDL_MOUSEMOTION:
        // Buttons pressed outside the window are held here too.
        buttons_ = ((event.motion.state & SDL_BUTTON_LMASK) ? MK_LBUTTON : 0) |
                   ((event.motion.state & SDL_BUTTON_RMASK) ? MK_RBUTTON : 0) |
                   ((event.motion.state & SDL_BUTTON_MMASK) ? MK_MBUTTON : 0) |
                   ((event.motion.state & SDL_BUTTON_X1MASK) ? MK_XBUTTON1 : 0) |
                   ((event.motion.state & SDL_BUTTON_X2MASK) ? MK_XBUTTON2 : 0);
        mouseX_ = event.motion.x;
        mouseY_ = event.motion.y;
        messages.push_back({WM_MOUSEMOVE, MouseKeyFlags(modifiers), MAKELPARAM(mouseX_, mouseY_)});
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        AddButton(messages, event.button, modifiers);
        break;
    case SDL_MOUSEWHEEL: {
        float notches = event.wheel.preciseY != 0.0f ? event.wheel.preciseY : static_cast<float>(event.wheel.y);
        if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) {
            notches = -notches;
        }
        const int delta = static_cast<int>(std::lround(notches * WHEEL_DELTA));
        if (delta != 0) {
            mouseX_ = event.wheel.mouseX;
            mouseY_ = event.wheel.mouseY;
            messages.push_back({WM_MOUSEWHEEL, MAKEWPARAM(static_cast<int>(MouseKeyFlags(modifiers)), delta),
                                MAKELPARAM(place.x + mouseX_, place.y + mouseY_)});
        }
        break;
    }
    case SDL_WINDOWEVENT:
        switch (event.window.event) {
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            messages.push_back({WM_SIZE, SIZE_RESTORED, MAKELPARAM(event.window.data1, event.window.data2)});
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            messages.push_back({WM_SIZE, SIZE_MINIMIZED, 0});
            break;
        case SDL_WINDOWEVENT_MAXIMIZED:
            messages.push_back({WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(place.width, place.height)});
            break;
        case SDL_WINDOWEVENT_RESTORED:
            messages.push_back({WM_SIZE, SIZE_RESTORED, MAKELPARAM(place.width, place.height)});
            break;
        case SDL_WINDOWEVENT_CLOSE:
            messages.push_back({WM_CLOSE, 0, 0});
            break;
        default:
            break;
        }
        break;
    case SDL_QUIT:
        messages.push_back({WM_CLOSE, 0, 0});
        break;
    default:
        break;
    }
    return messages;
}

WPARAM MessageTranslator::MouseKeyFlags(Uint16 modifiers) const
{
    return buttons_ | ((modifiers & KMOD_SHIFT) ? MK_SHIFT : 0) | ((modifiers & KMOD_CTRL) ? MK_CONTROL : 0);
}

void MessageTranslator::AddKey(std::vector<WindowMessage>& messages, const SDL_KeyboardEvent& key) const
{
    const UINT virtualKey = VirtualKeyOf(key.keysym.sym, key.keysym.scancode);
    if (virtualKey == 0) {
        return;
    }
    const bool down = key.type == SDL_KEYDOWN;
    const bool altDown = (key.keysym.mod & KMOD_ALT) != 0;
    const bool system = altDown || virtualKey == VK_MENU || virtualKey == VK_F10;
    const UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
    messages.push_back({message, virtualKey, KeyLParam(altDown, key.repeat != 0, !down)});
    if (down && !altDown) {
        if (const wchar_t c = ControlCharacterOf(virtualKey)) {
            messages.push_back({WM_CHAR, static_cast<WPARAM>(c), KeyLParam(false, key.repeat != 0, false)});
        }
    }
}

void MessageTranslator::AddButton(std::vector<WindowMessage>& messages, const SDL_MouseButtonEvent& button, Uint16 modifiers)
{
    ButtonMessages kind;
    if (!ButtonMessagesOf(button.button, kind)) {
        return;
    }
    const bool down = button.type == SDL_MOUSEBUTTONDOWN;
    buttons_ = down ? (buttons_ | kind.flag) : (buttons_ & ~kind.flag);
    mouseX_ = button.x;
    mouseY_ = button.y;
    const WPARAM wParam = MouseKeyFlags(modifiers) | (static_cast<WPARAM>(kind.xButton) << 16);
    messages.push_back({down ? kind.down : kind.up, wParam, MAKELPARAM(mouseX_, mouseY_)});
}

}  // namespace platform::dxut
