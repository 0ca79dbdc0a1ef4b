// Frames per second of a 640 x 480 32-bit window: Cls, 200 Rect/Oval/Line calls, 100 Text
// calls of 20 characters and a Flip, drawn by a compiled program through the whole command
// path, next to the same drawing done by a small C program with SDL2 in the same run
// (SDL_FillRect, SDL2's own line and rectangle drawing, pre-rendered glyph blits,
// SDL_UpdateTexture and present). Prints both rates and their ratio. The frames are laid
// out by bench/programs/frame_scene.h, so both sides draw the same shapes.
#include <SDL2/SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/harness.h"
#include "bench/report.h"

extern "C" {
#include "programs/frame_scene.h"
}

using namespace korva;

namespace {

constexpr int kFrames = 150;
constexpr int kRounds = 3;  // the best round counts: the machine is shared

// The compiled program's frames per second, and the size of a character of its font.
struct KorvaRun {
  double fps = 0;
  int glyphW = 7, glyphH = 12;
  std::string failure;
};

KorvaRun runKorva() {
  KorvaRun run;
  uint32_t entry = bench::linkProgram("graphics_frames", run.failure);
  if (!entry) return run;
  for (int round = 0; round < kRounds; ++round) {
    bench::Logs logs;
    runtimeGetRuntime()->execute(entry, std::to_string(kFrames).c_str(), &logs, 0, 0);
    if (logs.error || logs.lines.size() != 3) {
      run.failure = logs.error ? logs.error : "the program did not report its time";
      return run;
    }
    run.glyphW = std::stoi(logs.lines[0]);
    run.glyphH = std::stoi(logs.lines[1]);
    const double ms = std::max(1, std::stoi(logs.lines[2]));
    run.fps = std::max(run.fps, kFrames * 1000.0 / ms);
  }
  return run;
}

// The SDL2 program: a window with a streaming texture, a frame surface drawn on directly
// (fills, glyph blits) and through a software renderer (lines, outlines, points).
class SdlReference {
 public:
  bool open(int glyphW, int glyphH) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    // Unbatched, so that renderer drawing and direct surface drawing keep their order.
    SDL_SetHint(SDL_HINT_RENDER_BATCHING, "0");
    window_ = SDL_CreateWindow("reference", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, SCENE_WIDTH,
                               SCENE_HEIGHT, 0);
    if (!window_) return false;
    screen_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    texture_ = screen_ ? SDL_CreateTexture(screen_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                           SCENE_WIDTH, SCENE_HEIGHT)
                       : nullptr;
    frame_ = SDL_CreateRGBSurfaceWithFormat(0, SCENE_WIDTH, SCENE_HEIGHT, 32, SDL_PIXELFORMAT_ARGB8888);
    painter_ = frame_ ? SDL_CreateSoftwareRenderer(frame_) : nullptr;
    if (!texture_ || !painter_) return false;
    // White glyphs on a colour key, tinted at each blit; the shape does not change the cost.
    for (int c = 0; c < 256; ++c) {
      SDL_Surface* g = SDL_CreateRGBSurfaceWithFormat(0, glyphW, glyphH, 32, SDL_PIXELFORMAT_ARGB8888);
      if (!g) return false;
      auto* px = static_cast<uint32_t*>(g->pixels);
      for (int y = 0; y < glyphH; ++y)
        for (int x = 0; x < glyphW; ++x) px[y * g->pitch / 4 + x] = (x * 7 + y * 3 + c) % 5 < 2 ? 0xFFFFFFFF : 0xFF000000;
      SDL_SetColorKey(g, SDL_TRUE, 0xFF000000);
      glyphs_.push_back(g);
    }
    glyphW_ = glyphW;
    return true;
  }

