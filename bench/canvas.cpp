// Canvas fills, blits and collisions side by side with SDL2's software blitter on surfaces
// of the same size and format, and a memset of the same bytes as the bandwidth reference.
// Prints a table of ratios (reference time / our time: above 1 means we are faster; for
// fills against memset, our time / memset time) after the usual benchmark output. CPU
// times are compared: the machines are shared, and wall time also counts waiting for a core.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/report.h"
#include "render/canvas/private/blitter.h"
#include "render/canvas/canvas.h"

using korva::Canvas;
using korva::PixelLayout;

namespace {

constexpr int kW = 640, kH = 480, kSprite = 32, kFrame = 64;
constexpr uint32_t kFillColour = 0xFF336699;  // bytes differ in every format: no memset shortcut
constexpr int kPositions = 64;

PixelLayout layoutFor(int bits) { return bits == 16 ? PixelLayout::rgb565() : PixelLayout::xrgb8888(); }
uint32_t sdlFormatFor(int bits) { return bits == 16 ? SDL_PIXELFORMAT_RGB565 : SDL_PIXELFORMAT_RGB888; }

// The same positions for both sides, spread over the screen.
int posX(int i) { return (i * 149) % (kW - kSprite); }
int posY(int i) { return (i * 97) % (kH - kSprite); }

// A disc on a transparent (black) background: about a fifth of the pixels are keyed out.
void paintSprite(Canvas& c) {
  c.setClsColor(0);
  c.cls();
  c.setColor(0xFFE0C040);
  c.oval(0, 0, kSprite, kSprite, true);
}

struct Sdl {
  SDL_Surface* screen;
  SDL_Surface* sprite;
  Sdl(int bits, const Canvas& from) {
    screen = SDL_CreateRGBSurfaceWithFormat(0, kW, kH, bits, sdlFormatFor(bits));
    sprite = SDL_CreateRGBSurfaceWithFormat(0, kSprite, kSprite, bits, sdlFormatFor(bits));
    const korva::Surface& s = from.surface();
    const int bpp = bits / 8;
    for (int y = 0; y < kSprite; ++y)
      std::memcpy(static_cast<uint8_t*>(sprite->pixels) + y * sprite->pitch, s.row(y), kSprite * bpp);
  }
  ~Sdl() {
    SDL_FreeSurface(sprite);
    SDL_FreeSurface(screen);
  }
};

void BM_ClsKorva(benchmark::State& st) {
  auto c = Canvas::create(kW, kH, layoutFor(int(st.range(0))));
  c->setClsColor(kFillColour);
  for (auto _ : st) {
    c->cls();
    benchmark::DoNotOptimize(c->surface().pixels());
  }
  st.SetBytesProcessed(int64_t(st.iterations()) * kW * kH * c->format().bytesPerPixel);
}

void BM_ClsSdl(benchmark::State& st) {
  int bits = int(st.range(0));
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, kW, kH, bits, sdlFormatFor(bits));
  uint32_t colour = SDL_MapRGB(s->format, 0x33, 0x66, 0x99);
  for (auto _ : st) {
    SDL_FillRect(s, nullptr, colour);
    benchmark::DoNotOptimize(s->pixels);
  }
  st.SetBytesProcessed(int64_t(st.iterations()) * kW * kH * (bits / 8));
  SDL_FreeSurface(s);
}

void BM_Memset(benchmark::State& st) {
  size_t bytes = size_t(kW) * kH * (st.range(0) / 8);
  std::vector<uint8_t> buf(bytes);
  for (auto _ : st) {
    std::memset(buf.data(), 0x5A, bytes);
    benchmark::DoNotOptimize(buf.data());
    benchmark::ClobberMemory();
  }
  st.SetBytesProcessed(int64_t(st.iterations()) * int64_t(bytes));
}

void BM_BlitKorva(benchmark::State& st, bool solid) {
  auto layout = layoutFor(int(st.range(0)));
  auto screen = Canvas::create(kW, kH, layout);
  auto sprite = Canvas::create(kSprite, kSprite, layout);
  paintSprite(*sprite);
  int i = 0;
  for (auto _ : st) {
    screen->blit(posX(i), posY(i), *sprite, 0, 0, kSprite, kSprite, solid);
    i = (i + 1) % kPositions;
  }
  st.SetItemsProcessed(st.iterations());
}

void BM_BlitSdl(benchmark::State& st, bool solid) {
  int bits = int(st.range(0));
  auto from = Canvas::create(kSprite, kSprite, layoutFor(bits));
  paintSprite(*from);
  Sdl sdl(bits, *from);
  if (!solid) SDL_SetColorKey(sdl.sprite, SDL_TRUE, 0);
  int i = 0;
  for (auto _ : st) {
    SDL_Rect d{posX(i), posY(i), kSprite, kSprite};
    SDL_BlitSurface(sdl.sprite, nullptr, sdl.screen, &d);
    i = (i + 1) % kPositions;
  }
  st.SetItemsProcessed(st.iterations());
}

