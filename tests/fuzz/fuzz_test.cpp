// Every registered run-time routine called from guest code with random and hostile argument
// words: bad pointers, huge and negative counts, released strings, records with spoilt
// headers, misaligned records. A run ends at its first run-time error and the next one
// starts; the run-time must come through every call without a signal, a sanitizer report or
// a hang, and leave nothing behind in guest memory.
//
// By hand: KORVA_FUZZ_CALLS=200000 KORVA_FUZZ_SEED=7 test_fuzz; KORVA_FUZZ_TRACE=1 prints
// each call on stderr before it is made, calls that took 100 ms or more, and how each run
// ended with the process's peak memory so far.
#include <gtest/gtest.h>

#include "fuzzer.h"

namespace korva::test {
namespace {

int32_t fuzzNext(uint32_t* call) {
  basic::requireGuest(guest::addr(call), 4 * (kArgWords + 2));
  return g_fuzzer->next(guest::addr(call)) ? 1 : 0;
}
void fuzzResult(int32_t value) { g_fuzzer->result(static_cast<uint32_t>(value)); }

const SymbolDef kFuzzSymbols[] = {
    KORVA_ROUTINE("%FuzzNext%call", fuzzNext),
    KORVA_ROUTINE("FuzzResult%value", fuzzResult),
};

TEST(Fuzz, EveryRoutineSurvivesHostileArguments) {
  const uint64_t seed = envNumber("KORVA_FUZZ_SEED", 20240611);
  const uint64_t calls = envNumber("KORVA_FUZZ_CALLS", 4000);
  SCOPED_TRACE("KORVA_FUZZ_SEED=" + std::to_string(seed));

  // Closing SDL's dummy audio device waits out a buffer period, some 30 ms for each of a
  // thousand runs; without a device the sound engine mixes on its own thread, as it does on
  // a machine without sound, and stops at once.
  setenv("SDL_AUDIODRIVER", "none", 1);

  testing::setExtraSymbols(kFuzzSymbols);
  std::vector<uint8_t> image = programImage("fuzz_caller");
  LinkResult linked = linkImage(image, runtimeSymbolTable());
  ASSERT_EQ(linked.status, LinkResult::Ok) << linked.message();

  // Commands that make files make them here.
  std::filesystem::path home = std::filesystem::current_path();
  std::filesystem::path dir = std::filesystem::path(tempDir()) / "fuzz";
  std::filesystem::create_directories(dir);
  std::filesystem::current_path(dir);

  // A program may write over its own code; each run starts from the code as linked.
  const std::vector<uint8_t> code(guest::ptr<uint8_t>(linked.base), guest::ptr<uint8_t>(linked.base) + linked.size);

  Fuzzer fuzzer(seed, calls);
  g_fuzzer = &fuzzer;
  const uint64_t baseline = guest::allocStats().liveBlocks;
  ::testing::internal::CaptureStdout();  // RuntimeStats and the like
  int runs = 0;
  while (!fuzzer.done()) {
    fuzzer.startRun();
    // Not where ChangeDir left it, and with the files WriteFile or DeleteFile may have spoilt.
    std::filesystem::current_path(dir);
    writeLoadableFiles(dir);
    std::memcpy(guest::ptr(linked.base), code.data(), code.size());
    const auto started = std::chrono::steady_clock::now();
    ProgramRun r = runEntry(linked.base, runs++ % 2 == 1);
    if (fuzzer.tracing())
      std::fprintf(stderr, "-- run %d ended by \"%s\" after %lld ms, peak %llu MiB\n", runs, r.endedBy.c_str(),
                   static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::steady_clock::now() - started).count()),
                   static_cast<unsigned long long>(peakMemoryMiB()));
    EXPECT_LE(r.errors.size(), 1u) << "run " << runs;  // only the first error is reported
    if (!r.errors.empty()) {
      EXPECT_EQ(r.endedBy, r.errors[0]);
    }
    EXPECT_EQ(liveStringCount(), 0u) << "run " << runs;
    EXPECT_EQ(basic::liveBlockCount(), 0u) << "run " << runs;
    ASSERT_EQ(guest::allocStats().liveBlocks, baseline) << "guest memory left behind by run " << runs;
  }
  ::testing::internal::GetCapturedStdout();
  g_fuzzer = nullptr;
  std::filesystem::current_path(home);
  testing::setExtraSymbols({});
  guest::free(guest::ptr(linked.base));

  // Every size a program asks for is bounded by the run-time (guest memory, the pixel and
  // bank budgets), so however hostile the calls the process stays modest.
  if (fuzzer.tracing()) std::fprintf(stderr, "-- %d runs, peak memory %llu MiB\n", runs, static_cast<unsigned long long>(peakMemoryMiB()));
  EXPECT_LT(peakMemoryMiB(), kPeakMemoryMiB) << "peak resident memory in MiB";
  EXPECT_EQ(fuzzer.problems(), std::vector<std::string>{});
  for (const Routine& r : fuzzer.routines()) EXPECT_GT(fuzzer.calls().count(r.name), 0u) << r.name << " never called";
  EXPECT_GT(runs, 1);
}

}  // namespace
}  // namespace korva::test
