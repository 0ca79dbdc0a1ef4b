// StartNetGame from a compiled program (netdialog.c), through the dialog the multiplay
// module installs or one the test scripts.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "dialog_driver.h"
#include "multiplay/net_helpers.h"
#include "app/runtime.h"
#include "support/event_debugger.h"
#include "support/programs.h"

namespace korva::test {
namespace {

using Logs = std::vector<std::string>;

class DialogProgram : public NetTest {
 protected:
  static uint32_t entry() { return linkedProgram("netdialog"); }
  void TearDown() override {
    net::setStartDialog(nullptr);
    NetTest::TearDown();
  }
  // Runs the program with the test's scripted dialog.
  ProgramRun runScripted() {
    script.attach(dialog);
    net::setStartDialog(&dialog);
    ProgramRun r = runEntry(entry());
    EXPECT_TRUE(script.done()) << script.stuck();
    return r;
  }

  net::WindowStartDialog dialog;
  DialogScript script;
};

TEST_F(DialogProgram, TheModulesOwnDialogCancelledWithEscapeGivesZero) {
  ASSERT_EQ(net::startDialog(), nullptr);
  std::atomic<bool> done{false};
  // The module's dialog has no script: Escape is pressed until the program goes on.
  std::thread presser([&] {
    for (int i = 0; i < 400 && !done; ++i) {
      SDL_Event e{};
      e.type = SDL_KEYDOWN;  // no window named: the focused one
      e.key.keysym.sym = SDLK_ESCAPE;
      SDL_PushEvent(&e);
      std::this_thread::sleep_for(25ms);
    }
  });
  EventDebugger dbg;
  bool installed = false;
  dbg.onEvent = [&](const std::string& e) {
    if (e == "log start") installed = dynamic_cast<net::WindowStartDialog*>(net::startDialog()) != nullptr;
  };
  runtime().execute(entry(), "", &dbg, 0, 0);
  done = true;
  presser.join();
  EXPECT_TRUE(installed);
  EXPECT_EQ(dbg.only("log "), (Logs{"log start", "log 0", "log after"}));
  EXPECT_TRUE(dbg.only("error").empty());
  EXPECT_EQ(net::startDialog(), nullptr) << "the module takes its dialog away when it ends";
}

TEST_F(DialogProgram, AGameCreatedInTheDialogIsThePrograms) {
  script.then([](const DialogFrame&) { key(SDLK_DOWN); })
      .when([](const DialogFrame& f) { return f.model.nameEnabled(); },
            [](const DialogFrame& f) {
              click(f, f.layout.name);
              typeText("the program's game");
              key(SDLK_RETURN);
            });
  ProgramRun r = runScripted();
  EXPECT_EQ(r.logs, (Logs{"start", "2", "1", "after"}));
  EXPECT_TRUE(r.errors.empty());
}

TEST_F(DialogProgram, ClosingTheWindowDuringTheDialogEndsTheProgramQuietly) {
  script.then([](const DialogFrame& f) { closeWindow(f); });
  ProgramRun r = runScripted();
  EXPECT_EQ(r.logs, Logs{"start"}) << "StartNetGame never returns to the program";
  EXPECT_TRUE(r.errors.empty());
}

}  // namespace
}  // namespace korva::test
