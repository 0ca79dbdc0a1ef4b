// What the emulated backend relies on in Unicorn itself: a translation cache flushed from
// the interrupt hook, and an engine stopped from the hook that sees each new block, leave
// guest code exactly where it was. Checked on bare Unicorn with programs whose results
// are known, while another thread asks for a flush every few hundred microseconds.
#include <gtest/gtest.h>

#include "unicorn/bare_cpu.h"

namespace {

using bare::Method;
using bare::Program;

struct Case {
  Program program;
  uint32_t iterations;
  bool translates;  // runs new blocks after each flush, so flushes and stops happen
};

TEST(InBandFlush, LosesAndRepeatsNothing) {
  const Case cases[] = {
      {Program::Calls, 300000, true},
      {Program::Blocks, 4, true},
      {Program::ReturnBlocks, 4, true},
      // A loop that calls nothing and translates nothing has no in-band point, and needs none.
      {Program::Counter, 3000000, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(bare::name(c.program));
    // The thread that asks for flushes may get no processor on a loaded machine: a run it
    // hardly reached proves nothing, so it is tried again, up to a few times.
    bare::Outcome o;
    for (int attempt = 0; attempt < 5; ++attempt) {
      o = bare::run(c.program, Method::InBand, c.iterations, 300);
      if (!c.translates || o.interventions > 5 || !o.error.empty()) break;
    }
    EXPECT_EQ(o.error, "");
    EXPECT_TRUE(o.resultRight);
    EXPECT_EQ(o.skipped, 0u);
    EXPECT_EQ(o.repeated, 0u);
    if (c.translates) {
      EXPECT_GT(o.interventions, 5u);
    } else {
      EXPECT_EQ(o.interventions, 0u);
    }
  }
}

}  // namespace
