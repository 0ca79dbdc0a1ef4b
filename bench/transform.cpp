// Affine resampling as RotateImage uses it: a 64 x 64 canvas turned by 30 degrees, nearest
// and bilinear, in 16 and 32-bit formats. Each iteration makes the destination canvas too,
// as the graphics device will. Prints transforms per second (CPU time) after the usual output.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/harness.h"
#include "bench/report.h"
#include "render/transform/affine_transform.h"

using korva::AffineMatrix;
using korva::Canvas;
using korva::PixelLayout;

namespace {

constexpr int kSide = 64;

PixelLayout layoutFor(int bits) { return bits == 16 ? PixelLayout::rgb565() : PixelLayout::xrgb8888(); }

void BM_Rotate30(benchmark::State& st) {
  const int bits = int(st.range(0));
  const bool filter = st.range(1) != 0;
  auto src = Canvas::create(kSide, kSide, layoutFor(bits));
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x) src->setPixel(x, y, 0xFF000000u | uint32_t(x * 4) << 16 | uint32_t(y * 4) << 8 | 0x55);
  src->setHandle(kSide / 2, kSide / 2);
  std::unique_ptr<Canvas> made;
  korva::CanvasMaker make = [&](int w, int h) {
    made = Canvas::create(w, h, layoutFor(bits));
    return made.get();
  };
  const AffineMatrix m = AffineMatrix::rotation(30);
  for (auto _ : st) {
    Canvas* out = korva::transformCanvas(*src, m, filter, make);
    benchmark::DoNotOptimize(out);
  }
  st.SetItemsProcessed(st.iterations());
  if (made) st.counters["pixels"] = double(made->width()) * made->height();
}
BENCHMARK(BM_Rotate30)->ArgNames({"bits", "filter"})->ArgsProduct({{16, 32}, {0, 1}});

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  korva::bench::CpuTimes rec;
  benchmark::RunSpecifiedBenchmarks(&rec);
  std::printf("\n%-40s %14s %14s\n", "rotate 64x64 by 30 degrees", "nearest /s", "bilinear /s");
  for (const char* bits : {"16", "32"}) {
    std::string base = std::string("BM_Rotate30/bits:") + bits + "/filter:";
    if (!rec.has(base + "0") || !rec.has(base + "1")) continue;
    std::printf("%-40s %14.0f %14.0f\n", (std::string(bits) + "-bit canvas").c_str(), 1e9 / rec[base + "0"],
                1e9 / rec[base + "1"]);
    for (const char* filter : {"0", "1"})
      korva::bench::figure(std::string("transform: rotate 64x64 by 30 degrees, ") + bits + "-bit, " +
                               (filter[0] == '0' ? "nearest" : "bilinear"),
                           1e9 / rec[base + filter], "per s", korva::bench::Better::Higher);
  }
  benchmark::Shutdown();
  return 0;
}
