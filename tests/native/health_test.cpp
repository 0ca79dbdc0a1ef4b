// Faults end a program and nothing more: many runs later the process still runs programs
// right. A fault inside a routine is the run-time's own and is not taken for the guest's.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "native/cpu_routines.h"

namespace korva::test {
namespace {

uint32_t expectedCount(uint32_t n) {
  uint32_t h = 1;
  for (uint32_t i = 0; i < n; ++i) h = h * 1664525u + 1013904223u + (h >> 13);
  return h;
}

TEST(Health, FaultsOfEveryKindThenManyMoreRunsAreRight) {
  const std::pair<const char*, const char*> faults[] = {
      {"fault_div0", "Integer divide by zero"},      {"fault_overflow", "Unknown runtime exception"},
      {"fault_illegal", "Illegal instruction"},      {"fault_nullptr", "Illegal memory address"},
      {"fault_recursion", "Stack overflow!"},        {"fault_bigframe", "Stack overflow!"},
      {"priv_cli", "Unknown runtime exception"},     {"priv_sysenter", "Unknown runtime exception"},
      {"priv_write_stub", "Illegal memory address"}, {"hostile_exec_heap", "Illegal memory address"},
  };
  for (int round = 0; round < 4; ++round) {
    for (auto [program, message] : faults) ASSERT_EQ(runProgram(program).endedBy, message) << program;
    ProgramRun r = runCpuProgram("count", {1000 + round});
    ASSERT_EQ(r.endedBy, "");
    ASSERT_EQ(cpuRecord(), std::vector<double>{double(int32_t(expectedCount(1000 + round)))}) << round;
    ASSERT_EQ(runCpuProgram("hygiene", {0}).endedBy, "");
    ASSERT_EQ(cpuRecord(), (std::vector<double>{0, 1, 1.5, 0x007F, 0x1F80})) << round;
  }
}

// The instructions that trap without being faults of memory or arithmetic.
TEST(Health, TrappingInstructionsGiveTheirErrors) {
  const std::pair<int, const char*> cases[] = {
      {1, "Unknown runtime exception"},  // int3
      {2, "Unknown runtime exception"},  // int 0x21
      {3, "Illegal memory address"},     // int 0x0d: the protection fault's vector
      {4, "Unknown runtime exception"},  // into
      {5, "Unknown runtime exception"},  // bound
      {6, "Integer divide by zero"},     // aam 0
      {7, "Illegal instruction"},        // ud2
  };
  for (auto [mode, message] : cases) {
    ProgramRun r = runCpuProgram("traps", {mode});
    EXPECT_EQ(r.endedBy, message) << mode;
    EXPECT_TRUE(cpuRecord().empty()) << mode;
  }
}

void exitOnSegv(int) { _exit(42); }

// The handler that was there before the run-time's still gets what is not the guest's.
TEST(Health, AFaultInsideARoutineGoesToTheHandlerInstalledBefore) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        runCpuProgram("count", {1});  // the backend's own handlers are in place
        ProgramRun clean = runCpuProgram("escape", {0});
        if (!clean.endedBy.empty() || cpuRecord().size() != 1) _exit(2);
        signal(SIGSEGV, &exitOnSegv);
        ProgramRun r = runCpuProgram("escape", {5});
        std::fprintf(stderr, "the run ended with \"%s\"\n", r.endedBy.c_str());
        _exit(1);
      },
      ::testing::ExitedWithCode(42), "");
}

}  // namespace
}  // namespace korva::test
