#include "window/presenter.h"

#include <SDL2/SDL.h>

#include <algorithm>

#include "render/canvas/surface.h"
#include "render/display/display_formats.h"

namespace korva {

Presenter::~Presenter() { destroy(); }

bool Presenter::ensureRenderer(SDL_Window* window) {
  if (renderer_) return true;
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
  return true;
}

bool Presenter::prepare(SDL_Window* window, int width, int height, uint32_t sdlFormat) {
  release();
  if (!ensureRenderer(window)) return false;
  texture_ = SDL_CreateTexture(renderer_, sdlFormat, SDL_TEXTUREACCESS_STREAMING, width, height);
  return texture_ != nullptr;
}

void Presenter::release() {
  if (texture_) SDL_DestroyTexture(texture_);
  texture_ = nullptr;
  hasPicture_ = false;
}

void Presenter::destroy() {
  release();
  releaseOverlay();
  if (renderer_) SDL_DestroyRenderer(renderer_);
  renderer_ = nullptr;
}

bool Presenter::present(const Surface& surface, int sourceW, int sourceH, Scaling scaling, bool smooth, bool vsync) {
  if (!renderer_ || !texture_) return false;
  SDL_Rect source{0, 0, std::min(sourceW, surface.width()), std::min(sourceH, surface.height())};
  if (source.w <= 0 || source.h <= 0) return false;
  if (SDL_UpdateTexture(texture_, &source, surface.pixels(), surface.pitch()) != 0) return false;
  if (vsyncCapable_ && int(vsync) != vsync_) {
    if (SDL_RenderSetVSync(renderer_, vsync ? 1 : 0) == 0) vsync_ = vsync;
  }
  SDL_SetTextureScaleMode(texture_, smooth ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  if (!copyPicture(source, scaling)) return false;
  SDL_RenderPresent(renderer_);
  hasPicture_ = true;
  pictureW_ = source.w, pictureH_ = source.h;
  pictureScaling_ = scaling;
  return true;
}

bool Presenter::copyPicture(const SDL_Rect& source, Scaling scaling) {
  int outW = 0, outH = 0;
  if (SDL_GetRendererOutputSize(renderer_, &outW, &outH) != 0) return false;
  const PictureArea area = placePicture(outW, outH, source.w, source.h, scaling);
  const SDL_Rect target{area.x, area.y, area.w, area.h};
  return SDL_RenderCopy(renderer_, texture_, &source, &target) == 0;
}

void Presenter::releaseOverlay() {
  if (overlay_) SDL_DestroyTexture(overlay_);
  overlay_ = nullptr;
  overlayW_ = overlayH_ = 0;
  overlayFormat_ = 0;
}

bool Presenter::presentOverlay(SDL_Window* window, const Surface& overlay, SDL_Rect& placed) {
  if (!ensureRenderer(window)) return false;
  const uint32_t format = sdlFormatOf(overlay.format().layout());
  if (!overlay_ || overlayW_ != overlay.width() || overlayH_ != overlay.height() || overlayFormat_ != format) {
    releaseOverlay();
    overlay_ = SDL_CreateTexture(renderer_, format, SDL_TEXTUREACCESS_STREAMING, overlay.width(), overlay.height());
    if (!overlay_) return false;
    overlayW_ = overlay.width(), overlayH_ = overlay.height(), overlayFormat_ = format;
  }
  if (SDL_UpdateTexture(overlay_, nullptr, overlay.pixels(), overlay.pitch()) != 0) return false;
  int outW = 0, outH = 0;
  if (SDL_GetRendererOutputSize(renderer_, &outW, &outH) != 0 || outW <= 0 || outH <= 0) return false;
  int w = overlayW_, h = overlayH_;
  if (w > outW || h > outH) {
    // Shrunk by the one factor that makes both sides fit.
    if (int64_t{w} * outH > int64_t{h} * outW) {
      h = std::max(1, static_cast<int>(int64_t{h} * outW / w));
      w = outW;
    } else {
      w = std::max(1, static_cast<int>(int64_t{w} * outH / h));
      h = outH;
    }
  }
  SDL_SetTextureScaleMode(overlay_, w == overlayW_ ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
  placed = SDL_Rect{(outW - w) / 2, (outH - h) / 2, w, h};
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  if (hasPicture_ && texture_) copyPicture(SDL_Rect{0, 0, pictureW_, pictureH_}, pictureScaling_);
  if (SDL_RenderCopy(renderer_, overlay_, nullptr, &placed) != 0) return false;
  SDL_RenderPresent(renderer_);
  return true;
}

}  // namespace korva
