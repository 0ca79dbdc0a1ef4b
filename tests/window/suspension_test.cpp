// The run over its window: polls and waits, the environment's requests, the suspension
// and its state machine, the debugger link and the drivers the run owns.
#include <gtest/gtest.h>

#include "audio/driver/audio_driver.h"
#include "input/driver/input_driver.h"
#include "io/driver/file_system.h"
#include "render/canvas/canvas.h"
#include "render/display/graphics_device.h"
#include "window_events.h"

namespace korva {
namespace {

using namespace test;

TEST_F(WindowTest, DelayOfZeroOrLessPollsOnce) {
  openInput();
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_A);
  EXPECT_TRUE(run->delay(0));
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_B);
  EXPECT_TRUE(run->delay(-50));
  EXPECT_EQ(log, (Log{"press 30", "press 48"}));

  run->endAsync();
  EXPECT_FALSE(run->delay(0));
  EXPECT_FALSE(run->delay(1000));
}

TEST_F(WindowTest, RequestsAlreadyInEffectAreIgnored) {
  run->postResume();
  EXPECT_TRUE(run->poll());
  EXPECT_EQ(debugger.runs, 0);

  run->requestSuspend();
  EXPECT_TRUE(run->suspended());
  EXPECT_EQ(debugger.stops, 1);
  Watchdog watchdog(run);
  run->postSuspend();
  run->postSuspend();
  run->postResume();
  EXPECT_TRUE(run->poll());  // blocks until the resume request
  EXPECT_FALSE(watchdog.stop());
  EXPECT_FALSE(run->suspended());
  EXPECT_EQ(debugger.stops, 1);
  EXPECT_EQ(debugger.runs, 1);
}

TEST_F(WindowTest, SuspendRequestFromAnotherThreadBlocksUntilResumed) {
  Watchdog watchdog(run);
  std::thread environment([this] {
    run->postSuspend();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    run->postResume();
  });
  // The first poll may run before the request is queued; keep polling until both acted.
  while (debugger.runs == 0 && run->poll()) {
  }
  environment.join();
  EXPECT_FALSE(watchdog.stop());
  EXPECT_EQ(debugger.stops, 1);
  EXPECT_EQ(debugger.runs, 1);
  EXPECT_TRUE(run->running());
}

TEST_F(WindowTest, EveryWayOfEndingWakesASuspendedPoll) {
  const std::pair<const char*, std::function<void()>> enders[] = {
      {"window close", [this] { pushWindowEvent(window, SDL_WINDOWEVENT_CLOSE); }},
      {"quit", [] {
         SDL_Event quit{};
         quit.type = SDL_QUIT;
         SDL_PushEvent(&quit);
       }},
      {"end request", [this] { run->endAsync(); }},
      {"interrupt", [] { RuntimeWindow::interrupt(); }},
  };
  for (const auto& [name, end] : enders) {
    SCOPED_TRACE(name);
    renew();
    run->requestSuspend();
    Watchdog watchdog(run);
    std::thread other([&end] {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      end();
    });
    EXPECT_FALSE(run->poll());
    other.join();
    EXPECT_FALSE(watchdog.stop());
    EXPECT_FALSE(run->running());
    EXPECT_FALSE(run->hasDebugger());
    EXPECT_FALSE(run->poll());
  }
}

TEST_F(WindowTest, InterruptEndsAtTheNextPollAndDiesWithTheWindow) {
  RuntimeWindow::interrupt();
  EXPECT_FALSE(run->poll());
  RuntimeWindow::interrupt();
  renew();
  EXPECT_TRUE(run->poll());
}

TEST_F(WindowTest, EndFromAnotherThreadEndsAPollLoop) {
  Watchdog watchdog(run);
  std::thread environment([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    run->endAsync();
  });
  while (run->poll()) {
    run->debugStmt(1, 2);
  }
  environment.join();
  EXPECT_FALSE(watchdog.stop());
  EXPECT_FALSE(run->hasDebugger());
  run->debugStmt(3, 4);
  run->runtimeError("late");
  for (const std::string& call : debugger.calls) EXPECT_EQ(call, "stmt 1 2");
}

