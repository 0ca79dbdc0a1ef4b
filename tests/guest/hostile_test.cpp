// Hostile compiled programs: each must end by itself, with its run-time error or normally,
// and leave the run-time whole for the next run.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "basic/strings.h"
#include "guest/emulated/translation.h"
#include "support/programs.h"

namespace korva {
namespace {

// The process's peak resident size so far, in bytes (0 where /proc does not tell).
uint64_t peakResident() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::stoull(line.substr(6)) * 1024;
  return 0;
}

struct Case {
  const char* program;
  const char* error;  // "" for a normal end
};

void expectEnds(const Case& c) {
  test::ProgramRun r = test::runProgram(c.program);
  ASSERT_TRUE(r.linked) << c.program << ": " << r.linkError;
  EXPECT_EQ(r.endedBy, c.error) << c.program;
  if (*c.error)
    EXPECT_EQ(r.errors, std::vector<std::string>{c.error}) << c.program;
  else
    EXPECT_EQ(r.ends, std::vector<std::string>{"Program has ended"}) << c.program;
  EXPECT_EQ(liveStringCount(), 0u) << c.program;
}

TEST(Hostile, PrivilegedInstructionsAndProtectedWritesEndTheProgram) {
  const Case cases[] = {
      {"priv_cli", "Unknown runtime exception"},
      {"priv_hlt", "Unknown runtime exception"},
      {"priv_in", "Unknown runtime exception"},
      {"priv_out", "Unknown runtime exception"},
      {"priv_lgdt", "Unknown runtime exception"},
      {"priv_mov_cr0", "Unknown runtime exception"},
      {"priv_mov_dr7", "Unknown runtime exception"},
      {"priv_wrmsr", "Unknown runtime exception"},
      {"priv_sysenter", "Unknown runtime exception"},
      {"priv_write_stub", "Illegal memory address"},
      {"priv_write_table", "Illegal memory address"},
      {"priv_kernel_stack", "Illegal memory address"},
      {"priv_iret_to_kernel", "Illegal memory address"},
  };
  for (const Case& c : cases) expectEnds(c);
  // The stubs are intact: an ordinary program still runs.
  expectEnds({"fault_none", ""});
}

TEST(Hostile, OnlyCodeIsExecutable) {
  expectEnds({"hostile_exec_heap", "Illegal memory address"});
  expectEnds({"hostile_exec_stack", "Illegal memory address"});
}

TEST(Hostile, HeapSurvivesWritesAfterFreeAndDoubleFrees) { expectEnds({"hostile_heap_after_free", ""}); }

TEST(Hostile, SpoiltStringRecordsAreRefusedByEveryCommand) {
  for (const char* kind : {"record", "released", "forged"})
    for (int use = 1; use <= 5; ++use)
      expectEnds({("hostile_string_" + std::string(kind) + "_" + std::to_string(use)).c_str(),
                  "Illegal memory address"});
  expectEnds({"hostile_string_text", ""});
}

TEST(Hostile, StringLinkedThroughAnObjectStoreStillEnds) {
  ::testing::internal::CaptureStdout();
  test::ProgramRun r = test::runProgram("hostile_string_links");
  std::string out = ::testing::internal::GetCapturedStdout();
  EXPECT_EQ(r.endedBy, "");
  EXPECT_EQ(r.ends, std::vector<std::string>{"Program has ended"});
  EXPECT_EQ(out.rfind("Active strings:1\n", 0), 0u) << out;
  EXPECT_EQ(liveStringCount(), 0u);
}

TEST(Hostile, ObjectTextIsBounded) {
  uint64_t before = peakResident();
  expectEnds({"hostile_wide_text", "Out of memory"});
  EXPECT_LT(peakResident() - before, 256u << 20);
}

TEST(Hostile, CyclesInObjectListsEndTheWalk) {
  expectEnds({"hostile_cycle_first", "Illegal memory address"});
  expectEnds({"hostile_cycle_each", "Illegal memory address"});
  expectEnds({"hostile_cycle_delete_each", "Illegal memory address"});
}

TEST(Hostile, MisalignedVariablesAndRecordsWork) { expectEnds({"hostile_misaligned", ""}); }

// With a small translation buffer, distinct blocks that never call the run-time fill it many
// times over, linked by jumps, by returns only, or made of the largest code per instruction;
// the cache must be flushed in time rather than left to overflow.
TEST(Hostile, ManyDistinctBlocksDoNotOverflowTheTranslationCache) {
  guest::testing::setTranslationLimits({4u << 20, 0});
  for (const char* program : {"hostile_many_blocks", "hostile_many_return_blocks", "hostile_many_heavy_blocks"}) {
    test::ProgramRun r = test::runProgram(program);
    EXPECT_EQ(r.endedBy, "") << program;
    EXPECT_EQ(r.ends, std::vector<std::string>{"Program has ended"}) << program;
  }
  guest::testing::setTranslationLimits({0, 0});
}

}  // namespace
}  // namespace korva
