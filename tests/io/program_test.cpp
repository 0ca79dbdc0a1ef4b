// The io commands called from a compiled program: arguments, float results and strings
// through the calling contract, handle errors ending the run, and module shut-down.
#include <chrono>
#include <fstream>
#include <thread>

#include "core/handles.h"
#include "app/runtime.h"
#include "io_test.h"
#include "support/event_debugger.h"
#include "support/loopback.h"
#include "support/programs.h"

namespace korva::test {
namespace {

class IoProgram : public ::testing::Test {
 protected:
  static uint32_t entry() { return linkedProgram("io"); }
  static ProgramRun run(const std::string& commandLine, bool debug) {
    return runEntry(entry(), debug, commandLine);
  }
  void TearDown() override {
    if (helper.joinable()) helper.join();
  }
  ScratchDir dir;
  std::thread helper;
};

TEST_F(IoProgram, FileValuesRoundTrip) {
  for (bool debug : {false, true}) {
    ProgramRun r = run("f" + (dir / "values"), debug);
    std::vector<std::string> expected = {"17", "-2", "1.500000", "hi", "x", "1", "17"};
    if (!debug) expected.push_back("after second close");
    EXPECT_EQ(r.logs, expected);
    EXPECT_EQ(r.endedBy, debug ? "File does not exist" : "");
  }
}

TEST_F(IoProgram, BankValuesAndTheRangeCheck) {
  ProgramRun quiet = run("b", false);
  EXPECT_EQ(quiet.logs, (std::vector<std::string>{"2.500000", "65535", "20", "0", "0"}));
  EXPECT_EQ(quiet.endedBy, "");
  ProgramRun debug = run("b", true);
  EXPECT_EQ(debug.logs, (std::vector<std::string>{"2.500000", "65535", "20", "0"}));
  EXPECT_EQ(debug.endedBy, "Offset out of range");
  EXPECT_EQ(Handles::count(HandleKind::Bank), 0u) << "the bank left live is freed at the end";
}

TEST_F(IoProgram, AServerExchangesValuesWithFiftyClients) {
  ProgramRun r = run("t" + std::to_string(freeLoopbackPort(SOCK_STREAM)), true);
  // Each client sends 3i and gets 3i + 0.5 back; the program sums twice the replies.
  EXPECT_EQ(r.logs, (std::vector<std::string>{"7400", "1"}));
  EXPECT_EQ(r.endedBy, "TCP Server does not exist");
  EXPECT_EQ(Handles::count(HandleKind::Stream), 0u);
  EXPECT_EQ(Handles::count(HandleKind::TcpServer), 0u);
}

TEST_F(IoProgram, AnEndRequestReachesAProgramPollingForClients) {
  EventDebugger dbg;
  dbg.onEvent = [&](const std::string& e) {
    if (e == "log polling") helper = std::thread([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        runtime().asyncEnd();
      });
  };
  runtime().execute(entry(), "a", &dbg, 0, 0);
  EXPECT_EQ(dbg.events(), std::vector<std::string>{"log polling"}) << "a quiet end";
  EXPECT_EQ(Handles::count(HandleKind::TcpServer), 0u);
}

TEST_F(IoProgram, ListsADirectoryLeftOpenAtTheEnd) {
  std::ofstream(dir / "a") << "a";
  std::ofstream(dir / "b") << "b";
  ProgramRun r = run("d" + dir.path() + "\\", false);
  EXPECT_EQ(r.logs, (std::vector<std::string>{"4"}));
  EXPECT_EQ(Handles::count(HandleKind::Directory), 0u);
}

}  // namespace
}  // namespace korva::test
