// One program's run through execute: start-up, the ways it ends, and the debugger hooks.
#include <gtest/gtest.h>

#include <thread>

#include "app/module_list.h"
#include "link/linker.h"
#include "app/runtime.h"
#include "support/event_debugger.h"
#include "support/programs.h"

namespace korva {
namespace {

std::vector<std::string> g_moduleCalls;

uint32_t linkProgram(const std::string& name) {
  LinkResult r = linkImage(test::programImage(name), runtimeSymbolTable());
  EXPECT_EQ(r.status, LinkResult::Ok) << r.message();
  return r.base;
}

class Run : public ::testing::Test {
 protected:
  test::EventDebugger dbg;
  void execute(const std::string& program, uint8_t debug = 0) {
    runtime().execute(linkProgram(program), "  args  ", &dbg, debug, 0);
  }
  void TearDown() override {
    testing::failModuleCreate(nullptr);
    testing::observeModules(nullptr);
  }
};

TEST_F(Run, NormalReturnEndsWithProgramHasEnded) {
  execute("fault_none");
  EXPECT_EQ(dbg.events(), std::vector<std::string>{"end Program has ended"});
}

TEST_F(Run, ModulesAreCreatedInOrderAndDestroyedInReverse) {
  g_moduleCalls.clear();
  testing::observeModules([](const char* what, const char* m) { g_moduleCalls.push_back(std::string(what) + " " + m); });
  execute("fault_none");
  std::vector<std::string> expected;
  // The ten modules, then the system commands' own.
  const char* order[] = {"basic", "math",  "string",    "filesystem", "stream", "bank",
                         "input", "audio", "multiplay", "graphics",   "system"};
  for (const char* m : order) expected.push_back(std::string("create ") + m);
  for (int i = 10; i >= 0; --i) expected.push_back(std::string("destroy ") + order[i]);
  EXPECT_EQ(g_moduleCalls, expected);
}

TEST_F(Run, FailingCreateReportsStartupErrorAndUnwindsTheOthers) {
  g_moduleCalls.clear();
  testing::observeModules([](const char* what, const char* m) {
    if (std::string(what) == "destroy") g_moduleCalls.push_back(m);
  });
  testing::failModuleCreate("graphics");
  execute("fault_div0");  // never entered, so no fault
  EXPECT_EQ(dbg.events(), std::vector<std::string>{"end Startup Error: graphics_create failed"});
  EXPECT_EQ(g_moduleCalls, (std::vector<std::string>{"multiplay", "audio", "input", "bank", "stream",
                                                     "filesystem", "string", "math", "basic"}));
}

TEST_F(Run, RuntimeErrorIsReportedOnceAndModulesStillGo) {
  g_moduleCalls.clear();
  testing::observeModules([](const char* what, const char* m) {
    if (std::string(what) == "destroy") g_moduleCalls.push_back(m);
  });
  execute("raise");
  EXPECT_EQ(dbg.events(), std::vector<std::string>{"error boom"});
  EXPECT_EQ(g_moduleCalls.size(), 11u);
}

TEST_F(Run, RuntimeErrorTextIsCutTo255AndMayBeEmpty) {
  execute("raise_long");
  auto errors = dbg.only("error ");
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].size(), 6u + 255u);
  EXPECT_EQ(errors[0].substr(6, 3), "abc");

  test::EventDebugger other;
  runtime().execute(linkProgram("raise_empty"), "", &other, 0, 0);
  EXPECT_EQ(other.events(), std::vector<std::string>{"error "});
}

TEST_F(Run, EndIsQuiet) {
  execute("end");
  EXPECT_EQ(dbg.events(), std::vector<std::string>{"stmt 1 0"});
}

TEST_F(Run, FaultsReachDebugError) {
  execute("fault_div0");
  EXPECT_EQ(dbg.events(), std::vector<std::string>{"error Integer divide by zero"});
}

TEST_F(Run, AsyncEndInsideDebugStmtEndsAtThatStatement) {
  dbg.onEvent = [](const std::string& e) {
    if (e == "stmt 3 0") runtime().asyncEnd();
  };
  execute("stmt_loop");
  EXPECT_EQ(dbg.only("stmt"), (std::vector<std::string>{"stmt 1 0", "stmt 2 0", "stmt 3 0"}));
  EXPECT_EQ(dbg.events().back(), "stmt 3 0");
  EXPECT_EQ(dbg.events()[0], "enter 1 2 3");
}

TEST_F(Run, AsyncEndFromAnotherThreadEndsALoopingProgram) {
  std::thread ender;
  dbg.onEvent = [&](const std::string& e) {
    if (e == "stmt 5 0") ender = std::thread([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        runtime().asyncEnd();
      });
  };
  execute("stmt_loop");
  ender.join();
  EXPECT_GE(dbg.only("stmt").size(), 5u);
  EXPECT_TRUE(dbg.only("end").empty());
}

TEST_F(Run, AsyncStopThenAsyncRunGiveStopThenRun) {
  std::thread resumer;
  dbg.onEvent = [&](const std::string& e) {
    if (e == "stmt 2 0") runtime().asyncStop();
    if (e == "stop") resumer = std::thread([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        runtime().asyncRun();
      });
    if (e == "run") runtime().asyncEnd();
  };
  execute("stmt_loop");
  resumer.join();
  auto events = dbg.events();
  auto stop = std::find(events.begin(), events.end(), "stop");
  auto run = std::find(events.begin(), events.end(), "run");
  ASSERT_NE(stop, events.end());
  ASSERT_NE(run, events.end());
  EXPECT_LT(stop, run);
  // No statement ran while the program was suspended.
  EXPECT_EQ(std::count_if(stop, run, [](const std::string& e) { return e.rfind("stmt", 0) == 0; }), 0);
}

TEST_F(Run, SecondExecuteWhileAWindowExistsDoesNothing) {
  uint32_t inner = linkProgram("raise");
  test::EventDebugger innerDbg;
  dbg.onEvent = [&](const std::string& e) {
    if (e == "stmt 1 0") {
      runtime().execute(inner, "", &innerDbg, 0, 0);
      runtime().asyncEnd();
    }
  };
  execute("stmt_loop");
  EXPECT_TRUE(innerDbg.events().empty());
}

TEST_F(Run, AsyncRequestsWithoutAProgramDoNothing) {
  runtime().asyncStop();
  runtime().asyncRun();
  runtime().asyncEnd();
  execute("fault_none");
  EXPECT_EQ(dbg.events(), std::vector<std::string>{"end Program has ended"});
}

}  // namespace
}  // namespace korva
