#include "window/runtime_window.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "render/canvas/canvas.h"
#include "render/display/display_drivers.h"
#include "render/display/graphics_device.h"
#include "audio/driver/audio_driver.h"
#include "io/driver/file_system.h"
#include "input/driver/input_driver.h"
#include "support/window_fixture.h"

namespace korva {
namespace {

using testing::FakeInput;
using testing::Log;
using testing::RecordingDebugger;

// Ends a poll that would otherwise hang, so a fault fails the test instead of blocking it.
class Watchdog {
 public:
  explicit Watchdog(RunContext* run) : thread_([this, run] {
      std::unique_lock lock(mutex_);
      if (!done_cv_.wait_for(lock, std::chrono::seconds(20), [this] { return done_; })) {
        fired_ = true;
        run->endAsync();
      }
    }) {}
  ~Watchdog() { stop(); }
  bool stop() {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    done_cv_.notify_all();
    if (thread_.joinable()) thread_.join();
    return fired_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable done_cv_;
  bool done_ = false;
  bool fired_ = false;
  std::thread thread_;
};

void pushKey(uint32_t type, SDL_Scancode scancode, int repeat = 0, uint16_t mod = 0) {
  SDL_Event event{};
  event.type = type;
  event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  event.key.repeat = static_cast<uint8_t>(repeat);
  event.key.keysym.scancode = scancode;
  event.key.keysym.mod = mod;
  SDL_PushEvent(&event);
}

void pushMotion(int x, int y) {
  SDL_Event event{};
  event.type = SDL_MOUSEMOTION;
  event.motion.x = x;
  event.motion.y = y;
  SDL_PushEvent(&event);
}

void pushButton(uint32_t type, uint8_t button) {
  SDL_Event event{};
  event.type = type;
  event.button.button = button;
  SDL_PushEvent(&event);
}

void pushWindowEvent(RuntimeWindow* window, uint8_t what) {
  SDL_Event event{};
  event.type = SDL_WINDOWEVENT;
  event.window.event = what;
  event.window.windowID = window->windowId();
  SDL_PushEvent(&event);
}

class WindowTest : public testing::RecordedWindowTest {
 protected:
  // Keys and the pointer go to a recording sink instead of the input driver.
  FakeInput* openInput() {
    input = std::make_unique<FakeInput>(log);
    window->setInputSink(input.get());
    return input.get();
  }
  void TearDown() override {
    if (window) window->setInputSink(nullptr);
    RecordedWindowTest::TearDown();
  }
  // A fresh window and run, as the next execute makes them.
  void renew() {
    session.reset();
    session = std::make_unique<test::TestRun>(&debugger);
    ASSERT_TRUE(session->ok());
    window = session->window.get();
    run = session->run.get();
  }

  Log log;
  std::unique_ptr<FakeInput> input;
};

TEST(RuntimeWindowLifecycle, OneWindowAtATimeAndAgainAfterDestroy) {
  std::unique_ptr<RuntimeWindow> first = RuntimeWindow::create(1);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(RuntimeWindow::create(0), nullptr);
  SDL_Window* sdl = SDL_GetWindowFromID(first->windowId());
  EXPECT_STREQ(SDL_GetWindowTitle(sdl), "Korva Runtime Window");
  uint32_t flags = SDL_GetWindowFlags(sdl);
  EXPECT_TRUE(flags & SDL_WINDOW_HIDDEN);
  EXPECT_TRUE(flags & SDL_WINDOW_ALWAYS_ON_TOP);
  first->setTitle("My Game");
  EXPECT_STREQ(SDL_GetWindowTitle(sdl), "My Game");
  {
    RunContext run(*first, nullptr, "args");
    EXPECT_EQ(run.commandLine(), "args");
  }
  first.reset();

  // A video driver that cannot start gives way to one that works without a display.
  const char* driver = getenv("SDL_VIDEODRIVER");
  std::string saved = driver ? driver : "";
  setenv("SDL_VIDEODRIVER", "korva-no-such-driver", 1);
  std::unique_ptr<RuntimeWindow> second = RuntimeWindow::create(0);
  if (driver) {
    setenv("SDL_VIDEODRIVER", saved.c_str(), 1);
  } else {
    unsetenv("SDL_VIDEODRIVER");
  }
  ASSERT_NE(second, nullptr);
  EXPECT_STREQ(SDL_GetCurrentVideoDriver(), "offscreen");
  EXPECT_FALSE(SDL_GetWindowFlags(SDL_GetWindowFromID(second->windowId())) & SDL_WINDOW_ALWAYS_ON_TOP);
  RunContext run(*second, nullptr, "");
  EXPECT_TRUE(run.running());
  EXPECT_TRUE(run.poll());
}

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

TEST_F(WindowTest, OnlyOurWindowsCloseEndsTheProgramEvenWhileBusy) {
  // Another window of a hosting environment.
  SDL_Event other{};
  other.type = SDL_WINDOWEVENT;
  other.window.event = SDL_WINDOWEVENT_CLOSE;
  other.window.windowID = window->windowId() + 1000;
  SDL_PushEvent(&other);
  EXPECT_TRUE(run->poll());

  window->setBusy(true);
  pushWindowEvent(window, SDL_WINDOWEVENT_CLOSE);
  EXPECT_FALSE(run->poll());
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

TEST_F(WindowTest, KeysReachTheInputDriverWithoutAutoRepeat) {
  openInput();
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_A);
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_A, 1);
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_A, 1);
  pushKey(SDL_KEYUP, SDL_SCANCODE_A);
  pushKey(SDL_KEYUP, SDL_SCANCODE_UP);  // no press before it: still passed on
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_F24);  // no code
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_X, 0, KMOD_LALT);  // system keys count in a window
  EXPECT_TRUE(run->poll());
  EXPECT_EQ(log, (Log{"press 30", "release 30", "release 200", "press 45"}));
}

