#include "platform/dxut/WindowPresenter.h"

#include <SDL.h>

#include <cstdio>

namespace platform::dxut {

namespace {

double RefreshRateOf(SDL_Window* window)
{
    SDL_DisplayMode mode{};
    return SDL_GetWindowDisplayMode(window, &mode) == 0 ? mode.refresh_rate : 0.0;
}

// The SDL format of the bytes of a back buffer; 0 for formats that are not shown.
Uint32 SdlFormatOf(DXGI_FORMAT format)
{
    switch (format) {
    case DXGI_FORMAT_R8G8B8A8_UNORM:
    case DXGI_FORMAT_R8G8B8A8_UNORM_SRGB:
        return SDL_PIXELFORMAT_RGBA32;
    case DXGI_FORMAT_B8G8R8A8_UNORM:
    case DXGI_FORMAT_B8G8R8A8_UNORM_SRGB:
        return SDL_PIXELFORMAT_BGRA32;
    default:
        return 0;
    }
}

}  // namespace

WindowPresenter::WindowPresenter(SDL_Window* window) : window_(window), pacer_(RefreshRateOf(window)) {}

void WindowPresenter::Show(const d3d11sw::PresentedImage& image)
{
    Blit(image);
    pacer_.Wait(image.syncInterval);
}

void WindowPresenter::Blit(const d3d11sw::PresentedImage& image)
{
    const Uint32 format = SdlFormatOf(image.format);
    SDL_Surface* target = format ? SDL_GetWindowSurface(window_) : nullptr;
    SDL_Surface* source = target ? SDL_CreateRGBSurfaceWithFormatFrom(const_cast<std::byte*>(image.pixels),
                                                                      static_cast<int>(image.width),
                                                                      static_cast<int>(image.height), 32,
                                                                      static_cast<int>(image.rowPitch), format)
                                 : nullptr;
    bool shown = false;
    if (source) {
        // The back buffer's alpha is not a window's transparency.
        SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_NONE);
        const bool sameSize = source->w == target->w && source->h == target->h;
        shown = (sameSize ? SDL_BlitSurface(source, nullptr, target, nullptr)
                          : SDL_BlitScaled(source, nullptr, target, nullptr)) == 0 &&
                SDL_UpdateWindowSurface(window_) == 0;
        SDL_FreeSurface(source);
    }
    if (!shown && !warned_) {
        warned_ = true;
        std::fprintf(stderr, "Window: a presented picture could not be shown (%s)\n",
                     format ? SDL_GetError() : "back-buffer format without a window form");
    }
}

}  // namespace platform::dxut
