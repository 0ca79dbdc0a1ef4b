// What guest code does to the processor stays with guest code; what lies outside guest
// memory stays out of its reach. On both CPUs, with the same results.
#include <gtest/gtest.h>

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "guest/memory.h"
#include "app/runtime.h"
#include "native/cpu_routines.h"
#include "support/process.h"

namespace korva::test {
namespace {

TEST(Hygiene, GuestStateNeverReachesTheRunTime) {
  const struct {
    int mode;
    const char* what;
  } cases[] = {{0, "nothing"}, {1, "AC set"}, {2, "DF set"}, {3, "FS loaded"}, {4, "FS loaded with null"},
               {5, "full x87 stack"}, {6, "own control word and MXCSR"}};
  for (const auto& c : cases) {
    ProgramRun r = runCpuProgram("hygiene", {c.mode});
    EXPECT_EQ(r.endedBy, "") << c.what;
    // Run-time problems found, esi and edi kept, a float result, the guest's control words.
    std::vector<double> expected = {0, 1, 1.5, c.mode == 6 ? 0x0C7F : 0x007F + 0.0, c.mode == 6 ? 0.0 : 0x1F80};
    EXPECT_EQ(cpuRecord(), expected) << c.what;
  }
}

TEST(Escape, SystemCallsFromGuestCodeEndTheProgram) {
  for (int mode : {1, 2, 3}) {
    ::testing::internal::CaptureStdout();
    ProgramRun r = runCpuProgram("escape", {mode});
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(r.endedBy, "Unknown runtime exception") << mode;
    EXPECT_TRUE(cpuRecord().empty()) << mode;
    EXPECT_EQ(out.find("escaped"), std::string::npos);
  }
}

TEST(Escape, WritesAnywhereBelow4GiBOutsideGuestMemoryFault) {
  std::vector<uint32_t> targets = {0x1000,     0x10000,    0x08048000, 0x0FF00000, 0x0FFE0000, 0x0FFFF000,
                                   guest::kRegionEnd, 0x60000000, 0x7FFF0000, 0xA0000000, 0xF7F00000, 0xFFFFF000};
#if !defined(__SANITIZE_ADDRESS__)
  targets.push_back(0x80000000);  // the sanitizer's shadow lies there and takes writes
#endif
  for (uint32_t target : targets) {
    ProgramRun r = runCpuProgram("escape", {4, static_cast<int32_t>(target)});
    EXPECT_EQ(r.endedBy, "Illegal memory address") << std::hex << target;
    EXPECT_TRUE(cpuRecord().empty()) << std::hex << target;
  }
}

// A far jump to the 64-bit code selector: the emulated CPU refuses the jump itself, the
// native one lets guest code run as 64-bit code, where every fault and every system call
// ends the program with the same error. Going back to 32-bit code unharmed is the one
// thing the native CPU does not stop (guest/README.md).
TEST(Escape, GuestCodeIn64BitModeFaultsAsOnTheEmulatedCpu) {
  const struct {
    int mode;
    const char* what;
  } cases[] = {{1, "ud2"}, {2, "a wild write"}, {3, "int3"}, {4, "hlt"}, {5, "a 64-bit system call"},
               {6, "int 0x80 from 64-bit code"}};
  for (const auto& c : cases) {
    ::testing::internal::CaptureStdout();
    ProgramRun r = runCpuProgram("far64", {c.mode});
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(r.endedBy, "Illegal memory address") << c.what;
    EXPECT_EQ(r.errors.size(), 1u) << c.what;
    EXPECT_TRUE(cpuRecord().empty()) << c.what;
    EXPECT_EQ(out.find("escaped"), std::string::npos) << c.what;
  }
  ProgramRun back = runCpuProgram("far64", {7});
  if (nativeCpu()) {
    EXPECT_EQ(back.endedBy, "");
    EXPECT_EQ(cpuRecord(), std::vector<double>{7});
  } else {
    EXPECT_EQ(back.endedBy, "Illegal memory address");
  }
  ASSERT_EQ(runCpuProgram("count", {10}).endedBy, "") << "the next run is whole";
}

// 64-bit guest code that never ends still ends on request.
TEST(Escape, AnEndRequestStops64BitGuestCode) {
  if (!nativeCpu()) GTEST_SKIP() << "the emulated CPU refuses the far jump to 64-bit code";
  std::thread environment([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    runtime().asyncEnd();
  });
  ProgramRun r = runCpuProgram("far64", {8});
  environment.join();
  EXPECT_EQ(r.endedBy, "");
  EXPECT_TRUE(r.errors.empty());
  EXPECT_TRUE(cpuRecord().empty());
}

// Nothing below 4 GiB is left for the run-time's own allocations to land in.
TEST(Escape, TheLow4GiBAreAllReservedOrGuestMemory) {
  if (!nativeCpu()) GTEST_SKIP() << "only the native CPU shares the address space with guest code";
  ASSERT_EQ(runCpuProgram("count", {10}).endedBy, "");
  uint64_t lowest = 65536;
  std::ifstream("/proc/sys/vm/mmap_min_addr") >> lowest;
  uint64_t covered = lowest;
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) {
    uint64_t begin, end;
    char perms[5] = {};
    ASSERT_EQ(std::sscanf(line.c_str(), "%" SCNx64 "-%" SCNx64 " %4s", &begin, &end, perms), 3);
    if (begin >= (uint64_t(1) << 32)) break;
    EXPECT_LE(begin, covered) << "a gap below " << line;
    covered = std::max(covered, end);
    bool guestMemory = begin >= guest::kRegionBase && end <= guest::kRegionEnd;
    bool runnable = std::string(perms) == "r-xp";  // the trampolines
#if defined(__SANITIZE_ADDRESS__)
    if (begin >= 0x7fff0000) continue;  // the sanitizer's shadow
#endif
    EXPECT_TRUE(guestMemory || runnable || std::string(perms) == "---p") << line;
  }
  EXPECT_GE(covered, uint64_t(1) << 32);
}

// The system call trap stays on this thread's children, yet they run as ever: 64-bit ones
// and a 32-bit one whose "int 0x80" lies outside guest memory.
TEST(Escape, ProgramsStartedAfterwardsRunNormally) {
  ASSERT_EQ(runCpuProgram("count", {10}).endedBy, "");
#if defined(__x86_64__)  // elsewhere a 32-bit x86 program does not run at all
  ProcessResult p32 = runCommand(programPath("hello32", ""));
  EXPECT_EQ(p32.exitCode, 7);
  EXPECT_EQ(p32.output, "hello from 32-bit\n");
#endif
  ProcessResult p64 = runCommand("echo 64-bit");
  EXPECT_EQ(p64.exitCode, 0);
  EXPECT_EQ(p64.output, "64-bit\n");
}

}  // namespace
}  // namespace korva::test
