// SDL events as window messages, and text between wide strings and UTF-8.

#include "platform/dxut/MessageTranslation.h"
#include "platform/dxut/Utf8.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/WindowMessages.h"

#include <gtest/gtest.h>

namespace {

using platform::dxut::MessageTranslator;
using platform::dxut::WindowMessage;

SDL_Event KeyEvent(Uint32 type, SDL_Keycode key, Uint16 modifiers = 0, Uint8 repeat = 0,
                   SDL_Scancode scancode = SDL_SCANCODE_UNKNOWN)
{
    SDL_Event event{};
    event.type = type;
    event.key.type = type;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = scancode;
    event.key.keysym.mod = modifiers;
    event.key.repeat = repeat;
    return event;
}

SDL_Event ButtonEvent(Uint32 type, Uint8 button, int x, int y)
{
    SDL_Event event{};
    event.type = type;
    event.button.type = type;
    event.button.button = button;
    event.button.x = x;
    event.button.y = y;
    return event;
}

SDL_Event WindowEvent(Uint8 kind, int data1 = 0, int data2 = 0)
{
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = kind;
    event.window.data1 = data1;
    event.window.data2 = data2;
    return event;
}

void ExpectMessages(const std::vector<WindowMessage>& expected, const std::vector<WindowMessage>& actual)
{
    ASSERT_EQ(expected.size(), actual.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(expected[i].message, actual[i].message) << i;
        EXPECT_EQ(expected[i].wParam, actual[i].wParam) << i;
        EXPECT_EQ(expected[i].lParam, actual[i].lParam) << i;
    }
}

constexpr LPARAM Released = (LPARAM{1} << 30) | (LPARAM{1} << 31);
const MessageTranslator::WindowPlace Place{100, 50, 640, 480};

TEST(MessageTranslation, Keys)
{
    struct Case {
        SDL_Event event;
        std::vector<WindowMessage> messages;
    };
    const Case cases[] = {
        {KeyEvent(SDL_KEYDOWN, SDLK_a), {{WM_KEYDOWN, 'A', 1}}},
        {KeyEvent(SDL_KEYUP, SDLK_a), {{WM_KEYUP, 'A', 1 | Released}}},
        {KeyEvent(SDL_KEYDOWN, SDLK_a, 0, 1), {{WM_KEYDOWN, 'A', 1 | (LPARAM{1} << 30)}}},
        {KeyEvent(SDL_KEYDOWN, SDLK_LCTRL, KMOD_LCTRL), {{WM_KEYDOWN, VK_CONTROL, 1}}},
        {KeyEvent(SDL_KEYDOWN, SDLK_RCTRL, KMOD_RCTRL), {{WM_KEYDOWN, VK_CONTROL, 1}}},
        {KeyEvent(SDL_KEYDOWN, SDLK_F2), {{WM_KEYDOWN, VK_F2, 1}}},
        {KeyEvent(SDL_KEYDOWN, SDLK_F10), {{WM_SYSKEYDOWN, VK_F10, 1}}},
        {KeyEvent(SDL_KEYDOWN, SDLK_LALT, KMOD_LALT), {{WM_SYSKEYDOWN, VK_MENU, 1 | KEY_LPARAM_ALT_DOWN}}},
        {KeyEvent(SDL_KEYDOWN, SDLK_x, KMOD_LALT), {{WM_SYSKEYDOWN, 'X', 1 | KEY_LPARAM_ALT_DOWN}}},
        {KeyEvent(SDL_KEYUP, SDLK_x, KMOD_RALT), {{WM_SYSKEYUP, 'X', 1 | KEY_LPARAM_ALT_DOWN | Released}}},
        {KeyEvent(SDL_KEYDOWN, SDLK_7), {{WM_KEYDOWN, '7', 1}}},
        {KeyEvent(SDL_KEYDOWN, SDLK_KP_7), {{WM_KEYDOWN, VK_NUMPAD0 + 7, 1}}},
        {KeyEvent(SDL_KEYDOWN, SDLK_PAGEUP), {{WM_KEYDOWN, VK_PRIOR, 1}}},
        {KeyEvent(SDL_KEYDOWN, SDLK_HOME), {{WM_KEYDOWN, VK_HOME, 1}}},
        {KeyEvent(SDL_KEYDOWN, SDLK_RETURN), {{WM_KEYDOWN, VK_RETURN, 1}, {WM_CHAR, '\r', 1}}},
        {KeyEvent(SDL_KEYDOWN, SDLK_ESCAPE), {{WM_KEYDOWN, VK_ESCAPE, 1}, {WM_CHAR, 0x1B, 1}}},
        {KeyEvent(SDL_KEYDOWN, SDLK_SEMICOLON, 0, 0, SDL_SCANCODE_SEMICOLON), {{WM_KEYDOWN, VK_OEM_1, 1}}},
        {KeyEvent(SDL_KEYDOWN, SDLK_MUTE), {}},
    };
    for (const Case& c : cases) {
        MessageTranslator translator;
        SCOPED_TRACE(SDL_GetKeyName(c.event.key.keysym.sym));
        ExpectMessages(c.messages, translator.Translate(c.event, c.event.key.keysym.mod, Place));
    }
}

TEST(MessageTranslation, TextBecomesOneCharacterPerCodePoint)
{
    SDL_Event event{};
    event.type = SDL_TEXTINPUT;
    std::snprintf(event.text.text, sizeof(event.text.text), "a\xc3\xbc\xe2\x82\xac");  // a, u umlaut, euro
    MessageTranslator translator;
    ExpectMessages({{WM_CHAR, 'a', 1}, {WM_CHAR, 0xFC, 1}, {WM_CHAR, 0x20AC, 1}}, translator.Translate(event, 0, Place));
}

TEST(MessageTranslation, MouseDragWithButtonStateAndWheel)
{
    MessageTranslator translator;
    std::vector<WindowMessage> all;
    auto add = [&](const SDL_Event& event, Uint16 modifiers) {
        for (const WindowMessage& m : translator.Translate(event, modifiers, Place)) all.push_back(m);
    };
    add(ButtonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 10, 20), KMOD_LCTRL);
    SDL_Event move{};
    move.type = SDL_MOUSEMOTION;
    move.motion.x = 30;
    move.motion.y = 25;
    move.motion.state = SDL_BUTTON_LMASK;
    add(move, 0);
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.y = -2;
    wheel.wheel.preciseY = -2.0f;
    wheel.wheel.mouseX = 30;
    wheel.wheel.mouseY = 25;
    add(wheel, KMOD_SHIFT);
    add(ButtonEvent(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 30, 25), 0);
    add(ButtonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_X2, -4, 7), 0);
    add(ButtonEvent(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, -4, 7), 0);
    ExpectMessages({{WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(10, 20)},
                    {WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(30, 25)},
                    {WM_MOUSEWHEEL, MAKEWPARAM(MK_LBUTTON | MK_SHIFT, -240), MAKELPARAM(130, 75)},
                    {WM_LBUTTONUP, 0, MAKELPARAM(30, 25)},
                    {WM_XBUTTONDOWN, MAKEWPARAM(MK_XBUTTON2, XBUTTON2), MAKELPARAM(-4, 7)},
                    {WM_RBUTTONDOWN, MK_XBUTTON2 | MK_RBUTTON, MAKELPARAM(-4, 7)}},
                   all);
}

