// Three sessions in one process, on loopback: announcements, delivery, the packet rules,
// players leaving, host migration and a lost session.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "multiplay/transport/transport.h"
#include "net_helpers.h"

namespace korva::test {
namespace {

using net::NetMessage;
using net::Session;

// A game "arena" hosted by b (player pb), joined first by c (pc) and then by a (pa).
class ThreeSessions : public NetTest {
 protected:
  void SetUp() override {
    NetTest::SetUp();
    ASSERT_EQ(b.finishStart(b.hostGame("arena")), 2);
    pb = b.createPlayer("bee");
    ASSERT_EQ(c.finishStart(c.joinGame("arena", "")), 1);
    pc = c.createPlayer("cee");
    // a learns pc from c directly when it meets c, but b must know pc for what follows.
    ASSERT_TRUE(eventually([&] { return b.transport()->players(list) && list.size() == 2; }));
    ASSERT_EQ(a.finishStart(a.joinGame("arena", "127.0.0.1:" + std::to_string(port()))), 1);
    pa = a.createPlayer("ay");
    ASSERT_NE(pa, 0u);
    ASSERT_NE(pb, 0u);
    ASSERT_NE(pc, 0u);
  }
  // Reads a's two announcements and checks them.
  void expectAnnouncements() {
    for (uint32_t id : {pb, pc}) {
      auto m = next(a);
      ASSERT_TRUE(m);
      EXPECT_EQ(m->type, 100);
      EXPECT_EQ(m->from, static_cast<int32_t>(id));
    }
  }
  // Waits until every session has heard of every player.
  void settle() {
    for (Session* s : {&a, &b, &c})
      ASSERT_TRUE(eventually([&] { return s->transport()->players(list) && list.size() == 3; }));
  }

  Session a, b, c;
  uint32_t pa = 0, pb = 0, pc = 0;
  std::vector<net::PlayerInfo> list;
};

TEST_F(ThreeSessions, RemotePlayersAreAnnouncedOnePerReceiveBeforeUserPackets) {
  settle();
  ASSERT_TRUE(b.send(7, "hello", pb, 0, true));
  expectAnnouncements();
  auto m = next(a);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->type, 7);
  EXPECT_EQ(m->from, static_cast<int32_t>(pb));
  EXPECT_EQ(m->to, 0);
  EXPECT_EQ(m->data, "hello");
  EXPECT_EQ(a.players().find(pc)->name, "cee");
  EXPECT_TRUE(a.players().find(pc)->remote);
  EXPECT_FALSE(a.players().find(pa)->remote);
  EXPECT_FALSE(a.host());
  EXPECT_TRUE(b.host());
}

TEST_F(ThreeSessions, GuaranteedMessagesAllArriveInOrder) {
  settle();
  expectAnnouncements();
  constexpr int kCount = 1000;
  for (int i = 0; i < kCount; ++i) ASSERT_TRUE(b.send(1, std::to_string(i), pb, pa, true));
  for (int i = 0; i < kCount; ++i) {
    auto m = next(a);
    ASSERT_TRUE(m) << "message " << i << " did not arrive";
    ASSERT_EQ(m->data, std::to_string(i));
    ASSERT_EQ(m->to, static_cast<int32_t>(pa));
  }
  // A message to a's player only: c hears nothing of it.
  EXPECT_EQ(nextOfType(c, 1, 100ms), std::nullopt);
}

TEST_F(ThreeSessions, LargeMessageArrivesWholeAfterTheBufferGrows) {
  settle();
  expectAnnouncements();
  std::string big(5000, 'x');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('a' + i % 26);
  ASSERT_TRUE(b.send(9, big, pb, 0, true));
  EXPECT_EQ(b.sendBufferSize(), 5009u + 5009u / 2);
  auto m = next(a);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->data, big);
  EXPECT_EQ(a.receiveBufferSize(), 5009u + 5009u / 2);
}

TEST_F(ThreeSessions, PacketRulesOnTheWay) {
  settle();
  expectAnnouncements();
  // Sent in this order; type 0 vanishes, 300 keeps its low byte, no data is empty data.
  const std::pair<int32_t, std::string> sent[] = {{0, "hidden"}, {300, "low byte"}, {5, ""}, {255, "top"}};
  for (auto& [type, data] : sent) ASSERT_TRUE(b.send(type, data, pb, 0, false));
  const std::pair<int32_t, std::string> expected[] = {{44, "low byte"}, {5, ""}, {255, "top"}};
  for (auto& [type, data] : expected) {
    auto m = next(a);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->type, type);
    EXPECT_EQ(m->data, data);
  }
}

TEST_F(ThreeSessions, NothingWaitingLeavesTheCurrentMessageReset) {
  settle();
  expectAnnouncements();
  ASSERT_TRUE(b.send(0, "consumed", pb, 0, true));
  ASSERT_TRUE(b.send(3, "marker", pb, 0, true));
  auto marker = next(a);
  ASSERT_TRUE(marker);
  EXPECT_EQ(marker->data, "marker");
  EXPECT_FALSE(a.receive());
  const NetMessage& m = a.message();
  EXPECT_EQ(m.type, 0);
  EXPECT_EQ(m.from, -1);
  EXPECT_EQ(m.to, 0);
  EXPECT_EQ(m.data, "");
}

