// The native CPU is chosen only where the host runs 32-bit code; elsewhere the emulated one
// runs, and forcing the native one is a clear error. A host without 32-bit support is
// played by a probe on code selectors that cannot run 32-bit code.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "guest/backend.h"
#include "native/cpu_routines.h"
#include "support/process.h"

#if defined(__x86_64__)
#include <asm/ldt.h>

#include "guest/native/probe.h"
#endif

namespace korva::test {
namespace {

#if defined(__x86_64__)
// An LDT code segment marked not present: the far jump faults as it does on a kernel
// booted without 32-bit support. 0 when this kernel has no LDT to change.
uint16_t absentLdtSegment() {
  user_desc d{};
  d.entry_number = 0;
  d.limit = 0xFFFFF;
  d.seg_32bit = 1;
  d.contents = MODIFY_LDT_CONTENTS_CODE;
  d.limit_in_pages = 1;
  d.seg_not_present = 1;
  d.useable = 1;
  return syscall(SYS_modify_ldt, 1, &d, sizeof d) == 0 ? 0x7 : 0;
}

void requireNative() {
  std::string why = guest::nativeUnavailableReason();
  if (!why.empty()) GTEST_SKIP() << "the native CPU cannot run here: " << why;
}
#endif

TEST(Selection, KorvaSaysWhichCpuRunsAndWhy) {
  auto korva = [](const std::string& cpu) { return "env -u KORVA_CPU " + cpu + " " + buildDir() + "/korva"; };
  std::string native = guest::nativeUnavailableReason();
  const struct {
    std::string command;
    std::string line;  // the second line of --version, or the error
    int exitCode;
  } cases[] = {
      {korva("") + " --version", native.empty() ? "cpu: native (this host runs 32-bit code)"
                                            : "cpu: emulated (the native CPU cannot run here: " + native + ")", 0},
      {korva("KORVA_CPU=emulated") + " --version", "cpu: emulated (asked for by KORVA_CPU)", 0},
      {korva("KORVA_CPU=native") + " --version", native.empty() ? "cpu: native (asked for by KORVA_CPU)"
                                                 : "cpu: none: the native CPU cannot run here: " + native, 0},
      {korva("KORVA_CPU=native") + " " + programPath("fault_none"),
       native.empty() ? "cpu: native (asked for by KORVA_CPU)" : "korva: the native CPU cannot run here: " + native,
       native.empty() ? -1 : 1},
      {korva("") + " --cpu emulated --version", "cpu: emulated (asked for with --cpu)", 0},
      {korva("KORVA_CPU=fast") + " " + programPath("fault_none"), "korva: KORVA_CPU must be native or emulated, not \"fast\"", 1},
  };
  for (const auto& c : cases) {
    if (c.exitCode < 0) continue;  // only where the native CPU cannot run
    ProcessResult r = runCommand(c.command);
    std::string text = r.output + r.errors;
    EXPECT_NE(text.find(c.line + "\n"), std::string::npos) << c.command << "\n" << text;
    EXPECT_EQ(r.exitCode, c.exitCode) << c.command;
  }
}

// Where no native CPU is built, the reason names the processor, so a user learns why.
TEST(Selection, AHostWithoutX86NamesItsProcessor) {
#if defined(__x86_64__)
  GTEST_SKIP() << "an x86-64 host";
#else
  std::string why = guest::nativeUnavailableReason();
  EXPECT_NE(why.find("processor"), std::string::npos) << why;
#if defined(__aarch64__)
  EXPECT_NE(why.find("aarch64"), std::string::npos) << why;
#endif
#endif
}

#if defined(__x86_64__)
TEST(Probe, SelectorsThatCannotRun32BitCodeFailAndLeaveNothingBehind) {
  requireNative();
  struct sigaction segvBefore {}, segvAfter {};
  sigaction(SIGSEGV, nullptr, &segvBefore);
  const struct {
    uint16_t selector;
    const char* failure;
  } cases[] = {
      {absentLdtSegment(), "SIGBUS"},  // not present
      {0x0B, "SIGSEGV"},               // the kernel's own code
      {0x33, ""},                      // 64-bit code: the routine gives the wrong answer or faults
  };
  for (const auto& c : cases) {
    if (!c.selector) continue;
    std::string why = guest::native::probe(c.selector);
    EXPECT_FALSE(why.empty()) << std::hex << c.selector;
    EXPECT_NE(why.find(c.failure), std::string::npos) << why;
  }
  EXPECT_EQ(guest::native::probe(), "");
  sigaction(SIGSEGV, nullptr, &segvAfter);
  constexpr int kRestorer = 0x04000000;  // the C library's own flag
  EXPECT_EQ(segvAfter.sa_sigaction, segvBefore.sa_sigaction);
  EXPECT_EQ(segvAfter.sa_flags & ~kRestorer, segvBefore.sa_flags & ~kRestorer);
}

// Each in a fresh process: the choice is made once per process.
TEST(Selection, WithoutNative32BitCodeTheEmulatedCpuRuns) {
  requireNative();
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        unsetenv("KORVA_CPU");
        guest::testing::probeWithSelector(absentLdtSegment() ? 0x7 : 0x0B);
        const guest::CpuChoice& c = guest::cpuChoice();
        bool right = c.ok && c.name == "emulated" && c.reason.rfind("the native CPU cannot run here: ", 0) == 0;
        ProgramRun r = runCpuProgram("count", {3});
        std::exit(right && r.endedBy.empty() && cpuRecord().size() == 1 ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(Selection, ForcingAnUnavailableNativeCpuIsAOneLineError) {
  requireNative();
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        setenv("KORVA_CPU", "native", 1);
        guest::testing::probeWithSelector(absentLdtSegment() ? 0x7 : 0x0B);
        const guest::CpuChoice& c = guest::cpuChoice();
        std::fprintf(stderr, "%s\n", c.reason.c_str());
        bool right = !c.ok && c.name == "native" && c.reason.find('\n') == std::string::npos;
        ProgramRun r = runCpuProgram("count", {3});  // nothing runs, and it says why
        std::exit(right && r.endedBy == c.reason && cpuRecord().empty() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "^the native CPU cannot run here: 32-bit code cannot run in this process");
}
#endif

}  // namespace
}  // namespace korva::test