TEST(MessageTranslation, WindowSizeAndClose)
{
    struct Case {
        SDL_Event event;
        std::vector<WindowMessage> messages;
    };
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    const Case cases[] = {
        {WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 800, 600), {{WM_SIZE, SIZE_RESTORED, MAKELPARAM(800, 600)}}},
        {WindowEvent(SDL_WINDOWEVENT_MINIMIZED), {{WM_SIZE, SIZE_MINIMIZED, 0}}},
        {WindowEvent(SDL_WINDOWEVENT_MAXIMIZED), {{WM_SIZE, SIZE_MAXIMIZED, MAKELPARAM(640, 480)}}},
        {WindowEvent(SDL_WINDOWEVENT_RESTORED), {{WM_SIZE, SIZE_RESTORED, MAKELPARAM(640, 480)}}},
        {WindowEvent(SDL_WINDOWEVENT_RESIZED, 800, 600), {}},
        {WindowEvent(SDL_WINDOWEVENT_CLOSE), {{WM_CLOSE, 0, 0}}},
        {quit, {{WM_CLOSE, 0, 0}}},
    };
    for (const Case& c : cases) {
        MessageTranslator translator;
        ExpectMessages(c.messages, translator.Translate(c.event, 0, Place));
    }
}

TEST(Utf8, BothWaysWithReplacements)
{
    EXPECT_EQ("a\xc3\xbc\xe2\x82\xac\xf0\x9f\x98\x80", platform::dxut::ToUtf8(L"a\u00fc\u20ac\U0001F600"));
    EXPECT_EQ("\xef\xbf\xbd", platform::dxut::ToUtf8(std::wstring(1, static_cast<wchar_t>(0xD800)).c_str()));
    EXPECT_EQ("", platform::dxut::ToUtf8(nullptr));
    EXPECT_EQ(U"a\u00fc\U0001F600", platform::dxut::FromUtf8("a\xc3\xbc\xf0\x9f\x98\x80"));
    // A lone continuation byte, a truncated sequence, an overlong form.
    EXPECT_EQ(U"\uFFFDx\uFFFD\uFFFD", platform::dxut::FromUtf8("\x80x\xe2\x82"));
    EXPECT_EQ(U"\uFFFD\uFFFD", platform::dxut::FromUtf8("\xc0\xaf"));
}

}  // namespace