TEST_F(WindowTest, NothingIsForwardedWhileSuspendedOrBusy) {
  openInput();
  window->setBusy(true);
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_A);
  EXPECT_TRUE(run->poll());
  window->setBusy(false);

  run->requestSuspend();
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_B);
  run->postResume();
  Watchdog watchdog(run);
  EXPECT_TRUE(run->poll());
  EXPECT_FALSE(watchdog.stop());
  EXPECT_TRUE(log.empty()) << log.front();
}

TEST_F(WindowTest, MouseIsScaledAndClampedToTheGraphics) {
  openInput();
  pushMotion(10, 10);  // no graphics yet: not passed on
  EXPECT_TRUE(run->poll());

  GraphicsDevice* graphics = window->openGraphics(400, 300, 0, 0, 3);
  ASSERT_NE(graphics, nullptr);
  ASSERT_EQ(window->displayState(), 1);
  SDL_SetWindowSize(SDL_GetWindowFromID(window->windowId()), 800, 600);
  int w = 0, h = 0;
  SDL_GetWindowSize(SDL_GetWindowFromID(window->windowId()), &w, &h);
  ASSERT_EQ(w, 800);
  ASSERT_EQ(h, 600);
  pushMotion(401, 599);
  pushMotion(-10, 5000);
  EXPECT_TRUE(run->poll());
  window->closeGraphics(graphics);
  ASSERT_NE(window->openGraphics(400, 300, 0, 0, 1), nullptr);
  ASSERT_EQ(window->displayState(), 2);
  pushMotion(500, 10);
  pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
  pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE);
  pushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT);
  pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_X1);
  EXPECT_TRUE(run->poll());
  EXPECT_EQ(log, (Log{"mouse 200,299", "mouse 0,299", "mouse 399,10", "button down 1",
                      "button down 3", "button up 2"}));
  window->closeGraphics(window->graphics());
}

TEST(MouseMapping, ScalesTruncatesAndClamps) {
  int x = -1, y = -1;
  ASSERT_TRUE(mapMousePosition(3, 5, 640, 480, 320, 240, true, x, y));
  EXPECT_EQ(x, 1);  // 3 * 320 / 640 truncated
  EXPECT_EQ(y, 2);
  ASSERT_TRUE(mapMousePosition(-40, 100000, 640, 480, 320, 240, true, x, y));
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 239);
  ASSERT_TRUE(mapMousePosition(700, -3, 1, 1, 320, 240, false, x, y));
  EXPECT_EQ(x, 319);
  EXPECT_EQ(y, 0);
  EXPECT_FALSE(mapMousePosition(5, 5, 0, 480, 320, 240, true, x, y));
  EXPECT_FALSE(mapMousePosition(5, 5, 640, 0, 320, 240, true, x, y));
  EXPECT_TRUE(mapMousePosition(5, 5, 0, 0, 320, 240, false, x, y));
  EXPECT_FALSE(mapMousePosition(5, 5, 640, 480, 0, 240, false, x, y));
}

