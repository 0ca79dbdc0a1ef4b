#include "window/presenter.h"

#include <SDL2/SDL.h>

#include <algorithm>

#include "graphics/canvas/surface.h"

namespace korva {

Presenter::~Presenter() { destroy(); }

bool Presenter::prepare(SDL_Window* window, int width, int height, uint32_t sdlFormat) {
  release();
  if (!renderer_) {
    // A software renderer draws straight into the window's own framebuffer rather than
    // through a hidden GL renderer of SDL's (which loads and unloads a GL driver for it).
    SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_DEFAULT);
    renderer_ = SDL_CreateRenderer(window, -1, 0);
    if (!renderer_) return false;
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(renderer_, &info);
    // The software renderer claims vsync but never waits; only a real one is trusted.
    vsyncCapable_ = (info.flags & SDL_RENDERER_ACCELERATED) != 0;
    vsync_ = -1;
  }
  texture_ = SDL_CreateTexture(renderer_, sdlFormat, SDL_TEXTUREACCESS_STREAMING, width, height);
  return texture_ != nullptr;
}

void Presenter::release() {
  if (texture_) SDL_DestroyTexture(texture_);
  texture_ = nullptr;
}

void Presenter::destroy() {
  release();
  if (renderer_) SDL_DestroyRenderer(renderer_);
  renderer_ = nullptr;
}

bool Presenter::present(const Surface& surface, int sourceW, int sourceH, bool stretch, bool vsync) {
  if (!renderer_ || !texture_) return false;
  SDL_Rect source{0, 0, std::min(sourceW, surface.width()), std::min(sourceH, surface.height())};
  if (source.w <= 0 || source.h <= 0) return false;
  if (SDL_UpdateTexture(texture_, &source, surface.pixels(), surface.pitch()) != 0) return false;
  if (vsyncCapable_ && int(vsync) != vsync_) {
    if (SDL_RenderSetVSync(renderer_, vsync ? 1 : 0) == 0) vsync_ = vsync;
  }
  SDL_Rect target{0, 0, source.w, source.h};
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  if (SDL_RenderCopy(renderer_, texture_, &source, stretch ? nullptr : &target) != 0) return false;
  SDL_RenderPresent(renderer_);
  return true;
}

}  // namespace korva
