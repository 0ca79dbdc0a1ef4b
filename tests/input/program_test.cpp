// Compiled programs calling the input commands through their link names.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <thread>

#include "app/module_list.h"
#include "link/linker.h"
#include "link/registry.h"
#include "support/programs.h"

namespace korva {
namespace {

void TestKey(int32_t scancode, int32_t down) {
  SDL_Event event{};
  event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  event.key.keysym.scancode = static_cast<SDL_Scancode>(scancode);
  SDL_PushEvent(&event);
}

std::thread g_closer;

void TestCloseAfter(int32_t ms) {
  g_closer = std::thread([ms] {
    SDL_Delay(static_cast<uint32_t>(ms));
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
  });
}

const SymbolDef kTestSymbols[] = {
    KORVA_ROUTINE("TestKey%scancode%down", TestKey),
    KORVA_ROUTINE("TestCloseAfter%ms", TestCloseAfter),
};

test::ProgramRun runCase(const std::string& which) {
  testing::setExtraSymbols(kTestSymbols);
  LinkResult linked = linkImage(test::programImage("input"), runtimeSymbolTable());
  test::ProgramRun run;
  if (linked.status == LinkResult::Ok) {
    run = test::runEntry(linked.base, false, which);
  } else {
    ADD_FAILURE() << linked.message();
  }
  if (g_closer.joinable()) g_closer.join();
  testing::setExtraSymbols({});
  return run;
}

using Logs = std::vector<std::string>;

TEST(InputProgram, KeysThroughTheLinkedCommands) {
  const std::pair<std::string, Logs> cases[] = {
      {"k", {"0", "65", "1", "3", "0"}},
      {"j", {"0", "1", "0", "0", "0", "0"}},
  };
  for (const auto& [which, logs] : cases) {
    test::ProgramRun run = runCase(which);
    EXPECT_EQ(run.logs, logs) << which;
    EXPECT_TRUE(run.errors.empty()) << which << ": " << run.errors.front();
  }
}

TEST(InputProgram, ClosingTheWindowDuringWaitMouseEndsWithoutAMessage) {
  test::ProgramRun run = runCase("c");
  EXPECT_EQ(run.logs, Logs{"waiting"});
  EXPECT_TRUE(run.errors.empty());
  EXPECT_EQ(run.endedBy, "");
}

}  // namespace
}  // namespace korva
