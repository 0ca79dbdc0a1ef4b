// The start dialog in the runtime window, driven by injected keyboard and mouse events
// with games hosted on loopback.
#include <gtest/gtest.h>

#include "dialog_driver.h"
#include "multiplay/dialog/view/dialog_painter.h"
#include "multiplay/net_helpers.h"
#include "multiplay/transport/transport.h"
#include "support/run_fixture.h"
#include "support/window_fakes.h"

namespace korva::test {
namespace {

using net::Control;
using net::Session;
using Names = std::vector<std::string>;
namespace palette = net::palette;

auto gamesAre(Names names) {
  return [names](const DialogFrame& f) { return f.model.games() == names; };
}

class DialogView : public NetTest {
 protected:
  void SetUp() override {
    NetTest::SetUp();
    renew();
    ASSERT_TRUE(currentRun->poll());
    model.open();
    script.attach(dialog);
  }
  void TearDown() override {
    session.reset();
    NetTest::TearDown();
  }
  // A fresh window and run, as the next execute makes them; the test's dialogs show in it.
  void renew() {
    session.reset();
    session = std::make_unique<TestRun>(&debugger);
    ASSERT_TRUE(session->ok());
    window = session->window.get();
    currentRun = session->run.get();
    dialog.setRun(currentRun);
  }
  // Runs the dialog to its end; every step of the script must have run.
  void runDialog() {
    dialog.run(model);
    EXPECT_TRUE(model.ended());
    EXPECT_EQ(script.stuck(), "");
    EXPECT_TRUE(script.done());
  }

