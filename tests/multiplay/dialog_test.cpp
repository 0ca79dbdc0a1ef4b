// The start dialog's model driven as the drawing layer will drive it: connections, the
// games found and refreshed, the name field, creating, joining, cancelling and the
// message boxes.
#include <gtest/gtest.h>

#include "multiplay/start_dialog.h"
#include "multiplay/transport/transport.h"
#include "net_helpers.h"

namespace korva::test {
namespace {

using net::DialogMessage;
using net::Session;
using net::StartDialogModel;
using Names = std::vector<std::string>;

class Dialog : public NetTest {
 protected:
  void SetUp() override {
    NetTest::SetUp();
    model.open();
  }
  // Refreshes (as the timer would) until the games list shows names.
  bool waitForGames(const Names& names) {
    return eventually([&] {
      model.timerTick();
      return model.games() == names;
    });
  }
  StartDialogModel model;
};

TEST_F(Dialog, OpensOnThePlaceholderWithEverythingBelowItDisabled) {
  EXPECT_EQ(model.connections(), (Names{"<no connection>", "Internet TCP/IP"}));
  EXPECT_EQ(model.selectedConnection(), 0);
  EXPECT_TRUE(model.games().empty());
  EXPECT_FALSE(model.gamesEnabled());
  EXPECT_FALSE(model.nameEnabled());
  EXPECT_FALSE(model.createEnabled());
  EXPECT_FALSE(model.timerRunning());
  EXPECT_TRUE(model.takeMessages().empty());
}

TEST_F(Dialog, AConnectionListsTheGamesFoundAndNoConnectionEmptiesTheList) {
  model.selectConnection(1);
  EXPECT_EQ(model.selectedConnection(), 1);
  EXPECT_EQ(model.games(), Names{"<no games found>"});
  EXPECT_FALSE(model.gamesEnabled());
  EXPECT_TRUE(model.nameEnabled());
  EXPECT_TRUE(model.createEnabled());
  EXPECT_TRUE(model.timerRunning());

  Session host;
  ASSERT_EQ(host.finishStart(host.hostGame("a game")), 2);
  ASSERT_TRUE(waitForGames({"a game"}));
  EXPECT_TRUE(model.gamesEnabled());
  model.setName("typed");

  model.selectConnection(0);
  EXPECT_EQ(model.selectedConnection(), 0);
  EXPECT_TRUE(model.games().empty());
  EXPECT_FALSE(model.gamesEnabled());
  EXPECT_FALSE(model.nameEnabled());
  EXPECT_FALSE(model.createEnabled());
  EXPECT_FALSE(model.timerRunning());
  EXPECT_EQ(model.name(), "");
  EXPECT_TRUE(model.takeMessages().empty());
}

TEST_F(Dialog, TheTimerRefreshesOnceASecond) {
  model.selectConnection(1);
  Session host;
  ASSERT_EQ(host.finishStart(host.hostGame("late game")), 2);
  model.timerTick();  // a search the game answers; the answer is listed at the next refresh
  EXPECT_EQ(model.games(), Names{"<no games found>"});
  std::this_thread::sleep_for(500ms);
  model.tick(5000);  // starts the clock
  model.tick(5999);
  EXPECT_EQ(model.games(), Names{"<no games found>"});
  model.tick(6000);
  EXPECT_EQ(model.games(), Names{"late game"});

  host.close();
  // A game that no longer answers drops out after a few refreshes.
  uint32_t now = 6000;
  EXPECT_TRUE(eventually([&] {
    model.tick(now += 1000);
    return model.games() == Names{"<no games found>"};
  }, 8000ms));
}

TEST_F(Dialog, CreatingNeedsANameAndEndsWithTheNewGame) {
  model.selectConnection(1);
  model.create();
  EXPECT_FALSE(model.ended());
  auto messages = model.takeMessages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, "DirectPlay Request");
  EXPECT_EQ(messages[0].text, "Please enter a name for the new game");
  EXPECT_EQ(messages[0].icon, DialogMessage::Icon::Information);
  EXPECT_TRUE(messages[0].topmost);

  model.setName(std::string(300, 'n'));
  EXPECT_EQ(model.name().size(), net::kMaxGameName);
  model.setName("my game");
  model.create();
  ASSERT_TRUE(model.ended());
  EXPECT_EQ(model.result(), 2);
  EXPECT_EQ(model.game(), "my game");
  EXPECT_FALSE(model.timerRunning());
  auto session = model.takeSession();
  ASSERT_TRUE(session);
  EXPECT_TRUE(session->isHost());

  Session joiner;
  EXPECT_EQ(joiner.finishStart(joiner.joinGame("my game", "")), 1);
}

TEST_F(Dialog, CreatingOnATakenPortSaysSoAndStaysOpen) {
  Session holder;
  ASSERT_EQ(holder.finishStart(holder.hostGame("holder")), 2);
  model.selectConnection(1);
  model.setName("mine");
  model.create();
  EXPECT_FALSE(model.ended());
  auto messages = model.takeMessages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, "DirPlay Error");
  EXPECT_EQ(messages[0].text, "Unable to create new game");
  EXPECT_EQ(messages[0].icon, DialogMessage::Icon::Warning);
  // The search goes on, and once the port is free the same click works.
  EXPECT_TRUE(waitForGames({"holder"}));
  holder.close();
  model.create();
  EXPECT_EQ(model.result(), 2);
}

TEST_F(Dialog, JoiningAListedGame) {
  Session host;
  ASSERT_EQ(host.finishStart(host.hostGame("listed")), 2);
  uint32_t hostPlayer = host.createPlayer("host");
  model.selectConnection(1);
  ASSERT_TRUE(waitForGames({"listed"}));
  model.join(-1);
  model.join(1);  // out of range: nothing happens
  EXPECT_FALSE(model.ended());
  model.join(0);
  ASSERT_TRUE(model.ended());
  EXPECT_EQ(model.result(), 1);
  EXPECT_EQ(model.game(), "listed");
  auto session = model.takeSession();
  ASSERT_TRUE(session);
  std::vector<net::PlayerInfo> players;
  ASSERT_TRUE(session->players(players));
  ASSERT_EQ(players.size(), 1u);
  EXPECT_EQ(players[0].id, hostPlayer);
}

TEST_F(Dialog, AGameGoneBeforeTheClickCannotBeJoined) {
  Session host;
  ASSERT_EQ(host.finishStart(host.hostGame("brief")), 2);
  model.selectConnection(1);
  ASSERT_TRUE(waitForGames({"brief"}));
  host.close();
  model.join(0);
  EXPECT_FALSE(model.ended());
  auto messages = model.takeMessages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, "DirPlay Error");
  EXPECT_EQ(messages[0].text, "Unable to join game");
}

TEST_F(Dialog, CancelEndsWithNothingStarted) {
  model.selectConnection(1);
  model.cancel();
  EXPECT_TRUE(model.ended());
  EXPECT_EQ(model.result(), 0);
  EXPECT_FALSE(model.timerRunning());
  EXPECT_EQ(model.takeSession(), nullptr);
  model.selectConnection(1);  // an ended dialog takes no more input
  EXPECT_EQ(model.selectedConnection(), 1);
  EXPECT_FALSE(model.timerRunning());
}

}  // namespace
}  // namespace korva::test
