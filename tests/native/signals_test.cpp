// Signals that others handle arrive while guest code runs, by the thousand, and the guest
// code goes on as if nothing happened.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/time.h>

#include <atomic>

#include "native/cpu_routines.h"

namespace korva::test {
namespace {

std::atomic<int> g_ticks{0};
void onTick(int) { g_ticks.fetch_add(1, std::memory_order_relaxed); }

uint32_t expectedCount(uint32_t n) {
  uint32_t h = 1;
  for (uint32_t i = 0; i < n; ++i) h = h * 1664525u + 1013904223u + (h >> 13);
  return h;
}

TEST(Signals, OthersHandlersRunWhileGuestCodeRuns) {
  struct sigaction tick {}, before {};
  tick.sa_handler = &onTick;
  tick.sa_flags = SA_RESTART;  // no alternate stack asked for
  sigemptyset(&tick.sa_mask);
  sigaction(SIGALRM, &tick, &before);
  itimerval every{{0, 100}, {0, 100}};
  setitimer(ITIMER_REAL, &every, nullptr);

  const uint32_t n = 120'000'000;
  ProgramRun r = runCpuProgram("count", {static_cast<int32_t>(n)});
  itimerval off{};
  setitimer(ITIMER_REAL, &off, nullptr);
  struct sigaction after {};
  sigaction(SIGALRM, &before, &after);

  EXPECT_EQ(r.endedBy, "");
  EXPECT_EQ(cpuRecord(), std::vector<double>{double(int32_t(expectedCount(n)))});
  EXPECT_GT(g_ticks.load(), 100);
  if (nativeCpu()) {
    EXPECT_TRUE(after.sa_flags & SA_ONSTACK);  // told to leave the guest's stack alone
  }
}

}  // namespace
}  // namespace korva::test