TEST_F(ThreeSessions, OwnPlayersPacketsNeverComeBack) {
  settle();
  expectAnnouncements();
  uint32_t pa2 = a.createPlayer("ay two");
  ASSERT_NE(pa2, 0u);
  EXPECT_TRUE(a.send(4, "to all", pa, 0, true));
  EXPECT_TRUE(a.send(4, "to my other player", pa, pa2, true));
  ASSERT_TRUE(c.send(6, "marker", pc, 0, true));
  auto m = next(a);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->data, "marker");
  // The others do get a's message for all.
  auto atB = nextOfType(b, 4);
  ASSERT_TRUE(atB);
  EXPECT_EQ(atB->data, "to all");
}

TEST_F(ThreeSessions, SendingNeedsAPlayerOfThisProcessAndAKnownReceiver) {
  settle();
  EXPECT_FALSE(a.send(1, "x", pb, 0, true));         // someone else's player
  EXPECT_FALSE(a.send(1, "x", 12345, 0, true));      // nobody
  EXPECT_FALSE(a.send(1, "x", pa, 12345, true));     // to nobody
  EXPECT_FALSE(a.send(1, std::string(2 << 20, 'x'), pa, 0, true));  // too large
  EXPECT_EQ(a.sendBufferSize(), 1024u);  // refused before any buffer was grown for it
  EXPECT_TRUE(a.send(1, "x", pa, pc, false));
}

TEST_F(ThreeSessions, DeletedPlayerLeavesEveryoneElsesTable) {
  settle();
  expectAnnouncements();
  c.deletePlayer(pc);
  EXPECT_EQ(c.players().find(pc), nullptr);
  for (Session* s : {&a, &b}) {
    auto m = nextOfType(*s, 101);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->from, static_cast<int32_t>(pc));
    EXPECT_EQ(s->players().find(pc), nullptr);
  }
}

// The host b goes; c joined before a, so c takes over, and a and c play on.
void expectHandover(Session& a, Session& c, uint32_t pa, uint32_t pb, uint32_t pc) {
  auto left = nextOfType(c, 101);
  ASSERT_TRUE(left);
  EXPECT_EQ(left->from, static_cast<int32_t>(pb));
  auto host = nextOfType(c, 102);
  ASSERT_TRUE(host);
  EXPECT_EQ(host->from, -1);
  EXPECT_TRUE(c.host());
  EXPECT_TRUE(c.transport()->isHost());

  ASSERT_TRUE(nextOfType(a, 101));
  ASSERT_TRUE(c.send(8, "still here", pc, pa, true));
  auto m = nextOfType(a, 8);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->data, "still here");
  ASSERT_TRUE(a.send(8, "me too", pa, 0, true));
  m = nextOfType(c, 8);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->data, "me too");
  EXPECT_FALSE(a.host());
  EXPECT_FALSE(a.transport()->isHost());
}

TEST_F(ThreeSessions, HostThatLeavesHandsOverToTheOldestMember) {
  settle();
  b.close();
  expectHandover(a, c, pa, pb, pc);
}

TEST_F(ThreeSessions, HostThatVanishesIsReplacedAfterItsTimeOut) {
  settle();
  b.transport()->vanish();
  expectHandover(a, c, pa, pb, pc);
}

TEST_F(NetTest, LosingEveryPeerLosesTheSessionButAPoliteHostHandsItOver) {
  for (bool vanish : {true, false}) {
    SCOPED_TRACE(vanish ? "host vanishes" : "host leaves");
    Session host, joiner;
    ASSERT_EQ(host.finishStart(host.hostGame("duo")), 2);
    uint32_t ph = host.createPlayer("h");
    ASSERT_EQ(joiner.finishStart(joiner.joinGame("duo", "")), 1);
    uint32_t pj = joiner.createPlayer("j");
    ASSERT_NE(pj, 0u);
    auto announced = next(joiner);
    ASSERT_TRUE(announced);
    EXPECT_EQ(announced->type, 100);
    if (vanish)
      host.transport()->vanish();
    else
      host.close();
    auto left = next(joiner);
    ASSERT_TRUE(left);
    EXPECT_EQ(left->type, 101);
    EXPECT_EQ(left->from, static_cast<int32_t>(ph));
    auto after = next(joiner);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->type, vanish ? 200 : 102);
    // A lost session sends nothing; a session of one still takes messages for all.
    EXPECT_EQ(joiner.send(1, "anyone?", pj, 0, true), !vanish);
    EXPECT_TRUE(joiner.started());  // lost or alone, the game stays started until stopped
  }
}

TEST_F(NetTest, FailedStartsLeaveNoGameAndTheNextStartWorks) {
  Session s;
  EXPECT_EQ(s.finishStart(s.joinGame("nowhere", "")), 0);  // nobody hosts
  EXPECT_FALSE(s.started());
  EXPECT_EQ(s.finishStart(s.joinGame("x", "no-such-host.invalid")), 0);
  EXPECT_EQ(s.finishStart(s.joinGame("x", "127.0.0.1:99999")), 0);
  EXPECT_FALSE(s.started());

  Session other;
  ASSERT_EQ(other.finishStart(other.hostGame("real")), 2);
  EXPECT_EQ(s.finishStart(s.joinGame("Real", "")), 0);  // names match exactly
  EXPECT_EQ(s.finishStart(s.hostGame("second")), 0);    // the port is taken
  EXPECT_FALSE(s.started());
  other.close();
  EXPECT_EQ(s.finishStart(s.hostGame("second")), 2);
  EXPECT_TRUE(s.started());
  EXPECT_TRUE(s.host());
}

}  // namespace
}  // namespace korva::test
