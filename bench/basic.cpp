// Language-core routines per second: called directly from C++ and from compiled code, next
// to malloc/free and std::string doing the same work in the same run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <list>
#include <map>
#include <string>
#include <vector>

#include "bench/harness.h"
#include "bench/report.h"
#include "basic/objects.h"
#include "basic/strings.h"
#include "guest/memory.h"
#include "app/debuggers.h"
#include "app/module_list.h"
#include "basic/basic_module.h"
#include "korva/runtime.h"

using namespace korva;
using namespace korva::basic;

namespace {

constexpr const char kText[] = "hello world";

// A module life around each benchmark, and a three-field type like the guest loops use.
struct Module {
  UserType* type;
  Module() {
    basic_create();
    type = static_cast<UserType*>(guest::allocZeroed(sizeof(UserType) + 12));
    uint32_t used = guest::addr(&type->used), free = guest::addr(&type->free);
    *type = {kUserType, {0, used, used, 0, -1}, {0, free, free, 0, -1}, 3};
    uint32_t intType = 0;
    for (const SymbolDef& s : basic_module().symbols)
      if (std::strcmp(s.decl, "_vxIntType") == 0) intType = s.address();
    auto* f = reinterpret_cast<uint32_t*>(type + 1);
    f[0] = f[1] = f[2] = intType;
  }
  ~Module() {
    basic_destroy();
    guest::free(type);
  }
};

void StringCreateRelease_Korva(benchmark::State& state) {
  Module m;
  for (auto _ : state) {
    vxStr* s = vxStrNew(kText);
    benchmark::DoNotOptimize(s);
    vxStrRelease(s);
  }
  state.SetItemsProcessed(state.iterations());
}

void StringCreateRelease_Malloc(benchmark::State& state) {
  for (auto _ : state) {
    auto* p = static_cast<char*>(std::malloc(sizeof kText));
    std::memcpy(p, kText, sizeof kText);
    benchmark::DoNotOptimize(p);
    std::free(p);
  }
  state.SetItemsProcessed(state.iterations());
}

void StringCreateRelease_StdString(benchmark::State& state) {
  // Longer than the small-string buffer, so that it allocates like the others.
  const std::string_view text = "hello world, hello world";
  for (auto _ : state) {
    std::string s(text);
    benchmark::DoNotOptimize(s.data());
  }
  state.SetItemsProcessed(state.iterations());
}

void Concat_Korva(benchmark::State& state) {
  Module m;
  for (auto _ : state) {
    vxStr* s = StrConcat(vxStrNew("abc"), vxStrNew("defgh"));
    benchmark::DoNotOptimize(s);
    vxStrRelease(s);
  }
  state.SetItemsProcessed(state.iterations());
}

void Concat_StdString(benchmark::State& state) {
  for (auto _ : state) {
    std::string a("abc"), b("defgh");
    a += b;
    benchmark::DoNotOptimize(a.data());
  }
  state.SetItemsProcessed(state.iterations());
}

void ObjectNewDelete_Korva(benchmark::State& state) {
  Module m;
  for (auto _ : state) {
    ObjHeader* o = ObjNew(m.type);
    benchmark::DoNotOptimize(o);
    ObjDelete(o);
  }
  state.SetItemsProcessed(state.iterations());
}

void ObjectNewDelete_Malloc(benchmark::State& state) {
  for (auto _ : state) {
    void* p = std::calloc(1, sizeof(ObjHeader) + 12);
    benchmark::DoNotOptimize(p);
    std::free(p);
  }
  state.SetItemsProcessed(state.iterations());
}

constexpr int kEachObjects = 1000;

void EachIteration_Korva(benchmark::State& state) {
  Module m;
  for (int i = 0; i < kEachObjects; ++i) guest::ptr<uint32_t>(ObjNew(m.type)->fields)[0] = i;
  auto* var = static_cast<uint32_t*>(guest::allocZeroed(4));
  for (auto _ : state) {
    uint32_t sum = 0;
    for (int more = ObjEachFirst(var, m.type); more; more = ObjEachNext(var))
      sum += guest::ptr<uint32_t>(guest::ptr<ObjHeader>(*var)->fields)[0];
    benchmark::DoNotOptimize(sum);
  }
  guest::free(var);
  state.SetItemsProcessed(state.iterations() * kEachObjects);
}

void EachIteration_StdList(benchmark::State& state) {
  struct Item {
    uint32_t fields[3];
  };
  std::list<Item> items;
  for (int i = 0; i < kEachObjects; ++i) items.push_back({{uint32_t(i), 0, 0}});
  for (auto _ : state) {
    uint32_t sum = 0;
    for (const Item& it : items) sum += it.fields[0];
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kEachObjects);
}

// Compiled loops: one run of a program makes 100000 calls (Each: 100 walks of 1000 objects).
// Each run is timed whole, less the time of a run of an empty program (window, modules,
// engine), so the rate is that of the calls.
struct Silent final : StandaloneDebugger {
  const char* error = nullptr;
  void debugError(const char* message) override { error = message; }
};

double secondsOfRun(uint32_t entry, Silent& d) {
  auto t0 = std::chrono::steady_clock::now();
  runtimeGetRuntime()->execute(entry, "", &d, 0, 0);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void Guest(benchmark::State& state, const char* program) {
  std::string failure;
  uint32_t empty = bench::linkProgram("basic_bench_0", failure);
  uint32_t entry = empty ? bench::linkProgram(program, failure) : 0;
  if (!entry) {
    state.SkipWithError(failure.c_str());
    return;
  }
  Silent d;
  std::vector<double> startStop;
  for (int i = 0; i < 5; ++i) startStop.push_back(secondsOfRun(empty, d));
  std::sort(startStop.begin(), startStop.end());
  const double overhead = startStop[2];
  for (auto _ : state) {
    double t = secondsOfRun(entry, d);
    if (d.error) {
      state.SkipWithError(d.error);
      break;
    }
    state.SetIterationTime(std::max(t - overhead, 1e-9));
  }
  state.counters["start_stop_ms"] = overhead * 1e3;
  state.SetItemsProcessed(state.iterations() * 100000);
}

}  // namespace

BENCHMARK(StringCreateRelease_Korva);
BENCHMARK(StringCreateRelease_Malloc);
BENCHMARK(StringCreateRelease_StdString);
BENCHMARK_CAPTURE(Guest, StringCreateRelease_Guest, "basic_bench_1")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(Concat_Korva);
BENCHMARK(Concat_StdString);
BENCHMARK_CAPTURE(Guest, Concat_Guest, "basic_bench_2")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(ObjectNewDelete_Korva);
BENCHMARK(ObjectNewDelete_Malloc);
BENCHMARK_CAPTURE(Guest, ObjectNewDelete_Guest, "basic_bench_3")->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(EachIteration_Korva);
BENCHMARK(EachIteration_StdList);
BENCHMARK_CAPTURE(Guest, EachIteration_Guest, "basic_bench_4")->UseManualTime()->Unit(benchmark::kMillisecond);

namespace {

// Keeps each run's rate for the comparisons printed at the end.
struct Rates : benchmark::ConsoleReporter {
  std::map<std::string, double> perSecond;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (r.counters.count("items_per_second")) perSecond[r.benchmark_name()] = r.counters.at("items_per_second");
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  setenv("KORVA_NO_MESSAGEBOX", "1", 0);
  benchmark::Initialize(&argc, argv);
  Rates rates;
  benchmark::RunSpecifiedBenchmarks(&rates);
  benchmark::Shutdown();
  // (benchmark, reference benchmark, what it does, what the reference is)
  const char* cases[][4] = {{"StringCreateRelease", "StringCreateRelease_Malloc", "string create and release", "malloc/free"},
                            {"Concat", "Concat_StdString", "concatenation", "std::string"},
                            {"ObjectNewDelete", "ObjectNewDelete_Malloc", "object New and Delete", "malloc/free"},
                            {"EachIteration", "EachIteration_StdList", "For Each step", "std::list"}};
  for (auto& [name, ref, what, refName] : cases) {
    if (!rates.perSecond.count(ref)) continue;
    const std::string direct = std::string(name) + "_Korva", guest = "Guest/" + std::string(name) + "_Guest/manual_time";
    for (auto [run, from] : {std::pair{direct, " from C++"}, std::pair{guest, " from a compiled program"}})
      if (rates.perSecond.count(run))
        korva::bench::compare(std::string("basic: ") + what + from + " vs " + refName, rates.perSecond[run],
                              rates.perSecond[ref], "per s", korva::bench::Better::Higher);
  }
}
