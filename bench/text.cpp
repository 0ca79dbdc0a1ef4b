// Text drawing against the blit it ends in: a 40-character line of the default font onto a
// 640 x 480 buffer, and one solid blit of a block of the same size as the reference. Also
// the cost of making a font (face look-up, rendering every glyph into the atlas). Prints
// the ratio of the text line's CPU time to the block blit's after the usual output.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench/harness.h"
#include "bench/report.h"
#include "render/canvas/canvas.h"
#include "render/display/graphics_device.h"
#include "render/fonts/font.h"

using namespace korva;

namespace {

const std::string kLine = "The quick brown fox jumps over 13 lazy dogs";

std::unique_ptr<GraphicsDevice> device() {
  return GraphicsDevice::create(nullptr, 640, 480, PixelLayout::xrgb8888(), true);
}

void BM_TextLine(benchmark::State& st) {
  auto d = device();
  Canvas& target = *d->backBuffer();
  target.setColor(0xFFE0C040);
  int i = 0;
  for (auto _ : st) {
    target.text((i * 37) % 300, (i * 53) % 460, kLine);
    ++i;
  }
  benchmark::ClobberMemory();
}
BENCHMARK(BM_TextLine);

void BM_BlitLineReference(benchmark::State& st) {
  auto d = device();
  Font* font = d->defaultFont();
  Canvas& target = *d->backBuffer();
  Canvas* block = d->createCanvas(static_cast<int>(font->stringWidth(kLine)), font->height(), 0);
  int i = 0;
  for (auto _ : st) {
    target.blit((i * 37) % 300, (i * 53) % 460, *block, 0, 0, block->width(), block->height(), false);
    ++i;
  }
  benchmark::ClobberMemory();
}
BENCHMARK(BM_BlitLineReference);

void BM_LoadFont(benchmark::State& st) {
  auto d = device();
  for (auto _ : st) d->freeFont(d->loadFont("courier", static_cast<int>(st.range(0)), 0));
}
BENCHMARK(BM_LoadFont)->Arg(12)->Arg(32)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  bench::CpuTimes t;
  benchmark::RunSpecifiedBenchmarks(&t);
  if (t.has("BM_TextLine") && t.has("BM_BlitLineReference"))
  {
    std::printf("\ntext line / block blit of the same size (CPU time): %.1fx\n",
                t["BM_TextLine"] / t["BM_BlitLineReference"]);
    korva::bench::compare("text: 40-character line vs a blit of its size", t["BM_TextLine"], t["BM_BlitLineReference"],
                          "ns", korva::bench::Better::Lower);
  }
  benchmark::Shutdown();
  return 0;
}