  ~SdlReference() {
    for (SDL_Surface* g : glyphs_) SDL_FreeSurface(g);
    if (painter_) SDL_DestroyRenderer(painter_);
    if (frame_) SDL_FreeSurface(frame_);
    if (texture_) SDL_DestroyTexture(texture_);
    if (screen_) SDL_DestroyRenderer(screen_);
    if (window_) SDL_DestroyWindow(window_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  void frame(unsigned seed) {
    SDL_FillRect(frame_, nullptr, 0xFF000000);
    uint32_t colour = 0;
    for (int i = 0; i < SCENE_SHAPES; ++i) {
      SceneShape s;
      sceneShape(&seed, i, &s);
      if (i % SCENE_COLOUR_RUN == 0) {
        colour = 0xFF000000 | s.colour;
        SDL_SetRenderDrawColor(painter_, Uint8(colour >> 16), Uint8(colour >> 8), Uint8(colour), 255);
      }
      switch (s.kind) {
        case SCENE_RECT: {
          SDL_Rect r{s.x, s.y, s.w, s.h};
          if (s.solid)
            SDL_FillRect(frame_, &r, colour);
          else
            SDL_RenderDrawRect(painter_, &r);
          break;
        }
        case SCENE_OVAL: oval(s, colour); break;
        default: SDL_RenderDrawLine(painter_, s.x, s.y, s.x + s.w, s.y + s.h); break;
      }
    }
    for (int i = 0; i < SCENE_TEXTS; ++i) {
      int x, y;
      unsigned c;
      sceneText(&seed, &x, &y, &c);
      if (i % SCENE_COLOUR_RUN == 0) colour = c;
      for (const char* p = kSceneText; *p; ++p, x += glyphW_) {
        SDL_Surface* g = glyphs_[static_cast<unsigned char>(*p)];
        SDL_SetSurfaceColorMod(g, Uint8(colour >> 16), Uint8(colour >> 8), Uint8(colour));
        SDL_Rect at{x, y, 0, 0};
        SDL_BlitSurface(g, nullptr, frame_, &at);
      }
    }
    SDL_UpdateTexture(texture_, nullptr, frame_->pixels, frame_->pitch);
    SDL_RenderCopy(screen_, texture_, nullptr, nullptr);
    SDL_RenderPresent(screen_);
  }

 private:
  // SDL2 has no ellipse: filled ones as one fill per row, outlines as the two edge points
  // of each row.
  void oval(const SceneShape& s, uint32_t colour) {
    const float cx = s.x + s.w * 0.5f, cy = s.y + s.h * 0.5f, rx = s.w * 0.5f, ry = s.h * 0.5f;
    SDL_Point edges[2 * 64];
    int n = 0;
    for (int y = s.y; y < s.y + s.h; ++y) {
      const float d = (y + 0.5f - cy) / ry;
      const float half = rx * std::sqrt(std::max(0.0f, 1.0f - d * d));
      const int x0 = int(std::floor(cx - half)), x1 = int(std::floor(cx + half));
      if (s.solid) {
        SDL_Rect r{x0, y, x1 - x0, 1};
        SDL_FillRect(frame_, &r, colour);
      } else {
        edges[n++] = {x0, y};
        edges[n++] = {x1 - 1, y};
      }
    }
    if (n) SDL_RenderDrawPoints(painter_, edges, n);
  }

  SDL_Window* window_ = nullptr;
  SDL_Renderer* screen_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  SDL_Surface* frame_ = nullptr;
  SDL_Renderer* painter_ = nullptr;
  std::vector<SDL_Surface*> glyphs_;
  int glyphW_ = 7;
};

double runReference(int glyphW, int glyphH, std::string& failure) {
  SdlReference reference;
  if (!reference.open(glyphW, glyphH)) {
    failure = std::string("SDL2 reference: ") + SDL_GetError();
    return 0;
  }
  double best = 0;
  for (int round = 0; round < kRounds; ++round) {
    const Uint64 start = SDL_GetPerformanceCounter();
    for (int f = 0; f < kFrames; ++f) reference.frame(1u + unsigned(f));
    const double seconds = double(SDL_GetPerformanceCounter() - start) / double(SDL_GetPerformanceFrequency());
    best = std::max(best, kFrames / seconds);
  }
  return best;
}

}  // namespace

int main() {
  KorvaRun korva = runKorva();
  if (!korva.failure.empty()) {
    std::fprintf(stderr, "bench_graphics: %s\n", korva.failure.c_str());
    return 1;
  }
  std::string failure;
  const double sdl = runReference(korva.glyphW, korva.glyphH, failure);
  if (!failure.empty()) {
    std::fprintf(stderr, "bench_graphics: %s\n", failure.c_str());
    return 1;
  }
  std::printf("Frame: Cls, %d Rect/Oval/Line, %d Text of 20 characters, Flip; %dx%d, best of %d x %d frames\n",
              SCENE_SHAPES, SCENE_TEXTS, SCENE_WIDTH, SCENE_HEIGHT, kRounds, kFrames);
  std::printf("  %-48s %8.1f fps\n", "Korva, compiled program through the commands", korva.fps);
  std::printf("  %-48s %8.1f fps\n", "SDL2 reference in C", sdl);
  std::printf("  Korva / SDL2: %.2f\n", korva.fps / sdl);
  korva::bench::compare("graphics: frame from a compiled program vs SDL2 in C", korva.fps, sdl, "fps",
                        korva::bench::Better::Higher);
  return 0;
}
