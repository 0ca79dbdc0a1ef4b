// Strangers at the session's port: random and cut-off datagrams, connections that never
// introduce themselves or introduce themselves wrongly, and a member that lies and floods.
// Through all of it the game goes on.
#include <arpa/inet.h>
#include <enet/enet.h>
#include <gtest/gtest.h>

#include <random>

#include "multiplay/transport/transport.h"
#include "multiplay/transport/wire.h"
#include "net_helpers.h"

namespace korva::test {
namespace {

using net::Session;
namespace wire = net::wire;

// A game hosted by host (player ph) with friend (player pf) joined.
class Hostile : public NetTest {
 protected:
  void SetUp() override {
    NetTest::SetUp();
    net::settings().inboxLimit = 256 << 10;
    ASSERT_EQ(host.finishStart(host.hostGame("target")), 2);
    ph = host.createPlayer("host player");
    ASSERT_EQ(pal.finishStart(pal.joinGame("target", "")), 1);
    pf = pal.createPlayer("friend");
    ASSERT_TRUE(nextOfType(host, 100));
    ASSERT_TRUE(nextOfType(pal, 100));
  }

  // The game still works: a new member can find and join it, and messages get through.
  void expectGameGoesOn() {
    ASSERT_TRUE(pal.send(2, "ping", pf, ph, true));
    auto m = nextOfType(host, 2);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->data, "ping");
    Session late;
    ASSERT_EQ(late.finishStart(late.joinGame("target", "")), 1);
    uint32_t pl = late.createPlayer("late");
    ASSERT_NE(pl, 0u);
    auto joined = nextOfType(host, 100);
    ASSERT_TRUE(joined);
    EXPECT_EQ(joined->from, static_cast<int32_t>(pl));
  }

  size_t hostPlayers() {
    std::vector<net::PlayerInfo> list;
    host.transport()->players(list);
    return list.size();
  }