  testing::RecordingDebugger debugger;
  std::unique_ptr<TestRun> session;
  RuntimeWindow* window = nullptr;
  RunContext* currentRun = nullptr;
  net::StartDialogModel model;
  net::WindowStartDialog dialog;
  DialogScript script;
};

TEST_F(DialogView, ThePictureShowsTheCaptionAndTheGamesListedWhereTheLayoutPutsThem) {
  Session host;
  ASSERT_EQ(host.finishStart(host.hostGame("first game")), 2);
  script
      .then([](const DialogFrame& f) {
        const Rect& c = f.layout.caption;
        EXPECT_EQ(differing(shown(f, c), expectedText(c, 4, "Start Multiplayer Game", palette::kCaptionText,
                                                      palette::kCaption, true)),
                  0u);
        key(SDLK_DOWN);  // the connection after "<no connection>"
      })
      .when(gamesAre({"first game"}), [](const DialogFrame& f) {
        const Rect row = f.layout.gameRow(0);
        EXPECT_EQ(differing(shown(f, row), expectedText(row, f.layout.inset, "first game", palette::kText,
                                                        palette::kField)),
                  0u);
        key(SDLK_ESCAPE);
      });
  runDialog();
}

TEST_F(DialogView, ChoosingNoConnectionEmptiesAndDisablesTheGamesList) {
  Session host;
  ASSERT_EQ(host.finishStart(host.hostGame("listed")), 2);
  script
      .then([](const DialogFrame& f) {
        click(f, f.layout.connections);  // opens the list
      })
      .when([](const DialogFrame& f) { return f.controller.dropOpen(); },
            [](const DialogFrame& f) { click(f, f.layout.dropList(2), 1); })  // the lower half: entry 1
      .when(gamesAre({"listed"}), [](const DialogFrame& f) {
        EXPECT_TRUE(f.model.gamesEnabled());
        click(f, f.layout.connections);
      })
      .when([](const DialogFrame& f) { return f.controller.dropOpen(); },
            [](const DialogFrame& f) {
              const Rect list = f.layout.dropList(2);
              click(f, Rect{list.left, list.top, list.right, list.top + f.layout.rowHeight});
            })
      .when([](const DialogFrame& f) { return f.model.selectedConnection() == 0; }, [](const DialogFrame& f) {
        EXPECT_TRUE(f.model.games().empty());
        EXPECT_FALSE(f.model.gamesEnabled());
        EXPECT_FALSE(f.model.nameEnabled());
        // An empty, greyed list.
        const Rect& g = f.layout.games;
        Rect inside{g.left + 2, g.top + 2, g.right - 2, g.bottom - 2};
        EXPECT_EQ(shown(f, inside), std::vector<uint32_t>(static_cast<size_t>(inside.width()) * inside.height(),
                                                           palette::kFace));
        key(SDLK_ESCAPE);
      });
  runDialog();
  EXPECT_EQ(model.result(), 0);
}

TEST_F(DialogView, CreatingWithoutANameShowsTheRequestInTheDialogUntilClosed) {
  script
      .then([](const DialogFrame&) { key(SDLK_DOWN); })
      .when([](const DialogFrame& f) { return f.model.createEnabled(); },
            [](const DialogFrame& f) { click(f, f.layout.create); })
      .when([](const DialogFrame& f) { return f.controller.message() != nullptr; }, [](const DialogFrame& f) {
        EXPECT_EQ(f.controller.message()->caption, "DirectPlay Request");
        const Rect text = f.layout.messageText(f.controller.messageBox());
        EXPECT_EQ(differing(shown(f, text), expectedText(text, 0, "Please enter a name for the new game",
                                                         palette::kText, palette::kFace)),
                  0u);
        typeText("ignored");  // the box is modal
        key(SDLK_ESCAPE);     // closes the box, not the dialog
      })
      .when([](const DialogFrame& f) { return !f.controller.message(); },
            [](const DialogFrame& f) {
              EXPECT_FALSE(f.model.ended());
              EXPECT_EQ(f.model.name(), "");
              click(f, f.layout.name);
              typeText("made here");
              key(SDLK_RETURN);
            });
  runDialog();
  EXPECT_EQ(model.result(), 2);
  EXPECT_EQ(model.game(), "made here");
}

TEST_F(DialogView, AGameListedByAHostIsJoinedByDoubleClickOrEnter) {
  Session host;
  ASSERT_EQ(host.finishStart(host.hostGame("listed")), 2);
  const std::pair<const char*, DialogScript::Act> ways[] = {
      {"double click", [](const DialogFrame& f) { click(f, f.layout.gameRow(0), 2); }},
      {"Tab to the list and Enter",
       [](const DialogFrame&) {
         key(SDLK_TAB);  // the focus on the list selects its first game
         key(SDLK_RETURN);
       }},
  };
  for (auto& [what, join] : ways) {
    SCOPED_TRACE(what);
    net::StartDialogModel joiner;
    joiner.open();
    net::WindowStartDialog view;
    view.setRun(currentRun);
    DialogScript steps;
    steps.then([](const DialogFrame&) { key(SDLK_DOWN); }).when(gamesAre({"listed"}), join);
    steps.attach(view);
    view.run(joiner);
    EXPECT_TRUE(steps.done()) << steps.stuck();
    EXPECT_EQ(joiner.result(), 1);
    EXPECT_EQ(joiner.game(), "listed");
    auto session = joiner.takeSession();
    ASSERT_NE(session, nullptr);
    EXPECT_TRUE(session->inSession());
  }
}

TEST_F(DialogView, TabMovesTheFocusOverTheEnabledControls) {
  std::vector<Control> seen;
  auto note = [&seen](const DialogFrame& f) { seen.push_back(f.controller.focus()); };
  auto tab = [note](uint16_t modifiers = KMOD_NONE) {
    return [note, modifiers](const DialogFrame& f) {
      note(f);
      key(SDLK_TAB, modifiers);
    };
  };
  script.then(tab()).then(tab()).then([note](const DialogFrame& f) {
    note(f);
    key(SDLK_DOWN);  // a connection: the name field and "Create new game" come alive
  });
  for (int i = 0; i < 4; ++i) script.then(tab());
  script.then(tab(KMOD_LSHIFT)).then([note](const DialogFrame& f) {
    note(f);
    key(SDLK_ESCAPE);
  });
  runDialog();
  // The games list stays out while it only says "<no games found>".
  using enum Control;
  EXPECT_EQ(seen, (std::vector<Control>{Connections, Cancel, Connections, Connections, Name, Create, Cancel,
                                        Connections, Cancel}));
}

TEST_F(DialogView, TypingEditsTheNameAtTheCaret) {
  script.then([](const DialogFrame&) {
          typeText("x");  // no connection: the field is disabled
          key(SDLK_DOWN);
        })
      .when([](const DialogFrame& f) { return f.model.nameEnabled(); },
            [](const DialogFrame& f) {
              EXPECT_EQ(f.model.name(), "");
              click(f, f.layout.name);
              typeText("Gam\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80");  // é and € have bytes; the emoji none
              key(SDLK_HOME);
              typeText("A");
              key(SDLK_END);
              key(SDLK_BACKSPACE);
              key(SDLK_LEFT);
              key(SDLK_DELETE);
            })
      .then([](const DialogFrame& f) {
        EXPECT_EQ(f.model.name(), "AGam");
        EXPECT_EQ(f.controller.caret(), 4u);
        key(SDLK_ESCAPE);
      });
  runDialog();
}

TEST_F(DialogView, EscapeCancelOrClosingTheWindowEndsWithNothingStarted) {
  const std::pair<const char*, DialogScript::Act> ways[] = {
      {"Escape", [](const DialogFrame&) { key(SDLK_ESCAPE); }},
      {"Cancel", [](const DialogFrame& f) { click(f, f.layout.cancel); }},
      {"window closed", [](const DialogFrame& f) { closeWindow(f); }},
  };
  for (auto& [what, end] : ways) {
    SCOPED_TRACE(what);
    renew();
    net::StartDialogModel m;
    m.open();
    net::WindowStartDialog view;
    view.setRun(currentRun);
    DialogScript steps;
    steps.then([](const DialogFrame&) { key(SDLK_DOWN); })
        .when([](const DialogFrame& f) { return f.model.timerRunning(); }, end);
    steps.attach(view);
    view.run(m);
    EXPECT_TRUE(steps.done()) << steps.stuck();
    EXPECT_TRUE(m.ended());
    EXPECT_EQ(m.result(), 0);
    EXPECT_EQ(m.takeSession(), nullptr);
    EXPECT_EQ(currentRun->running(), std::string(what) != "window closed");
  }
}

TEST_F(DialogView, TheWindowIsPutBackAsItWas) {
  struct Case {
    const char* what;
    int graphicsW, graphicsH;  // 0: no graphics
  };
  const Case cases[] = {{"no graphics", 0, 0}, {"a 400 x 300 window", 400, 300}, {"a smaller window", 200, 150}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    renew();
    if (c.graphicsW) {
      GraphicsDevice* device = window->openGraphics(c.graphicsW, c.graphicsH, 0, 0, RuntimeWindow::kWindowedGraphics);
      ASSERT_NE(device, nullptr);
      device->frontBuffer()->setColor(0xC00000);
      device->frontBuffer()->rect(0, 0, c.graphicsW, c.graphicsH, true);
      window->present();
    }
    SDL_Window* w = SDL_GetWindowFromID(window->windowId());
    const bool hidden = SDL_GetWindowFlags(w) & SDL_WINDOW_HIDDEN;
    int beforeW = 0, beforeH = 0;
    SDL_GetWindowSize(w, &beforeW, &beforeH);

    net::StartDialogModel m;
    m.open();
    net::WindowStartDialog view;
    view.setRun(currentRun);
    DialogScript steps;
    steps.then([&](const DialogFrame& f) {
      EXPECT_FALSE(SDL_GetWindowFlags(w) & SDL_WINDOW_HIDDEN);
      int ww = 0, wh = 0, ax = 0, ay = 0, aw = 0, ah = 0;
      SDL_GetWindowSize(w, &ww, &wh);
      ASSERT_TRUE(window->overlayArea(ax, ay, aw, ah));
      // Whole, unscaled and centred.
      EXPECT_EQ(aw, f.canvas.width());
      EXPECT_EQ(ah, f.canvas.height());
      EXPECT_EQ(ax, (ww - aw) / 2);
      EXPECT_EQ(ay, (wh - ah) / 2);
      if (c.graphicsW == 400) {
        // The program's picture around the dialog.
        EXPECT_EQ(shown(f, Rect{-ax, -ay, -ax + 1, -ay + 1}), std::vector<uint32_t>{0xC00000});
      }
      key(SDLK_ESCAPE);
    });
    steps.attach(view);
    view.run(m);
    EXPECT_TRUE(steps.done()) << steps.stuck();
    int afterW = 0, afterH = 0;
    SDL_GetWindowSize(w, &afterW, &afterH);
    EXPECT_EQ(afterW, beforeW);
    EXPECT_EQ(afterH, beforeH);
    EXPECT_EQ(bool(SDL_GetWindowFlags(w) & SDL_WINDOW_HIDDEN), hidden);
    int ax, ay, aw, ah;
    EXPECT_FALSE(window->overlayArea(ax, ay, aw, ah));
    if (c.graphicsW) {
      uint32_t pixel = 0;
      SDL_Rect middle{c.graphicsW / 2, c.graphicsH / 2, 1, 1};
      ASSERT_EQ(SDL_RenderReadPixels(SDL_GetRenderer(w), &middle, SDL_PIXELFORMAT_ARGB8888, &pixel, 4), 0);
      EXPECT_EQ(pixel & 0xFFFFFF, 0xC00000u) << "the program's picture is shown again";
    }
  }
}

}  // namespace
}  // namespace korva::test
