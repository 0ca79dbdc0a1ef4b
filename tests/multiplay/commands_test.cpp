// The net commands from a compiled program (net.c), with the other players run by the
// test on loopback.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>

#include "app/runtime.h"
#include "multiplay/start_dialog.h"
#include "net_helpers.h"
#include "support/event_debugger.h"
#include "support/programs.h"
#include "window/runtime_window.h"

namespace korva::test {
namespace {

using net::Session;
using Logs = std::vector<std::string>;

class ScriptedDialog : public net::StartDialog {
 public:
  explicit ScriptedDialog(std::function<void(net::StartDialogModel&)> script) : script_(std::move(script)) {}
  void run(net::StartDialogModel& model) override { script_(model); }

 private:
  std::function<void(net::StartDialogModel&)> script_;
};

class NetProgram : public NetTest {
 protected:
  static uint32_t entry() { return linkedProgram("net"); }
  static ProgramRun run(const std::string& commandLine, bool debug = false) {
    return runEntry(entry(), debug, commandLine);
  }
  // Runs with dbg, which the test may have act on events.
  void execute(const std::string& commandLine) { runtime().execute(entry(), commandLine.c_str(), &dbg, 0, 0); }
  Logs logs() {
    Logs out;
    for (auto& e : dbg.only("log ")) out.push_back(e.substr(4));
    return out;
  }
  void TearDown() override {
    if (helper.joinable()) helper.join();
    net::setStartDialog(nullptr);
    NetTest::TearDown();
  }

  EventDebugger dbg;
  std::thread helper;
};

TEST_F(NetProgram, WithoutAGameNamesAndTheMessageHaveTheirDefaults) {
  ProgramRun r = run("n");
  EXPECT_EQ(r.logs, (Logs{"<all>", "<unknown>", "0", "0", "0", "-1", "0", "", "stopped"}));
  EXPECT_TRUE(r.errors.empty());
}

TEST_F(NetProgram, StartingAndPlayingNeedTheRightState) {
  const std::pair<const char*, const char*> cases[] = {
      {"c", "Multiplayer game not started"},     {"d", "Multiplayer game not started"},
      {"m", "Multiplayer game not started"},     {"r", "Multiplayer game not started"},
      {"A", "Multiplayer game already started"}, {"B", "Multiplayer game already started"},
      {"C", "Multiplayer game already started"},
  };
  for (auto [line, message] : cases)
    for (bool debug : {false, true}) EXPECT_EQ(run(line, debug).endedBy, message) << line << " debug " << debug;
}

TEST_F(NetProgram, ReceivingWithNothingWaitingGivesZeroAndTheResetMessage) {
  EXPECT_EQ(run("e").logs, (Logs{"2", "0", "0", "-1", "0", ""}));
}

TEST_F(NetProgram, HostingOnATakenPortFailsUntilThePortIsFree) {
  auto holder = std::make_unique<Session>();
  ASSERT_EQ(holder->finishStart(holder->hostGame("holder")), 2);
  dbg.onEvent = [&](const std::string& e) {
    if (e == "log 0") helper = std::thread([&] { holder->close(); });
  };
  execute("p");
  EXPECT_EQ(logs(), (Logs{"0", "2"}));
}

TEST_F(NetProgram, AWholeGameAsHostWithAPeer) {
  std::string peerGot = "nothing";
  dbg.onEvent = [&](const std::string& e) {
    if (e != "log waiting") return;
    helper = std::thread([&] {
      Session peer;
      if (peer.finishStart(peer.joinGame("guest game", "")) != 1) return;
      uint32_t me = peer.createPlayer("peer");
      auto guest = nextOfType(peer, 100);
      if (!guest) return;
      peer.send(7, "hi guest", me, static_cast<uint32_t>(guest->from), true);
      auto reply = nextOfType(peer, 44);
      if (reply) peerGot = reply->data;
      peer.deletePlayer(me);
    });
  };
  execute("g");
  EXPECT_EQ(logs(), (Logs{"2", "1", "1", "guest", "waiting", "peer", "0", "hi guest", "1", "1", "1", "1",
                          "<unknown>", "<unknown>"}));
  if (helper.joinable()) helper.join();
  EXPECT_EQ(peerGot, "reply");
}

TEST_F(NetProgram, JoiningByNameAndAddress) {
  Session host;
  ASSERT_EQ(host.finishStart(host.hostGame("test game")), 2);
  uint32_t mine = host.createPlayer("tester");
  ProgramRun r = run("j 127.0.0.1:" + std::to_string(port()));
  EXPECT_EQ(r.logs, (Logs{"1", "tester", "1"}));
  auto m = nextOfType(host, 2);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->data, "from the program");
  EXPECT_NE(m->from, static_cast<int32_t>(mine));
}

TEST_F(NetProgram, StartNetGameRunsTheDialogAndTakesItsResult) {
  Session other;
  ASSERT_EQ(other.finishStart(other.hostGame("listed")), 2);
  uint16_t otherPort = port();
  net::settings().port = freeUdpPort();  // the dialog's own game goes elsewhere

  struct Case {
    const char* what;
    std::function<void(net::StartDialogModel&)> script;
    Logs logs;
    const char* endedBy;
  };
  const Case cases[] = {
      {"create", [](net::StartDialogModel& m) {
         m.selectConnection(1);
         m.setName("from the dialog");
         m.create();
       }, {"2", "1"}, "Multiplayer game already started"},
      {"join", [&](net::StartDialogModel& m) {
         net::settings().port = otherPort;  // searches go where "listed" is hosted
         m.selectConnection(1);
         eventually([&] {
           m.timerTick();
           return m.games() == std::vector<std::string>{"listed"};
         });
         m.join(0);
       }, {"1", "1"}, "Multiplayer game already started"},
      {"cancel", [](net::StartDialogModel& m) { m.cancel(); }, {"0"}, "Multiplayer game not started"},
      {"returns without ending", [](net::StartDialogModel&) {}, {"0"}, "Multiplayer game not started"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedDialog dialog(c.script);
    net::setStartDialog(&dialog);
    ProgramRun r = run("D");
    EXPECT_EQ(r.logs, c.logs);
    EXPECT_EQ(r.endedBy, c.endedBy);
  }
}

TEST_F(NetProgram, AfterTheDialogTheWindowIsAskedToResume) {
  ScriptedDialog dialog([](net::StartDialogModel& m) {
    // As a full-screen program loses the screen to the dialog.
    runtime().asyncStop();
    m.cancel();
  });
  net::setStartDialog(&dialog);
  // Should the request never come, the suspended program would wait for ever.
  std::atomic<bool> done{false};
  helper = std::thread([&] {
    for (int i = 0; i < 1000 && !done; ++i) std::this_thread::sleep_for(10ms);
    if (!done) runtime().asyncEnd();
  });
  execute("R");
  done = true;
  EXPECT_EQ(dbg.events(), (Logs{"stop", "run", "log 0", "log after", "end Program has ended"}));
}

}  // namespace
}  // namespace korva::test
