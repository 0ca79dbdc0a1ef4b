// The example host in examples/host/: a separate program that loads libkorva.so and prints
// its debugger's callbacks.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/process.h"

namespace korva {
namespace {

std::string host(const std::string& args) {
  return test::buildDir() + "/korva-host " + args;
}

TEST(ExampleHost, PrintsEveryCallbackOfARun) {
  struct Case {
    std::string args;
    int exitCode;
    std::string ending;
  };
  const Case cases[] = {
      {"n", 0, "end Program has ended\n"},
      {"e", 1, "error boom\n"},
  };
  // The host's enumeration pass sees what korva --list-commands prints.
  const std::string listed = test::runCommand(test::buildDir() + "/korva --list-commands").output;
  for (const Case& c : cases) {
    auto r = test::runCommand(host(test::programPath("hosted") + " " + c.args));
    EXPECT_EQ(r.exitCode, c.exitCode) << r.errors;
    const std::string head = "runtime version 153, ";
    ASSERT_EQ(r.output.rfind(head, 0), 0u) << r.output;
    // Everything after the symbol count, which grows with the run-time.
    std::string calls = r.output.substr(r.output.find('\n') + 1);
    EXPECT_EQ(calls,
              "stmt 1 10\n"
              "enter 7 70 21\n"
              "stmt 8 80\n"
              "log inside 21\n"
              "leave\n"
              "log 42\n"
              "stmt 2 20\n" +
                  c.ending + "execute returned\n")
        << c.args;
    EXPECT_EQ(std::stoi(r.output.substr(head.size())), std::count(listed.begin(), listed.end(), '\n'));
  }
}

TEST(ExampleHost, EndsARunningProgramFromItsOwnThread) {
  auto r = test::runCommand(host("--end-after 300 " + test::programPath("hosted") + " l"));
  EXPECT_EQ(r.exitCode, 0) << r.errors;
  // The program loops for ever: it was ended from outside, with no end report.
  EXPECT_EQ(r.output.find("end "), std::string::npos);
  EXPECT_EQ(r.output.substr(r.output.size() - 17), "execute returned\n");
}

TEST(ExampleHost, ReportsWhatCannotRun) {
  std::string bad = test::tempDir() + "/not-an-image.kbm";
  test::runCommand("printf 'xx' > " + bad);
  auto r = test::runCommand(host(bad));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.output.find("link failed: Unable to run Korva Basic module\n"), std::string::npos) << r.output;
  r = test::runCommand(host("--lib /nonexistent/libkorva.so " + test::programPath("hosted")));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.errors.find("korva-host: "), std::string::npos);
}

}  // namespace
}  // namespace korva
