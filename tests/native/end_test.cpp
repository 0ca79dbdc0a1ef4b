// The environment's asyncEnd ends a program even while its code never calls the run-time.
#include <gtest/gtest.h>

#include "native/cpu_routines.h"
#include "support/async_ender.h"

namespace korva::test {
namespace {

TEST(AsyncEnd, StopsGuestCodeThatNeverPolls) {
  for (int mode : {0, 1}) {  // a bare loop; a loop of calls to a routine that never polls
    AsyncEnder environment;
    ProgramRun r = runCpuProgram("endless", {mode});
    environment.finish();
    EXPECT_EQ(r.endedBy, "") << mode;
    EXPECT_TRUE(r.errors.empty()) << mode;
    EXPECT_TRUE(r.ends.empty()) << mode;  // a quiet end: not "Program has ended"
  }
  // The request was for that run only.
  ProgramRun r = runCpuProgram("count", {5});
  EXPECT_EQ(r.ends, std::vector<std::string>{"Program has ended"});
  EXPECT_EQ(cpuRecord().size(), 1u);
}

}  // namespace
}  // namespace korva::test
