// End to end under a real X server: the korva executable runs a program that waits for
// keys, and real X key events typed with xdotool reach it with the right characters.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "support/process.h"
#include "support/xvfb.h"

namespace korva {
namespace {

using test::slurp;
using XvfbEndToEnd = test::XvfbTest;

TEST_F(XvfbEndToEnd, TypedKeysReachWaitKey) {
  std::string log = test::tempDir() + "/waitkey.log";
  pid_t korva = startKorva({test::programPath("input_waitkey")}, log);
  ASSERT_GT(korva, 0);
  ASSERT_TRUE(test::awaitInFile(log, "waiting\n")) << slurp(log);

  test::ProcessResult typed = pressInRuntimeWindow("a");
  EXPECT_EQ(typed.exitCode, 0) << typed.errors;
  // A character is made when the key is taken from the queue, with the modifiers held then:
  // the next key waits for this one, and Shift is held across a pause as a person holds it.
  EXPECT_TRUE(test::awaitInFile(log, "waiting\n97\n")) << slurp(log);
  typed = test::runCommand(xdotool("keydown shift sleep 0.3 key b sleep 0.3 keyup shift"));
  EXPECT_EQ(typed.exitCode, 0) << typed.errors;

  bool ended = test::waitFor(korva, std::chrono::seconds(10));
  EXPECT_TRUE(ended) << "the program did not end: " << slurp(log);
  EXPECT_EQ(slurp(log), "waiting\n97\n66\n");
}

}  // namespace
}  // namespace korva
