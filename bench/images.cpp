// Sprites, the headline figure of a game run-time: frames per second of a 640 x 480 back
// buffer cleared, 1000 masked 32 x 32 sprites drawn from an 8-frame animation strip at moving
// places, 100 pixel-exact collision tests and a Flip, by a compiled program through the whole
// command path; next to it in the same run, the same work done by a small C program with
// SDL2 the way a C programmer would (colour-keyed SDL_BlitSurface, a per-pixel collision
// loop, SDL_UpdateTexture and present). Both must find the same collisions and draw the same
// last frame. Then RotateImage of a 64 x 64 image, with and without the filter: transforms
// per second.
#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/harness.h"
#include "bench/report.h"

extern "C" {
#include "programs/sprite_scene.h"
}

using namespace korva;

namespace {

constexpr int kFrames = 300;
constexpr int kRotations = 3000;
constexpr int kRounds = 3;  // the best round counts: the machine is shared

// The strip as a PNG file: what a game ships and loads.
bool writeStrip(const std::string& file) {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, SPRITE_SIZE * SPRITE_FRAMES, SPRITE_SIZE, 24, SDL_PIXELFORMAT_RGB24);
  if (!s) return false;
  for (int y = 0; y < SPRITE_SIZE; ++y) {
    auto* row = static_cast<uint8_t*>(s->pixels) + y * s->pitch;
    for (int x = 0; x < SPRITE_SIZE * SPRITE_FRAMES; ++x) {
      const unsigned c = spritePixel(x / SPRITE_SIZE, x % SPRITE_SIZE, y);
      row[3 * x] = uint8_t(c >> 16), row[3 * x + 1] = uint8_t(c >> 8), row[3 * x + 2] = uint8_t(c);
    }
  }
  const bool ok = IMG_SavePNG(s, file.c_str()) == 0;
  SDL_FreeSurface(s);
  return ok;
}

class Korva {
 public:
  bool link() {
    entry_ = bench::linkProgram("image_frames", failure);
    return entry_ != 0;
  }
  // The program's log lines, or empty with failure set.
  std::vector<std::string> run(const std::string& commandLine, size_t lines) {
    bench::Logs logs;
    runtimeGetRuntime()->execute(entry_, commandLine.c_str(), &logs, 0, 0);
    if (logs.error || logs.lines.size() != lines) {
      failure = logs.error ? logs.error : "the program did not report its times";
      return {};
    }
    return logs.lines;
  }
  std::string failure;

 private:
  uint32_t entry_ = 0;
};

// The SDL2 program: a window with a streaming texture and a frame surface the sprites are
// blitted onto with their colour key.
class SdlReference {
 public:
  bool open(const std::string& stripFile) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    window_ = SDL_CreateWindow("reference", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, SPRITE_SCREEN_W,
                               SPRITE_SCREEN_H, 0);
    if (!window_) return false;
    screen_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    texture_ = screen_ ? SDL_CreateTexture(screen_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                           SPRITE_SCREEN_W, SPRITE_SCREEN_H)
                       : nullptr;
    frame_ = SDL_CreateRGBSurfaceWithFormat(0, SPRITE_SCREEN_W, SPRITE_SCREEN_H, 32, SDL_PIXELFORMAT_ARGB8888);
    SDL_Surface* loaded = IMG_Load(stripFile.c_str());
    if (!texture_ || !frame_ || !loaded) return false;
    strip_ = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(loaded);
    if (!strip_) return false;
    key_ = SDL_MapRGB(strip_->format, 0, 0, 0);
    SDL_SetColorKey(strip_, SDL_TRUE, key_);
    return true;
  }

  ~SdlReference() {
    if (strip_) SDL_FreeSurface(strip_);
    if (frame_) SDL_FreeSurface(frame_);
    if (texture_) SDL_DestroyTexture(texture_);
    if (screen_) SDL_DestroyRenderer(screen_);
    if (window_) SDL_DestroyWindow(window_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  // The collisions found.
  int frame(int f) {
    SDL_FillRect(frame_, nullptr, SDL_MapRGB(frame_->format, 0, 0, 0));
    for (int i = 0; i < SPRITE_COUNT; ++i) {
      int x, y, c;
      spriteAt(i, f, &x, &y, &c);
      SDL_Rect from{c * SPRITE_SIZE, 0, SPRITE_SIZE, SPRITE_SIZE}, to{x, y, 0, 0};
      SDL_BlitSurface(strip_, &from, frame_, &to);
    }
    int hits = 0;
    for (int k = 0; k < SPRITE_TESTS; ++k) {
      int x1, y1, c1, x2, y2, c2;
      spriteTest(k, f, &x1, &y1, &c1, &x2, &y2, &c2);
      hits += collide(x1, y1, c1, x2, y2, c2);
    }
    SDL_UpdateTexture(texture_, nullptr, frame_->pixels, frame_->pitch);
    SDL_RenderCopy(screen_, texture_, nullptr, nullptr);
    SDL_RenderPresent(screen_);
    return hits;
  }

 private:
  bool solid(int c, int x, int y) const {
    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(strip_->pixels) + y * strip_->pitch);
    return row[c * SPRITE_SIZE + x] != key_;
  }
  // Over the boxes' overlap, pixel by pixel, until both sprites are solid on one.
  bool collide(int x1, int y1, int c1, int x2, int y2, int c2) const {
    const int left = std::max(x1, x2), right = std::min(x1, x2) + SPRITE_SIZE;
    const int top = std::max(y1, y2), bottom = std::min(y1, y2) + SPRITE_SIZE;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x)
        if (solid(c1, x - x1, y - y1) && solid(c2, x - x2, y - y2)) return true;
    return false;
  }

  SDL_Window* window_ = nullptr;
  SDL_Renderer* screen_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  SDL_Surface* strip_ = nullptr;
  uint32_t key_ = 0;

 public:
  SDL_Surface* frame_ = nullptr;  // the last frame drawn
};