  Session host, pal;
  uint32_t ph = 0, pf = 0;
};

TEST_F(Hostile, RandomAndCutOffDatagramsAreIgnored) {
  int fd = socket(AF_INET, SOCK_DGRAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  to.sin_port = htons(port());

  wire::Advert ad;
  ad.name = "fake";
  std::vector<std::vector<uint8_t>> real = {wire::encodeProbe(), wire::encode(ad)};
  std::mt19937 rng(99);
  auto until = std::chrono::steady_clock::now() + 2000ms;
  int sent = 0;
  while (std::chrono::steady_clock::now() < until && sent < 100000) {
    std::vector<uint8_t> d;
    switch (sent % 4) {
      case 0:  // noise of any length
        d.resize(rng() % (sent % 50 == 0 ? 9000 : 1400));
        for (uint8_t& b : d) b = static_cast<uint8_t>(rng());
        break;
      case 1: {  // discovery datagrams cut short, or with a bit flipped
        const auto& r = real[rng() % real.size()];
        d.assign(r.begin(), r.begin() + static_cast<long>(rng() % (r.size() + 1)));
        if (!d.empty() && rng() % 2) d[rng() % d.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
        break;
      }
      case 2:  // looks like ENet: a header for peer slot 0 and random commands
        d.resize(4 + rng() % 200);
        for (uint8_t& b : d) b = static_cast<uint8_t>(rng());
        d[0] = 0, d[1] = 0;
        break;
      default:  // a probe: answered, but only at a limited rate
        d = wire::encodeProbe();
    }
    sendto(fd, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    if (++sent % 50 == 0) std::this_thread::sleep_for(1ms);
  }
  close(fd);
  EXPECT_EQ(hostPlayers(), 2u);
  expectGameGoesOn();
}

// A raw ENet connection speaking whatever the test wants.
class Stranger {
 public:
  explicit Stranger(uint16_t port) {
    host_ = enet_host_create(nullptr, 1, 2, 0, 0);
    host_->checksum = enet_crc32;
    ENetAddress a{};
    enet_address_set_host_ip(&a, "127.0.0.1");
    a.port = port;
    peer_ = enet_host_connect(host_, &a, 2, 0);
  }
  ~Stranger() { enet_host_destroy(host_); }

  // Services until an event of that type (received packets are kept), or the time is up.
  bool await(ENetEventType type, std::chrono::milliseconds limit = 3000ms) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    ENetEvent ev;
    while (std::chrono::steady_clock::now() < deadline) {
      if (enet_host_service(host_, &ev, 5) <= 0) continue;
      if (ev.type == ENET_EVENT_TYPE_RECEIVE) {
        received.emplace_back(ev.packet->data, ev.packet->data + ev.packet->dataLength);
        enet_packet_destroy(ev.packet);
      }
      if (ev.type == type) return true;
    }
    return false;
  }
  void send(const std::vector<uint8_t>& bytes, bool reliable = true) {
    enet_peer_send(peer_, reliable ? 0 : 1,
                   enet_packet_create(bytes.data(), bytes.size(), reliable ? ENET_PACKET_FLAG_RELIABLE : 0));
    enet_host_flush(host_);
  }
  std::vector<std::vector<uint8_t>> received;

 private:
  ENetHost* host_;
  ENetPeer* peer_;
};

std::vector<uint8_t> userMessage(uint32_t from, uint32_t to, size_t size) {
  std::vector<uint8_t> m(wire::kUserHeader + net::kPacketHeader + size, 'u');
  wire::writeUserHeader(m.data(), from, to);
  wire::putU32(m.data() + wire::kUserHeader, from);
  wire::putU32(m.data() + wire::kUserHeader + 4, to);
  m[wire::kUserHeader + 8] = 1;
  return m;
}

TEST_F(Hostile, ConnectionsThatDoNotIntroduceThemselvesProperlyAreDropped) {
  Stranger silent(port()), rude(port()), wrongGame(port());
  ASSERT_TRUE(silent.await(ENET_EVENT_TYPE_CONNECT));
  ASSERT_TRUE(rude.await(ENET_EVENT_TYPE_CONNECT));
  ASSERT_TRUE(wrongGame.await(ENET_EVENT_TYPE_CONNECT));

  // Messages before any introduction, and an introduction cut short.
  rude.send(userMessage(1, 0, 10));
  std::vector<uint8_t> cut = wire::encode(wire::Hello{});
  cut.resize(cut.size() / 2);
  rude.send(cut);
  // A well-formed request to join some other game.
  wire::Hello other;
  other.member = 77;
  other.joinRequest = true;
  other.instance[0] = 1;
  wrongGame.send(wire::encode(other));

  EXPECT_TRUE(rude.await(ENET_EVENT_TYPE_DISCONNECT));
  EXPECT_TRUE(wrongGame.await(ENET_EVENT_TYPE_DISCONNECT));
  ASSERT_FALSE(wrongGame.received.empty());
  EXPECT_EQ(wrongGame.received[0], wire::encodeRefuse());
  EXPECT_TRUE(silent.await(ENET_EVENT_TYPE_DISCONNECT, 6000ms));  // after the greeting time
  EXPECT_EQ(hostPlayers(), 2u);
  expectGameGoesOn();
}

// Joins the game as a member through a raw connection, and returns the host's welcome.
wire::Welcome joinAsStranger(Stranger& s) {
  net::Transport finder;
  std::vector<net::SessionInfo> found;
  EXPECT_TRUE(finder.initialize(""));
  EXPECT_TRUE(finder.enumerate(found, false));
  wire::Welcome welcome;
  if (found.size() != 1 || !s.await(ENET_EVENT_TYPE_CONNECT)) return welcome;
  wire::Hello join;
  join.instance = found[0].instance;
  join.member = 0x5EED;
  join.joinRequest = true;
  s.send(wire::encode(join));
  EXPECT_TRUE(s.await(ENET_EVENT_TYPE_RECEIVE));
  EXPECT_TRUE(!s.received.empty() && wire::decode(s.received.back(), welcome));
  return welcome;
}

TEST_F(Hostile, AMemberThatLiesAndFloodsIsContainedThenCutOff) {
  Stranger liar(port());
  wire::Welcome welcome = joinAsStranger(liar);
  ASSERT_EQ(welcome.yourJoinOrder, 3u);
  EXPECT_EQ(welcome.members.size(), 1u);  // the friend, to be met

  // More players than a member may have, one of them twice; someone else's player
  // destroyed; the host post claimed for somebody else; messages to nobody.
  for (uint32_t id = 1000; id < 1000 + wire::kMaxPlayersPerMember + 10; ++id)
    liar.send(wire::encodePlayerCreated({id, "fake"}));
  liar.send(wire::encodePlayerCreated({1000, "again"}));
  liar.send(wire::encodePlayerDestroyed(ph));
  liar.send(wire::encodeHostClaim(0xBAD));
  liar.send(userMessage(1000, 424242, 10));
  ASSERT_TRUE(eventually([&] { return hostPlayers() == 2 + wire::kMaxPlayersPerMember; }));
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(hostPlayers(), 2 + wire::kMaxPlayersPerMember);
  EXPECT_TRUE(host.transport()->isHost());
  EXPECT_TRUE(host.players().find(ph));

  // The host's program does not read while the liar sends far more than it may queue.
  for (int i = 0; i < 400; ++i) liar.send(userMessage(1000, 0, 4000));
  EXPECT_TRUE(liar.await(ENET_EVENT_TYPE_DISCONNECT, 5000ms));
  EXPECT_EQ(hostPlayers(), 2u);
  expectGameGoesOn();
}

TEST_F(Hostile, AMemberChurningPlayersMeetsTheSameLimit) {
  Stranger churner(port());
  ASSERT_NE(joinAsStranger(churner).yourJoinOrder, 0u);
  // Each pass leaves two notices for the host's program, which does not read them.
  for (uint32_t i = 0; i < 5000; ++i) {
    churner.send(wire::encodePlayerCreated({7000, "now you see me"}));
    churner.send(wire::encodePlayerDestroyed(7000));
  }
  EXPECT_TRUE(churner.await(ENET_EVENT_TYPE_DISCONNECT, 5000ms));
  EXPECT_EQ(hostPlayers(), 2u);
  expectGameGoesOn();
}

}  // namespace
}  // namespace korva::test
