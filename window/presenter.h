// Shows a canvas surface in the window: uploaded to a streaming texture, copied (scaled as
// the player chose) and presented. One renderer for the life of the window, one texture for the
// life of a graphics device.
#pragma once

#include <cstdint>

#include "window/picture_area.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Rect;

namespace korva {

class Surface;

class Presenter {
 public:
  ~Presenter();
  // A texture for width x height surfaces of the layout's SDL format; false on failure.
  bool prepare(SDL_Window* window, int width, int height, uint32_t sdlFormat);
  // Drops the texture (the renderer stays).
  void release();
  // Drops everything; the next prepare starts again.
  void destroy();

  // Uploads the source rectangle of the surface and presents it where placePicture puts
  // it in the output (black around it), smoothed or with hard pixels. Waits for the
  // display's vertical blank when vsync and the renderer can. False when the upload fails.
  bool present(const Surface& surface, int sourceW, int sourceH, Scaling scaling, bool smooth, bool vsync);
  // A surface of the caller's (a dialog) shown centred over the picture last presented, or
  // over black when there is none; scaled down, keeping its shape, when the output is
  // smaller. placed: where it landed, in output pixels. False when it cannot be shown.
  bool presentOverlay(SDL_Window* window, const Surface& overlay, SDL_Rect& placed);
  // Drops the overlay's texture.
  void releaseOverlay();

  // Whether present can wait for the vertical blank itself.
  bool hasVSync() const { return vsyncCapable_; }
  SDL_Renderer* renderer() const { return renderer_; }

 private:
  bool ensureRenderer(SDL_Window* window);
  // The texture's source rectangle copied to where it goes in the output.
  bool copyPicture(const SDL_Rect& source, Scaling scaling);

  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  // What the last present showed, so an overlay can be shown over it again.
  bool hasPicture_ = false;
  int pictureW_ = 0, pictureH_ = 0;
  Scaling pictureScaling_ = Scaling::kInteger;
  SDL_Texture* overlay_ = nullptr;
  int overlayW_ = 0, overlayH_ = 0;
  uint32_t overlayFormat_ = 0;
  bool vsyncCapable_ = false;
  int vsync_ = -1;
};

}  // namespace korva