// Whether the 24-bit BMP the program saved shows the reference's frame, pixel for pixel.
bool samePicture(const std::string& bmpFile, const SDL_Surface* frame) {
  SDL_Surface* saved = SDL_LoadBMP(bmpFile.c_str());
  if (!saved) return false;
  SDL_Surface* rgb = SDL_ConvertSurfaceFormat(saved, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(saved);
  bool same = rgb && rgb->w == frame->w && rgb->h == frame->h;
  for (int y = 0; same && y < frame->h; ++y) {
    const auto* a = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(rgb->pixels) + y * rgb->pitch);
    const auto* b = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(frame->pixels) + y * frame->pitch);
    for (int x = 0; same && x < frame->w; ++x) same = (a[x] & 0xFFFFFF) == (b[x] & 0xFFFFFF);
  }
  if (rgb) SDL_FreeSurface(rgb);
  return same;
}

int fail(const std::string& why) {
  std::fprintf(stderr, "bench_images: %s\n", why.c_str());
  return 1;
}

}  // namespace

int main() {
  // Headless, both sides present through SDL's software renderer, as the reference asks for
  // explicitly; otherwise the run-time's window may get a GL renderer emulated on the CPU.
  setenv("SDL_RENDER_DRIVER", "software", 0);
  char dirTemplate[] = "/tmp/korva-bench-images-XXXXXX";
  if (!mkdtemp(dirTemplate)) return fail("no temporary directory");
  const std::string dir = dirTemplate, strip = dir + "/strip.png";
  struct Cleanup {
    std::string dir;
    ~Cleanup() { std::filesystem::remove_all(dir); }
  } cleanup{dir};
  if (!writeStrip(strip)) return fail(std::string("cannot write the strip: ") + SDL_GetError());

  Korva korva;
  if (!korva.link()) return fail(korva.failure);
  double korvaFps = 0;
  int korvaHits = -1, depth = 0;
  for (int round = 0; round < kRounds; ++round) {
    auto lines = korva.run("s " + std::to_string(kFrames) + " " + strip, 4);
    if (lines.empty()) return fail(korva.failure);
    depth = std::stoi(lines[0]);
    korvaHits = std::stoi(lines[1]);
    korvaFps = std::max(korvaFps, kFrames * 1000.0 / std::max(1, std::stoi(lines[2])));
    if (lines[3] != "1") return fail("the program could not save its last frame");
  }
  double rotations[2] = {0, 0};
  for (int filter = 0; filter < 2; ++filter)
    for (int round = 0; round < kRounds; ++round) {
      auto lines = korva.run(std::string(filter ? "R " : "r ") + std::to_string(kRotations), 2);
      if (lines.empty()) return fail(korva.failure);
      const double withRotation = std::max(1, std::stoi(lines[0])), alone = std::max(1, std::stoi(lines[1]));
      rotations[filter] = std::max(rotations[filter], kRotations * 1000.0 / std::max(1.0, withRotation - alone));
    }

  double sdlFps = 0;
  int sdlHits = 0;
  {
    SdlReference reference;
    if (!reference.open(strip)) return fail(std::string("SDL2 reference: ") + SDL_GetError());
    for (int round = 0; round < kRounds; ++round) {
      sdlHits = 0;
      const Uint64 start = SDL_GetPerformanceCounter();
      for (int f = 0; f < kFrames; ++f) sdlHits += reference.frame(f);
      const double seconds = double(SDL_GetPerformanceCounter() - start) / double(SDL_GetPerformanceFrequency());
      sdlFps = std::max(sdlFps, kFrames / seconds);
    }
    if (!samePicture(strip + ".frame.bmp", reference.frame_)) return fail("the two sides drew different last frames");
  }
  if (sdlHits != korvaHits)
    return fail("the two sides found different collisions: " + std::to_string(korvaHits) + " and " +
                std::to_string(sdlHits));

  std::printf("Frame: Cls, %d masked %dx%d sprites, %d ImagesCollide, Flip; %dx%d at %d bits, best of %d x %d frames\n",
              SPRITE_COUNT, SPRITE_SIZE, SPRITE_SIZE, SPRITE_TESTS, SPRITE_SCREEN_W, SPRITE_SCREEN_H, depth, kRounds,
              kFrames);
  std::printf("  %-48s %8.1f fps\n", "Korva, compiled program through the commands", korvaFps);
  std::printf("  %-48s %8.1f fps\n", "SDL2 reference in C", sdlFps);
  std::printf("  Korva / SDL2: %.2f   (collisions found: %d, both)\n", korvaFps / sdlFps, korvaHits);
  std::printf("RotateImage of 64x64, best of %d x %d (CopyImage and FreeImage timed apart and taken off)\n", kRounds,
              kRotations);
  std::printf("  %-48s %8.0f /s\n", "filter off (nearest)", rotations[0]);
  std::printf("  %-48s %8.0f /s\n", "filter on (bilinear)", rotations[1]);
  korva::bench::compare("images: sprite frame from a compiled program vs SDL2 in C", korvaFps, sdlFps, "fps",
                        korva::bench::Better::Higher);
  korva::bench::figure("images: RotateImage 64x64 from a compiled program, nearest", rotations[0], "per s",
                       korva::bench::Better::Higher);
  korva::bench::figure("images: RotateImage 64x64 from a compiled program, bilinear", rotations[1], "per s",
                       korva::bench::Better::Higher);
  return 0;
}
