// Guest code speed on both CPU backends beside the same C code compiled for the host (x86-64
// or arm64), in one run: calls from guest code into a trivial routine, an integer loop, recursion, an x87
// float loop, and an empty run. The backend this process chose (native where the host runs
// 32-bit code) is measured here; the emulated one in a child process started with
// KORVA_CPU=emulated, since a process keeps one backend for its life.
//
// The kernels are timed from inside the program (between its last start-up call and its
// result), so a run's start-up and shut-down count only in the empty run. Each figure is
// the best of several runs: the machine is shared.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "bench/report.h"
#include "guest/backend.h"
#include "app/module_list.h"
#include "link/linker.h"
#include "link/registry.h"
#include "app/runtime.h"

extern "C" {
#include "bench/programs/kernels.h"
}

namespace korva {
namespace {

using Clock = std::chrono::steady_clock;

// The reference: the kernels compiled for this host's own processor.
#if defined(__aarch64__)
constexpr const char* kHostCode = "arm64 code";
#else
constexpr const char* kHostCode = "x86-64 code";
#endif

int32_t g_kernel, g_size;
Clock::time_point g_started, g_finished;
volatile int32_t g_sink;

int32_t testNop(int32_t v) { return v & 1; }
int32_t spinParam(int32_t which) {
  if (which == 1) g_started = Clock::now();  // the kernel starts right after this call
  return which == 0 ? g_kernel : g_size;
}
void spinResult(int32_t v, float f) {
  g_finished = Clock::now();
  g_sink = v + static_cast<int32_t>(f);
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

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

int repeats() {
  const char* t = std::getenv("BENCHMARK_MIN_TIME");  // short when the collector runs us all
  return t && std::strtod(t, nullptr) < 0.5 ? 3 : 7;
}

// Best time of the kernel inside a guest run, in seconds.
double guestKernel(int kernel, int size) {
  double best = 1e9;
  for (int i = 0; i < repeats(); ++i) {
    g_kernel = kernel;
    g_size = size;
    runtime().execute(spinEntry(), "", nullptr, 0, 0);
    best = std::min(best, seconds(g_finished - g_started));
  }
  return best;
}

double guestEmptyRun() {
  double best = 1e9;
  for (int i = 0; i < repeats(); ++i) {
    g_kernel = 1;
    g_size = 0;
    auto start = Clock::now();
    runtime().execute(spinEntry(), "", nullptr, 0, 0);
    best = std::min(best, seconds(Clock::now() - start));
  }
  return best;
}

template <class F>
double hostCode(F kernel) {
  double best = 1e9;
  for (int i = 0; i < repeats(); ++i) {
    auto start = Clock::now();
    g_sink = static_cast<int32_t>(kernel());
    best = std::min(best, seconds(Clock::now() - start));
  }
  return best;
}

constexpr int kCalls = 2'000'000, kIntN = 20'000'000, kFib = 32, kFloatN = 2'000'000;
const char* const kFigures[] = {"calls", "int", "fib", "float", "empty"};

// calls/s, then seconds for the others.
std::map<std::string, double> measureGuest() {
  return {{"calls", kCalls / guestKernel(0, kCalls)},
          {"int", guestKernel(1, kIntN)},
          {"fib", guestKernel(2, kFib)},
          {"float", guestKernel(3, kFloatN)},
          {"empty", guestEmptyRun()}};
}

// The emulated backend's figures, from a child process.
std::map<std::string, double> measureEmulatedInChild() {
  std::map<std::string, double> out;
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return out;
  self[n] = 0;
  std::string command = std::string("KORVA_CPU=emulated KORVA_BENCH_GUEST_ONLY=1 '") + self + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char line[256], name[64];
  double value;
  while (std::fgets(line, sizeof line, pipe))
    if (std::sscanf(line, "figure %63s %lf", name, &value) == 2) out[name] = value;
  pclose(pipe);
  return out;
}

std::string cell(const std::map<std::string, double>& m, const char* key, double reference, bool rate) {
  auto it = m.find(key);
  if (it == m.end()) return "-";
  char buf[64];
  if (rate)
    std::snprintf(buf, sizeof buf, "%.1f M/s", it->second / 1e6);
  else if (reference > 0)
    std::snprintf(buf, sizeof buf, "%.2f ms (%.2fx)", it->second * 1e3, it->second / reference);
  else
    std::snprintf(buf, sizeof buf, "%.2f ms", it->second * 1e3);
  return buf;
}

void report(const std::string& cpu, const std::map<std::string, double>& m, const std::map<std::string, double>& host) {
  const char* names[] = {"IntLoop", "Recursion", "Float"};
  const char* keys[] = {"int", "fib", "float"};
  for (int i = 0; i < 3; ++i)
    if (m.count(keys[i]))
      bench::compare("guest on the " + cpu + " CPU: " + names[i] + " kernel vs " + kHostCode, m.at(keys[i]) * 1e3,
                     host.at(keys[i]) * 1e3, "ms", bench::Better::Lower);
  if (m.count("calls"))
    bench::figure("guest on the " + cpu + " CPU: calls from guest code into a routine", m.at("calls"), "calls/s",
                  bench::Better::Higher);
  if (m.count("empty"))
    bench::figure("guest on the " + cpu + " CPU: an empty run", m.at("empty") * 1e3, "ms", bench::Better::Lower);
}

}  // namespace
}  // namespace korva

int main() {
  using namespace korva;
  if (std::getenv("KORVA_BENCH_GUEST_ONLY")) {
    for (auto& [name, value] : measureGuest()) std::printf("figure %s %.9g\n", name.c_str(), value);
    return 0;
  }
  const guest::CpuChoice& choice = guest::cpuChoice();
  std::map<std::string, double> host = {{"int", hostCode([] { return kernelIntLoop(kIntN); })},
                                        {"fib", hostCode([] { return kernelFib(kFib); })},
                                        {"float", hostCode([] { return kernelFloatLoop(kFloatN); })}};
  std::map<std::string, double> native;
  if (choice.ok && choice.name == "native") native = measureGuest();
  std::map<std::string, double> emulated = measureEmulatedInChild();

  std::printf("guest CPU benchmark (best of %d; ratios against %s)\n", repeats(), kHostCode);
  std::printf("  this process: %s CPU (%s)\n\n", choice.name.c_str(), choice.reason.c_str());
  std::printf("%-22s %-14s %-24s %-24s\n", "", kHostCode, "native CPU", "emulated CPU");
  const char* rows[] = {"calls into a routine", "integer loop", "recursion fib(32)", "x87 float loop", "empty run"};
  for (int i = 0; i < 5; ++i) {
    const char* key = kFigures[i];
    bool rate = i == 0;
    double ref = host.count(key) ? host.at(key) : 0;
    std::string refText = ref > 0 ? cell(host, key, 0, false) : "";
    std::printf("%-22s %-14s %-24s %-24s\n", rows[i], refText.c_str(), cell(native, key, ref, rate).c_str(),
                cell(emulated, key, ref, rate).c_str());
  }
  std::printf("\n");
  if (!native.empty()) report("native", native, host);
  if (!emulated.empty()) report("emulated", emulated, host);
  return emulated.empty() ? 1 : 0;
}
