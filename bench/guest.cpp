// Guest code speed: calls from guest code into a trivial routine, and CPU-bound kernels run
// in the emulator next to the same C code compiled natively, in the same run.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "bench/report.h"
#include "guest/memory.h"
#include "host/linker.h"
#include "host/registry.h"
#include "host/runtime.h"

extern "C" {
#include "bench/programs/kernels.h"
}

namespace korva {
namespace {

int32_t g_kernel, g_size, g_result;
float g_fresult;

int32_t testNop(int32_t v) { return v & 1; }
int32_t spinParam(int32_t which) { return which == 0 ? g_kernel : g_size; }
void spinResult(int32_t v, float f) {
  g_result = v;
  g_fresult = f;
}

const SymbolDef kSpinSymbols[] = {
    KORVA_ROUTINE("%TestNop%v", testNop),
    KORVA_ROUTINE("%SpinParam%which", spinParam),
    KORVA_ROUTINE("SpinResult%v#f", spinResult),
};

uint32_t spinEntry() {
  static uint32_t entry = [] {
    testing::setExtraSymbols(kSpinSymbols);
    const char* dir = std::getenv("KORVA_PROGRAMS_DIR");
    std::ifstream f(std::string(dir ? dir : "programs") + "/spin.kbm", std::ios::binary);
    std::vector<uint8_t> image(std::istreambuf_iterator<char>(f), {});
    LinkResult r = linkImage(image, runtimeSymbolTable());
    if (r.status != LinkResult::Ok) {
      std::fprintf(stderr, "cannot link spin.kbm (set KORVA_PROGRAMS_DIR): %s\n", r.message().c_str());
      std::exit(1);
    }
    return r.base;
  }();
  return entry;
}

void runGuest(int kernel, int size) {
  g_kernel = kernel;
  g_size = size;
  runtime().execute(spinEntry(), "", nullptr, 0, 0);
}

void BM_GuestCalls(benchmark::State& state) {
  const int n = 2'000'000;
  for (auto _ : state) runGuest(0, n);
  state.SetItemsProcessed(state.iterations() * n);
  state.counters["calls/s"] = benchmark::Counter(double(state.iterations()) * n, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GuestCalls)->Unit(benchmark::kMillisecond);

constexpr int kIntN = 20'000'000, kFib = 32, kFloatN = 2'000'000;

void BM_IntLoop_Guest(benchmark::State& state) {
  for (auto _ : state) runGuest(1, kIntN);
}
void BM_IntLoop_Native(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(kernelIntLoop(kIntN));
}
void BM_Recursion_Guest(benchmark::State& state) {
  for (auto _ : state) runGuest(2, kFib);
}
void BM_Recursion_Native(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(kernelFib(kFib));
}
void BM_Float_Guest(benchmark::State& state) {
  for (auto _ : state) runGuest(3, kFloatN);
}
void BM_Float_Native(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(kernelFloatLoop(kFloatN));
}
// What every run costs besides the guest code: a fresh engine, module start-up and shut-down.
void BM_EmptyRun(benchmark::State& state) {
  for (auto _ : state) runGuest(1, 0);
}
BENCHMARK(BM_EmptyRun)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_IntLoop_Native)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IntLoop_Guest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Recursion_Native)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Recursion_Guest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Float_Native)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Float_Guest)->Unit(benchmark::kMillisecond);

// Prints guest/native for each kernel after the runs.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      times_[r.benchmark_name()] = r.GetAdjustedRealTime();
      if (r.benchmark_name() == "BM_GuestCalls" && r.counters.count("calls/s")) calls_ = r.counters.at("calls/s");
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const char* k : {"IntLoop", "Recursion", "Float"}) {
      double g = times_[std::string("BM_") + k + "_Guest"], n = times_[std::string("BM_") + k + "_Native"];
      if (n > 0) std::printf("ratio guest/native %-10s %6.2fx\n", k, g / n);
      if (n > 0) bench::compare(std::string("guest: ") + k + " kernel vs native code", g, n, "ms",
                                bench::Better::Lower);
    }
    if (calls_ > 0) bench::figure("guest: calls from guest code into a routine", calls_, "calls/s", bench::Better::Higher);
  }

 private:
  std::map<std::string, double> times_;
  double calls_ = 0;
};

}  // namespace
}  // namespace korva

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  korva::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
}