void BM_SolidBlitKorva(benchmark::State& st) { BM_BlitKorva(st, true); }
void BM_KeyedBlitKorva(benchmark::State& st) { BM_BlitKorva(st, false); }
void BM_SolidBlitSdl(benchmark::State& st) { BM_BlitSdl(st, true); }
void BM_KeyedBlitSdl(benchmark::State& st) { BM_BlitSdl(st, false); }

// Two rings that overlap in their boxes but never touch: every overlapping row is tested.
std::unique_ptr<Canvas> ring() {
  auto c = Canvas::create(kFrame, kFrame, PixelLayout::xrgb8888());
  c->cls();
  c->setColor(0xFFFFFFFF);
  c->oval(0, 0, kFrame, kFrame, false);
  return c;
}

void BM_CollideKorva(benchmark::State& st) {
  auto a = ring(), b = ring();
  int i = 0;
  for (auto _ : st) {
    benchmark::DoNotOptimize(a->collide(0, 0, *b, 8 + (i & 15), 8 + (i >> 4 & 7), false));
    ++i;
  }
  st.SetItemsProcessed(st.iterations());
}

// Reference: the same test pixel by pixel with getPixelFast.
void BM_CollidePerPixel(benchmark::State& st) {
  auto a = ring(), b = ring();
  a->lock();
  b->lock();
  const uint32_t ka = a->maskColor(), kb = b->maskColor();
  int i = 0;
  for (auto _ : st) {
    int dx = 8 + (i & 15), dy = 8 + (i >> 4 & 7);
    bool hit = false;
    for (int y = dy; y < kFrame && !hit; ++y)
      for (int x = dx; x < kFrame && !hit; ++x)
        hit = a->getPixelFast(x, y) != ka && b->getPixelFast(x - dx, y - dy) != kb;
    benchmark::DoNotOptimize(hit);
    ++i;
  }
  st.SetItemsProcessed(st.iterations());
  b->unlock();
  a->unlock();
}

BENCHMARK(BM_ClsKorva)->Arg(16)->Arg(32);
BENCHMARK(BM_ClsSdl)->Arg(16)->Arg(32);
BENCHMARK(BM_Memset)->Arg(16)->Arg(32);
BENCHMARK(BM_SolidBlitKorva)->Arg(16)->Arg(32);
BENCHMARK(BM_SolidBlitSdl)->Arg(16)->Arg(32);
BENCHMARK(BM_KeyedBlitKorva)->Arg(16)->Arg(32);
BENCHMARK(BM_KeyedBlitSdl)->Arg(16)->Arg(32);
BENCHMARK(BM_CollideKorva);
BENCHMARK(BM_CollidePerPixel);

class Recorder : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> ns;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration) ns[r.benchmark_name()] = r.GetAdjustedCPUTime();
    ConsoleReporter::ReportRuns(runs);
  }
};

void row(Recorder& rec, const char* what, const std::string& ours, const std::string& ref, const char* refName,
         bool oursOverRef) {
  if (!rec.ns.count(ours) || !rec.ns.count(ref)) return;
  double a = rec.ns[ours], b = rec.ns[ref];
  std::printf("%-34s %12.1f %12.1f  %-12s %6.2f\n", what, a, b, refName, oursOverRef ? a / b : b / a);
  std::string name = what;
  if (name.ends_with(" / memset")) name.resize(name.size() - 9);
  korva::bench::compare("canvas: " + name + " vs " + refName, a, b, "ns", korva::bench::Better::Lower);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Recorder rec;
  benchmark::RunSpecifiedBenchmarks(&rec);
  std::printf("\nvector path: %s\n", korva::blitter::vectorPath());
  std::printf("%-34s %12s %12s  %-12s %6s\n", "case", "korva ns", "ref ns", "reference", "ratio");
  for (const char* bits : {"16", "32"}) {
    std::string b = bits;
    row(rec, ("cls 640x480 " + b + "-bit").c_str(), "BM_ClsKorva/" + b, "BM_ClsSdl/" + b, "SDL_FillRect", false);
    row(rec, ("cls 640x480 " + b + "-bit / memset").c_str(), "BM_ClsKorva/" + b, "BM_Memset/" + b,
        "memset", true);
    row(rec, ("solid blit 32x32 " + b + "-bit").c_str(), "BM_SolidBlitKorva/" + b, "BM_SolidBlitSdl/" + b,
        "SDL_Blit", false);
    row(rec, ("keyed blit 32x32 " + b + "-bit").c_str(), "BM_KeyedBlitKorva/" + b, "BM_KeyedBlitSdl/" + b,
        "SDL_Blit+key", false);
  }
  row(rec, "collide 64x64 pixel-exact", "BM_CollideKorva", "BM_CollidePerPixel", "per-pixel", false);
  if (rec.ns.count("BM_CollideKorva"))
    std::printf("collide 64x64: %.0f tests per second\n", 1e9 / rec.ns["BM_CollideKorva"]);
  std::printf("ratios: reference time / ours (>= 1 is at least as fast), except memset rows: ours / memset\n");
  benchmark::Shutdown();
  return 0;
}
