// A compiled program makes millions of routine calls between integer and x87 work it does
// twice, while the emulated CPU flushes its translation cache thousands of times a second:
// no call may be skipped or made twice, and every result must match. On the native CPU the
// same run checks the calls alone.
//
// KORVA_SOAK_ROUNDS (default 2000, a thousand calls each) makes the long run by hand.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "guest/adapter.h"
#include "guest/backend.h"
#include "guest/emulated/translation.h"
#include "app/module_list.h"
#include "link/registry.h"
#include "support/programs.h"

namespace korva {
namespace {

constexpr int32_t kCallsPerRound = 1000;

struct Soak {
  int32_t rounds = 0;
  int32_t next = 0;      // the argument the next step call must bring
  uint32_t served = 0;   // sum of the results handed out since the last round
  uint64_t steps = 0, floatSteps = 0, roundsSeen = 0;
  uint64_t breaks = 0, wrongSums = 0, intMismatches = 0, floatMismatches = 0;
} g_soak;

uint32_t mix(uint32_t i) { return i * 2654435761u ^ (i >> 3); }

int32_t soakParam(int32_t which) { return which == 0 ? g_soak.rounds : kCallsPerRound; }
int32_t soakStep(int32_t v) {
  if (v != g_soak.next) ++g_soak.breaks;
  g_soak.next = v + 1;
  ++g_soak.steps;
  uint32_t r = mix(static_cast<uint32_t>(v));
  g_soak.served += r;
  return static_cast<int32_t>(r);
}
float soakStepF(float x) {
  ++g_soak.floatSteps;
  return x * 0.5f + 1.0f;
}
void soakRound(int32_t round, int32_t sum) {
  if (round != static_cast<int32_t>(g_soak.roundsSeen) || static_cast<uint32_t>(sum) != g_soak.served)
    ++g_soak.wrongSums;
  ++g_soak.roundsSeen;
  g_soak.served = 0;
}
void soakCompare(int32_t kind, int32_t a, int32_t b) {
  if (a != b) ++(kind == 0 ? g_soak.intMismatches : g_soak.floatMismatches);
}

const SymbolDef kSoakSymbols[] = {
    KORVA_ROUTINE("%SoakParam%which", soakParam),       KORVA_ROUTINE("%SoakStep%v", soakStep),
    KORVA_ROUTINE("#SoakStepF#x", soakStepF),           KORVA_ROUTINE("SoakRound%round%sum", soakRound),
    KORVA_ROUTINE("SoakCompare%kind%a%b", soakCompare),
};

TEST(Soak, NoCallIsLostAndEveryResultMatchesWhileTheCacheIsFlushedOverAndOver) {
  const char* rounds = std::getenv("KORVA_SOAK_ROUNDS");
  g_soak = Soak{};
  g_soak.rounds = rounds ? std::atoi(rounds) : 2000;
  bool emulated = guest::cpuChoice().name == "emulated";
  // A 1 MiB buffer flushes in about 0.1 ms; a slice of 100 us flushes about 5000 times a
  // second here (20 us: 14000, ten times the run's length). KORVA_EMULATED_SLICE_US and
  // KORVA_EMULATED_BUFFER_MB, when set, are used instead.
  if (emulated && !std::getenv("KORVA_EMULATED_SLICE_US")) guest::testing::setTranslationLimits({1u << 20, 100});
  guest::TranslationCounts before = guest::translationCounts();
  testing::setExtraSymbols(kSoakSymbols);
  auto started = std::chrono::steady_clock::now();
  test::ProgramRun r = test::runProgram("soak");
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  testing::setExtraSymbols({});
  guest::testing::setTranslationLimits({0, 0});
  guest::TranslationCounts after = guest::translationCounts();

  ASSERT_TRUE(r.linked) << r.linkError;
  EXPECT_EQ(r.endedBy, "");
  const uint64_t expectedRounds = static_cast<uint64_t>(g_soak.rounds);
  EXPECT_EQ(g_soak.roundsSeen, expectedRounds);
  EXPECT_EQ(g_soak.steps, expectedRounds * kCallsPerRound);
  EXPECT_EQ(g_soak.floatSteps, expectedRounds * 2 * 3);
  EXPECT_EQ(g_soak.breaks, 0u);
  EXPECT_EQ(g_soak.wrongSums, 0u);
  EXPECT_EQ(g_soak.intMismatches, 0u);
  EXPECT_EQ(g_soak.floatMismatches, 0u);
  uint64_t flushes = after.flushes - before.flushes, stops = after.stops - before.stops;
  std::printf("soak on the %s CPU: %llu calls, %llu flushes (%llu of them after a stop at a new block) in %.2f s\n",
              guest::cpuChoice().name.c_str(), static_cast<unsigned long long>(g_soak.steps + g_soak.floatSteps),
              static_cast<unsigned long long>(flushes), static_cast<unsigned long long>(stops), seconds);
  if (emulated) {
    EXPECT_GE(flushes, 2000u);
    EXPECT_GE(stops, 100u);
  }
}

}  // namespace
}  // namespace korva
