#pragma once
// Shows presented back buffers in the SDL window: the pixels go into the window's
// surface (scaled when the sizes differ) without a GPU, then Present waits for the
// display's refresh as the sync interval asks.

#include "platform/d3d11/dxgi/Presenter.h"
#include "platform/dxut/FramePacer.h"

struct SDL_Window;

namespace platform::dxut {

class WindowPresenter {
public:
    explicit WindowPresenter(SDL_Window* window);

    void Show(const d3d11sw::PresentedImage& image);

private:
    void Blit(const d3d11sw::PresentedImage& image);

    SDL_Window* window_;
    FramePacer pacer_;
    bool warned_ = false;
};

}  // namespace platform::dxut
