// The console's Print on the last line, where every call scrolls the 400 x 300 window up a
// line, against the same drawing done straight on the front buffer (the self-blit, the band
// fill and the text) without the console's steps around it (state saved and put back, the
// window polled). Prints the ratio of their CPU times after the usual output.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "basic/strings.h"
#include "bench/harness.h"
#include "bench/report.h"
#include "graphics/console/console_commands.h"
#include "render/display/graphics_device.h"
#include "render/fonts/font.h"
#include "graphics/module/graphics_state.h"
#include "app/module_list.h"
#include "window/runtime_window.h"

using namespace korva;

namespace {

const std::string kLine = "The quick brown fox jumps over 13 lazy dogs";

// A window with the graphics module started, as a program has it.
struct Graphics : bench::ModuleRun {
  Graphics() : ModuleRun(graphics_module()) {}
};

void BM_PrintScrolling(benchmark::State& st) {
  Graphics g;
  if (!g.started) return st.SkipWithError("no graphics");
  graphics::Print(vxStrNew(""));  // the program's own window, so the timed calls do not reopen it
  graphics::Locate(0, 300);
  for (auto _ : st) graphics::Print(vxStrNew(kLine));
  benchmark::ClobberMemory();
}
BENCHMARK(BM_PrintScrolling);

void BM_ScrollReference(benchmark::State& st) {
  Graphics g;
  if (!g.started) return st.SkipWithError("no graphics");
  Canvas& front = *graphics::state().device->frontBuffer();
  const int h = graphics::state().font->height(), w = front.width(), height = front.height();
  for (auto _ : st) {
    vxStr* text = vxStrNew(kLine);
    front.blit(0, 0, front, 0, h, w, height - h, true);
    front.setColor(0);
    front.rect(0, height - h, w, h, true);
    front.setColor(0xFFFFFFFF);
    front.text(0, height - h, vxStrView(text));
    vxStrRelease(text);
  }
  benchmark::ClobberMemory();
}
BENCHMARK(BM_ScrollReference);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  bench::CpuTimes t;
  benchmark::RunSpecifiedBenchmarks(&t);
  if (t.has("BM_PrintScrolling") && t.has("BM_ScrollReference")) {
    std::printf("\nPrint on the last line / the same drawing straight on the buffer (CPU time): %.2fx\n",
                t["BM_PrintScrolling"] / t["BM_ScrollReference"]);
    korva::bench::compare("console: Print that scrolls vs the same drawing on the buffer", t["BM_PrintScrolling"],
                          t["BM_ScrollReference"], "ns", korva::bench::Better::Lower);
  }
  benchmark::Shutdown();
  return 0;
}