TEST_F(WindowTest, OnlyTheFirstErrorOrEndReachesTheDebugger) {
  run->debugLog("hello");
  run->debugEnter(1, 2, 3);
  run->debugStmt(-1, 7);
  run->debugLeave();
  run->runtimeError("Image does not exist");
  run->runtimeError("second");
  run->programEnd("Program has ended");
  run->debugLog("after");
  EXPECT_EQ(debugger.calls, (Log{"log hello", "enter 1 2 3", "stmt -1 7", "leave",
                                 "error Image does not exist"}));
  // The error path suspends without telling the detached debugger, and the poll no longer
  // blocks.
  EXPECT_TRUE(run->suspended());
  EXPECT_EQ(debugger.stops, 0);
  EXPECT_FALSE(run->running());
  EXPECT_FALSE(run->poll());
}

TEST_F(WindowTest, EndPathReportsOnceAndStopsErrors) {
  run->programEnd("Program has ended");
  run->runtimeError("boom");
  EXPECT_EQ(debugger.calls, (Log{"end Program has ended"}));
  EXPECT_FALSE(run->poll());
}

TEST(RuntimeWindowNoDebugger, ErrorAndEndDoNothing) {
  test::TestRun session;
  ASSERT_TRUE(session.ok());
  RunContext* run = session.run.get();
  run->runtimeError("boom");
  run->programEnd("Program has ended");
  run->debugLog("x");
  EXPECT_TRUE(run->running());
  EXPECT_FALSE(run->suspended());
  EXPECT_TRUE(run->poll());
}

TEST_F(WindowTest, FullScreenStopRequestSuspendsWithoutAFocusChangeAndKeepsThePicture) {
  GraphicsDevice* graphics = openFullScreen();
  ASSERT_NE(graphics, nullptr);
  Canvas* image = graphics->createCanvas(8, 8, 0);
  run->requestSuspend();
  EXPECT_TRUE(run->suspended());
  EXPECT_TRUE(graphics->frontBuffer()->hasBackup());
  EXPECT_TRUE(graphics->backBuffer()->hasBackup());
  EXPECT_TRUE(image->hasBackup());
  run->requestResume();
  EXPECT_FALSE(run->suspended());
  EXPECT_FALSE(graphics->frontBuffer()->hasBackup());
  EXPECT_FALSE(image->hasBackup());
  window->closeGraphics(graphics);
}

TEST_F(WindowTest, EachDriverOpensOnceAndClosesOnlyWhenItIsTheOpenOne) {
  SdlInputDriver* input = run->openInput();
  ASSERT_NE(input, nullptr);
  EXPECT_EQ(run->openInput(), nullptr);
  run->closeInput(nullptr);
  EXPECT_EQ(run->input(), input);
  run->closeInput(input);
  EXPECT_EQ(run->input(), nullptr);
  ASSERT_NE(run->openInput(), nullptr);

  audio::AudioDriver* audio = run->openAudio();
  ASSERT_NE(audio, nullptr);
  EXPECT_EQ(run->openAudio(), audio) << "there is one audio driver";
  io::FileSystem* files = run->openFileSystem();
  ASSERT_NE(files, nullptr);
  EXPECT_EQ(run->openFileSystem(), nullptr);
  run->closeFileSystem(nullptr);
  EXPECT_EQ(run->fileSystem(), files);
  run->closeFileSystem(files);
  EXPECT_EQ(run->fileSystem(), nullptr);
  uint32_t timer = run->timers().create(10);
  ASSERT_NE(timer, 0u);
  session.reset();
  window = nullptr;
  run = nullptr;
  EXPECT_EQ(TimerSet::find(timer), nullptr) << "the run's end frees its timers";
}

}  // namespace
}  // namespace korva
