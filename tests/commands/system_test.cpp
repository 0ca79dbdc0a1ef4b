// The system commands: the timers' counting, the clock, and the commands that need a
// running program, through the compiled program commands.c.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "app/module_list.h"
#include "commands/system.h"
#include "run/timers.h"
#include "core/handles.h"
#include "link/registry.h"
#include "app/runtime.h"
#include "support/event_debugger.h"
#include "support/programs.h"

namespace korva::test {
namespace {

using namespace std::chrono_literals;

TEST(RuntimeSymbols, RegisteredInTheirFixedOrder) {
  const char* expected[] = {"End", "Stop", "AppTitle$title", "RuntimeError$message", "ExecFile$command",
                            "Delay%millisecs", "%MilliSecs", "$CommandLine", "%CreateTimer%hertz",
                            "%WaitTimer%timer", "FreeTimer%timer", "DebugLog$text", "_vxDebugStmt",
                            "_vxDebugEnter", "_vxDebugLeave"};
  auto symbols = system_module().symbols;
  ASSERT_EQ(symbols.size(), std::size(expected));
  for (size_t i = 0; i < symbols.size(); ++i) EXPECT_STREQ(symbols[i].decl, expected[i]);
}

TEST(Timers, PeriodIsWholeMilliseconds) {
  EXPECT_EQ(timerPeriodMs(60), 16);
  EXPECT_EQ(timerPeriodMs(1), 1000);
  EXPECT_EQ(timerPeriodMs(3), 333);
  EXPECT_EQ(timerPeriodMs(1000), 1);
}

TEST(Timers, WaitReturnsTheTicksMissedThenOne) {
  TickCounter counter;
  for (int i = 0; i < 5; ++i) counter.tick();
  EXPECT_EQ(counter.wait(), 5);
  counter.tick();
  EXPECT_EQ(counter.wait(), 1);
  // With no tick pending, wait blocks until the next one.
  std::thread ticker([&] {
    std::this_thread::sleep_for(20ms);
    counter.tick();
  });
  EXPECT_EQ(counter.wait(), 1);
  ticker.join();
}

TEST(Clock, MilliSecsFollowsTheMonotonicClock) {
  int32_t before = MilliSecs();
  std::this_thread::sleep_for(25ms);
  auto elapsed = static_cast<int32_t>(static_cast<uint32_t>(MilliSecs()) - static_cast<uint32_t>(before));
  EXPECT_GE(elapsed, 25);
  EXPECT_LT(elapsed, 60000);
}

class Program : public ::testing::Test {
 protected:
  static uint32_t entry() { return linkedProgram("commands"); }
  // One run of the case picked by the command line's first byte.
  static ProgramRun run(const std::string& commandLine, bool debug = false) {
    return runEntry(entry(), debug, commandLine);
  }
  void execute(const std::string& commandLine) { runtime().execute(entry(), commandLine.c_str(), &dbg, 0, 0); }