TEST(MouseMapping, PlacingThePointerInAScaledWindowReadsBackTheSamePoint) {
  struct Size { int client, gfx; };
  for (Size s : {Size{640, 320}, Size{500, 320}, Size{333, 200}, Size{1000, 999}, Size{320, 320}}) {
    for (int g = 0; g < s.gfx; ++g) {
      int w = scaledWindowCoordinate(g, s.client, s.gfx);
      int x = -1, y = -1;
      ASSERT_TRUE(mapMousePosition(w, 0, s.client, 1, s.gfx, 1, true, x, y));
      ASSERT_EQ(x, g) << "client " << s.client << ", graphics " << s.gfx;
    }
  }
}

TEST_F(WindowTest, FullScreenInputOnlyAcquiresAndFocusDecidesSuspension) {
  openInput();
  GraphicsDevice* graphics = openFullScreen();
  ASSERT_NE(graphics, nullptr);
  ASSERT_EQ(window->displayState(), 3);
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_A);
  pushMotion(5, 5);
  pushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
  pushKey(SDL_KEYUP, SDL_SCANCODE_LALT);  // releasing Alt itself does not suspend
  EXPECT_TRUE(run->poll());
  EXPECT_EQ(log, (Log{"acquire", "acquire", "acquire", "acquire"}));
  EXPECT_EQ(debugger.stops, 0);

  // The run's own input driver from here: the suspension lets it go and takes it again.
  window->setInputSink(nullptr);
  SdlInputDriver* driver = run->openInput();
  ASSERT_NE(driver, nullptr);
  EXPECT_TRUE(driver->inputAcquired());
  bool acquiredWhileStopped = true;
  debugger.onStop = [&] { acquiredWhileStopped = driver->inputAcquired(); };
  pushWindowEvent(window, SDL_WINDOWEVENT_FOCUS_LOST);
  pushKey(SDL_KEYDOWN, SDL_SCANCODE_B);  // while suspended: not even acquired
  pushWindowEvent(window, SDL_WINDOWEVENT_FOCUS_GAINED);
  Watchdog watchdog(run);
  EXPECT_TRUE(run->poll());
  EXPECT_FALSE(acquiredWhileStopped);
  EXPECT_TRUE(driver->inputAcquired());
  EXPECT_EQ(debugger.stops, 1);
  EXPECT_EQ(debugger.runs, 1);
  debugger.onStop = nullptr;

  // Releasing a system key other than Alt hands the screen over.
  pushKey(SDL_KEYUP, SDL_SCANCODE_F10);
  pushWindowEvent(window, SDL_WINDOWEVENT_FOCUS_GAINED);
  pushKey(SDL_KEYUP, SDL_SCANCODE_TAB, 0, KMOD_LALT);
  pushWindowEvent(window, SDL_WINDOWEVENT_FOCUS_GAINED);
  EXPECT_TRUE(run->poll());
  EXPECT_FALSE(watchdog.stop());
  EXPECT_EQ(debugger.stops, 3);
  EXPECT_EQ(debugger.runs, 3);

  window->closeGraphics(graphics);
  EXPECT_FALSE(driver->inputAcquired());
  EXPECT_EQ(window->displayState(), 0);
}

TEST_F(WindowTest, WindowedStatesIgnoreFocusLossAndRepaintWhenExposed) {
  for (int flags : {3, 1}) {
    GraphicsDevice* graphics = window->openGraphics(64, 48, 0, 0, flags);
    ASSERT_NE(graphics, nullptr);
    pushWindowEvent(window, SDL_WINDOWEVENT_FOCUS_LOST);
    pushWindowEvent(window, SDL_WINDOWEVENT_MINIMIZED);
    pushKey(SDL_KEYUP, SDL_SCANCODE_F10);
    EXPECT_TRUE(run->poll());
    EXPECT_FALSE(run->suspended());
    uint64_t painted = window->presentations();
    pushWindowEvent(window, SDL_WINDOWEVENT_EXPOSED);
    EXPECT_TRUE(run->poll());
    EXPECT_EQ(window->presentations(), painted + 1);
    window->closeGraphics(graphics);
  }
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
