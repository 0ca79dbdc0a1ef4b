// The start dialog in the runtime window, driven by injected keyboard and mouse events
// with games hosted on loopback.
#include <gtest/gtest.h>

#include "dialog_driver.h"
#include "multiplay/dialog/view/dialog_painter.h"
#include "multiplay/net_helpers.h"
#include "multiplay/transport/transport.h"
#include "window/window_fakes.h"

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
    window = RuntimeWindow::create("", &debugger, 0);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->poll());
    model.open();
    script.attach(dialog);
  }
  void TearDown() override {
    RuntimeWindow::destroy(window);
    NetTest::TearDown();
  }
  // Runs the dialog to its end; every step of the script must have run.
  void run() {
    dialog.run(model);
    EXPECT_TRUE(model.ended());
    EXPECT_EQ(script.stuck(), "");
    EXPECT_TRUE(script.done());
  }

  testing::RecordingDebugger debugger;
  RuntimeWindow* window = nullptr;
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
  run();
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
  run();
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
  run();
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

}  // namespace
}  // namespace korva::test