  EventDebugger dbg;
  std::thread helper;
  void TearDown() override {
    if (helper.joinable()) helper.join();
  }
};

TEST_F(Program, StringChecksEndTheProgramWithTheirMessages) {
  const std::pair<const char*, const char*> cases[] = {
      {"L", "parameter must be positive"},       {"R", "parameter must be positive"},
      {"S", "parameter must be positive"},       {"T", "parameter must be positive"},
      {"I", "parameter must be greater than 0"}, {"M", "parameter must be greater than 0"},
  };
  for (auto [line, message] : cases) {
    for (bool debug : {false, true}) {
      ProgramRun r = run(line, debug);
      EXPECT_EQ(r.endedBy, message) << line;
      EXPECT_TRUE(r.logs.empty()) << line;
    }
  }
}

TEST_F(Program, CommandsPassArgumentsAndResultsThroughTheCallingContract) {
  EXPECT_EQ(run("n").logs, (std::vector<std::string>{"7", "x", "FFFFFFFF", "4", "90.000000"}));
}

TEST_F(Program, CommandLineIsTheTrimmedArgumentsAlsoAfterAppTitle) {
  ProgramRun r = run("   c  two  words   ");
  EXPECT_EQ(r.logs, (std::vector<std::string>{"c  two  words", "c  two  words"}));
  EXPECT_TRUE(r.endedBy.empty());
}

TEST_F(Program, EndRequestCutsALongDelayShort) {
  dbg.onEvent = [&](const std::string& e) {
    if (e == "log delaying") helper = std::thread([] {
        std::this_thread::sleep_for(50ms);
        runtime().asyncEnd();
      });
  };
  auto start = std::chrono::steady_clock::now();
  execute("d");
  EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);  // the Delay asked for 60 s
  EXPECT_EQ(dbg.events(), std::vector<std::string>{"log delaying"});  // a quiet end
}

TEST_F(Program, StopWaitsUntilResumed) {
  dbg.onEvent = [&](const std::string& e) {
    if (e == "stop") helper = std::thread([] {
        std::this_thread::sleep_for(20ms);
        runtime().asyncRun();
      });
  };
  execute("s");
  EXPECT_EQ(dbg.events(), (std::vector<std::string>{"log stopping", "stop", "run", "log resumed",
                                                    "end Program has ended"}));
}

TEST_F(Program, StopEndsQuietlyWhenTheProgramIsMadeToEnd) {
  dbg.onEvent = [&](const std::string& e) {
    if (e == "stop") helper = std::thread([] { runtime().asyncEnd(); });
  };
  execute("s");
  EXPECT_EQ(dbg.events(), (std::vector<std::string>{"log stopping", "stop"}));
}

int number(const std::string& text) { return std::stoi(text); }

TEST_F(Program, TimerCountsTheTicksMissedDuringAPause) {
  ProgramRun r = run("t");
  ASSERT_EQ(r.logs.size(), 4u) << r.endedBy;
  EXPECT_GE(number(r.logs[0]), 1);
  EXPECT_GE(number(r.logs[1]), 2);  // 300 ms at 100 Hz: many ticks, however slow the machine
  EXPECT_GE(number(r.logs[2]), 1);
  EXPECT_EQ(r.logs[3], "0");  // waiting on a freed timer, debug flag clear
  EXPECT_TRUE(r.endedBy.empty());
  EXPECT_EQ(Handles::count(HandleKind::Timer), 0u);
}

TEST_F(Program, TimerThatIsNotLiveIsAnErrorOnlyInDebugMode) {
  EXPECT_EQ(run("t", true).endedBy, "Timer does not exist");
  EXPECT_EQ(run("w").logs, std::vector<std::string>{"0"});
  EXPECT_EQ(run("w", true).endedBy, "Timer does not exist");
}

TEST_F(Program, TimersStillRunningAreFreedWithTheWindow) {
  ProgramRun r = run("k");
  EXPECT_EQ(r.logs, std::vector<std::string>{"1"});
  EXPECT_EQ(Handles::count(HandleKind::Timer), 0u);
}

TEST_F(Program, TimerRatesOutsideOneTo1000AreRejected) {
  EXPECT_EQ(run("0").endedBy, "Integer divide by zero");
  EXPECT_EQ(run("-").endedBy, "Timer frequency out of range");
  EXPECT_EQ(run("+").endedBy, "Timer frequency out of range");
  EXPECT_EQ(Handles::count(HandleKind::Timer), 0u);
}

TEST_F(Program, ExecFileWithNothingToStartIsSilent) {
  ProgramRun r = run("e");
  EXPECT_EQ(r.logs, std::vector<std::string>{"after exec"});
  EXPECT_TRUE(r.errors.empty());
}

TEST_F(Program, EveryRunDrawsTheSameSequenceUntilItSeeds) {
  ProgramRun first = run("r"), second = run("r");
  ASSERT_EQ(first.logs.size(), 2u);
  EXPECT_EQ(first.logs[0], "0.355659");
  EXPECT_EQ(first.logs, second.logs);
}

}  // namespace
}  // namespace korva::test
