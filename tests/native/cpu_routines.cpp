#include "app/module_list.h"
#include "native/cpu_routines.h"

#include <cerrno>
#include <cstring>

#include "guest/backend.h"
#include "link/registry.h"

namespace korva::test {
namespace {

std::vector<int32_t> g_params;
size_t g_nextParam = 0;
std::vector<double> g_record;
uint32_t g_hostControl;  // MXCSR on x86-64, FPCR on arm64
thread_local int t_calls;

int32_t cpuParam() {
  int32_t v = g_params.empty() ? 0 : g_params[std::min(g_nextParam, g_params.size() - 1)];
  ++g_nextParam;
  return v;
}
void cpuRecord(int32_t v) { g_record.push_back(v); }
void cpuRecordFloat(float v) { g_record.push_back(v); }
float cpuHalf(float v) { return v / 2; }

// The run-time's processor state, as the routines must find it: flags and control words.
#if defined(__x86_64__)
uint16_t g_hostCw;

void saveHostControlWords() { asm volatile("fnstcw %0\n\tstmxcsr %1" : "=m"(g_hostCw), "=m"(g_hostControl)); }

int32_t hostStateProblems() {
  int32_t problems = 0;
  uint64_t flags;
  asm volatile("pushfq\n\tpopq %0" : "=r"(flags));
  if (flags & 0x40000) problems |= 1;  // AC: the next unaligned load would fault
  if (flags & 0x400) problems |= 2;    // DF: string instructions would run backwards
  uint16_t cw, status;
  uint32_t mxcsr;
  asm volatile("fnstcw %0\n\tstmxcsr %1" : "=m"(cw), "=m"(mxcsr));
  if (cw != g_hostCw) problems |= 4;
  // Control bits only: the exception flags are sticky, and any float operation of the
  // run-time's own between the snapshot and this call may set them.
  constexpr uint32_t kFlags = 0x3F;
  if ((mxcsr & ~kFlags) != (g_hostControl & ~kFlags)) problems |= 8;
  asm volatile("fxam\n\tfnstsw %0" : "=a"(status));
  if ((status & 0x3800) || (status & 0x4500) != 0x4100) problems |= 16;  // x87 stack not empty
  alignas(8) volatile char bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  uint32_t word;
  asm volatile("movl 1(%1), %0" : "=r"(word) : "r"(bytes) : "memory");
  if (word != 0x05040302) problems |= 32;
  return problems;
}
#elif defined(__aarch64__)
// The floating-point control register holds rounding, flush-to-zero and trap enables.
void saveHostControlWords() {
  uint64_t fpcr;
  asm volatile("mrs %0, fpcr" : "=r"(fpcr));
  g_hostControl = static_cast<uint32_t>(fpcr);
}

int32_t hostStateProblems() {
  uint64_t fpcr;
  asm volatile("mrs %0, fpcr" : "=r"(fpcr));
  return static_cast<uint32_t>(fpcr) != g_hostControl ? 8 : 0;
}
#else
void saveHostControlWords() {}
int32_t hostStateProblems() { return 0; }
#endif

int32_t cpuCheckHost() {
  int32_t problems = hostStateProblems();
  // Thread-local storage and errno go through FS on x86-64.
  asm volatile("" ::: "memory");
  t_calls = t_calls + 1;
  asm volatile("" ::: "memory");
  errno = 0;
  char text[32];
  std::memmove(text, "still in one piece", 19);
  if (std::strcmp(text, "still in one piece") != 0) problems |= 64;
  return problems;
}

void cpuCrash() {
  int* volatile wild = reinterpret_cast<int*>(8);  // a store the compiler cannot see through
  *wild = 1;
}

const SymbolDef kSymbols[] = {
    KORVA_ROUTINE("%CpuParam", cpuParam),
    KORVA_ROUTINE("CpuRecord%v", cpuRecord),
    KORVA_ROUTINE("CpuRecordFloat#v", cpuRecordFloat),
    KORVA_ROUTINE("#CpuHalf#v", cpuHalf),
    KORVA_ROUTINE("%CpuCheckHost", cpuCheckHost),
    KORVA_ROUTINE("CpuCrash", cpuCrash),
};

}  // namespace

ProgramRun runCpuProgram(const std::string& name, std::initializer_list<int32_t> params) {
  g_params = params;
  g_nextParam = 0;
  g_record.clear();
  // What the run-time works with, and must find again inside every routine.
  saveHostControlWords();
  testing::setExtraSymbols(kSymbols);
  ProgramRun r = runProgram("cpu_" + name);
  testing::setExtraSymbols({});
  return r;
}

const std::vector<double>& cpuRecord() { return g_record; }

bool nativeCpu() { return guest::cpuChoice().ok && guest::cpuChoice().name == "native"; }

}  // namespace korva::test
