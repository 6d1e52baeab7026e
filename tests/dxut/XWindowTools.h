#pragma once
// X11 calls for the window tests, kept out of files that include GoogleTest (Xlib's
// macros collide with its names).

struct SDL_Window;

namespace qz::test {

// The X window of an SDL window; 0 when SDL does not run on X11.
unsigned long X11WindowOf(SDL_Window* window);
// Sends what a window manager sends when the close button is pressed; false without a
// connection to the X server.
bool RequestClose(unsigned long window);

}  // namespace qz::test
