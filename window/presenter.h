// Shows a canvas surface in the window: uploaded to a streaming texture, copied (stretched
// when asked) and presented. One renderer for the life of the window, one texture for the
// life of a graphics device.
#pragma once

#include <cstdint>

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

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

  // Uploads the source rectangle of the surface and presents it: at the same size in the
  // window's top-left corner, or stretched over the whole window. Waits for the display's
  // vertical blank when vsync and the renderer can. False when the upload fails.
  bool present(const Surface& surface, int sourceW, int sourceH, bool stretch, bool vsync);
  // Whether present can wait for the vertical blank itself.
  bool hasVSync() const { return vsyncCapable_; }
  SDL_Renderer* renderer() const { return renderer_; }

 private:
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  bool vsyncCapable_ = false;
  int vsync_ = -1;
};

}  // namespace korva
