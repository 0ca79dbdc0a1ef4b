// The transport's messages: what is written reads back, and anything cut short, padded
// or over a cap is rejected.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>

#include "multiplay/transport/wire.h"

namespace korva::net::wire {
namespace {

Hello sampleHello() {
  Hello h;
  for (size_t i = 0; i < h.instance.size(); ++i) h.instance[i] = static_cast<uint8_t>(i * 7 + 1);
  h.member = 0xA1B2C3D4;
  h.joinOrder = 3;
  h.players = {{11, "eleven"}, {0x80000000u, ""}};
  return h;
}

Welcome sampleWelcome() {
  Welcome w;
  w.self = sampleHello();
  w.yourJoinOrder = 4;
  w.sessionName = "arena";
  w.members = {{5, 2, 0x0100007F, 40000}, {6, 3, 0x0200007F, 40001}};
  return w;
}

Advert sampleAdvert() {
  Advert a;
  a.instance = sampleHello().instance;
  a.name = "a game";
  a.currentPlayers = 3;
  a.user1 = 9;
  return a;
}

// Each valid encoding with the decoder that must accept it whole and nothing less.
struct Case {
  const char* name;
  std::vector<uint8_t> bytes;
  std::function<bool(std::span<const uint8_t>)> decodes;
};

std::vector<Case> cases() {
  return {
      {"hello", encode(sampleHello()), [](auto b) { Hello h; return decode(b, h); }},
      {"welcome", encode(sampleWelcome()), [](auto b) { Welcome w; return decode(b, w); }},
      {"player created", encodePlayerCreated({42, "forty-two"}),
       [](auto b) { PlayerEntry p; return decodePlayerCreated(b, p); }},
      {"player destroyed", encodePlayerDestroyed(42), [](auto b) { uint32_t id; return decodePlayerDestroyed(b, id); }},
      {"host claim", encodeHostClaim(7), [](auto b) { uint32_t m; return decodeHostClaim(b, m); }},
      {"advert", encode(sampleAdvert()), [](auto b) { Advert a; return decode(b, a); }},
  };
}

TEST(Wire, WhatIsWrittenReadsBack) {
  Hello h;
  ASSERT_TRUE(decode(encode(sampleHello()), h));
  EXPECT_EQ(h.instance, sampleHello().instance);
  EXPECT_EQ(h.member, 0xA1B2C3D4u);
  EXPECT_EQ(h.joinOrder, 3u);
  EXPECT_FALSE(h.joinRequest);
  ASSERT_EQ(h.players.size(), 2u);
  EXPECT_EQ(h.players[0].name, "eleven");
  EXPECT_EQ(h.players[1].id, 0x80000000u);

  Welcome w;
  ASSERT_TRUE(decode(encode(sampleWelcome()), w));
  EXPECT_EQ(w.sessionName, "arena");
  EXPECT_EQ(w.yourJoinOrder, 4u);
  ASSERT_EQ(w.members.size(), 2u);
  EXPECT_EQ(w.members[1].host, 0x0200007Fu);
  EXPECT_EQ(w.members[1].port, 40001);

  Advert a;
  ASSERT_TRUE(decode(encode(sampleAdvert()), a));
  EXPECT_EQ(a.name, "a game");
  EXPECT_EQ(a.currentPlayers, 3u);

  uint8_t user[kUserHeader + 3];
  writeUserHeader(user, 0x01020304, 0);
  std::memcpy(user + kUserHeader, "abc", 3);
  uint32_t from, to;
  std::span<const uint8_t> payload;
  ASSERT_TRUE(decodeUser(user, from, to, payload));
  EXPECT_EQ(from, 0x01020304u);
  EXPECT_EQ(to, 0u);
  EXPECT_EQ(std::string(payload.begin(), payload.end()), "abc");
}

TEST(Wire, EveryShortenedOrLengthenedMessageIsRejected) {
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(c.decodes(c.bytes));
    for (size_t n = 0; n < c.bytes.size(); ++n)
      EXPECT_FALSE(c.decodes(std::span(c.bytes).first(n))) << "accepted " << n << " bytes";
    std::vector<uint8_t> longer = c.bytes;
    longer.push_back(0);
    EXPECT_FALSE(c.decodes(longer));
  }
}

TEST(Wire, CapsAndForbiddenValuesAreRejected) {
  auto rejects = [](const char* what, const std::function<void(Hello&)>& change) {
    Hello h = sampleHello();
    change(h);
    Hello out;
    EXPECT_FALSE(decode(encode(h), out)) << what;
  };
  rejects("player id 0", [](Hello& h) { h.players[0].id = 0; });
  rejects("player id -1", [](Hello& h) { h.players[0].id = 0xFFFFFFFFu; });
  rejects("the same player twice", [](Hello& h) { h.players[1].id = h.players[0].id; });
  rejects("member 0", [](Hello& h) { h.member = 0; });
  rejects("too many players", [](Hello& h) {
    h.players.clear();
    for (uint32_t id = 1; id <= kMaxPlayersPerMember + 1; ++id) h.players.push_back({id, "p"});
  });
  Hello most = sampleHello();
  most.players.clear();
  for (uint32_t id = 1; id <= kMaxPlayersPerMember; ++id) most.players.push_back({id, "p"});
  Hello out;
  EXPECT_TRUE(decode(encode(most), out));

  // A name length above the cap, written by hand since the writer never produces one.
  Writer w;
  w.u8(static_cast<uint8_t>(Kind::PlayerCreated));
  w.u32(5);
  w.u16(static_cast<uint16_t>(kMaxNameLength + 1));
  std::vector<uint8_t> bytes = w.take();
  bytes.resize(bytes.size() + kMaxNameLength + 1, 'n');
  PlayerEntry p;
  EXPECT_FALSE(decodePlayerCreated(bytes, p));

  // Too many members in a welcome.
  Welcome big = sampleWelcome();
  big.members.assign(kMaxMembers + 1, {5, 2, 1, 1});
  Welcome welcome;
  EXPECT_FALSE(decode(encode(big), welcome));

  // A payload over the largest message.
  std::vector<uint8_t> user(kUserHeader + kMaxPayload + 1);
  writeUserHeader(user.data(), 1, 0);
  uint32_t from, to;
  std::span<const uint8_t> payload;
  EXPECT_FALSE(decodeUser(user, from, to, payload));
}

TEST(Wire, DiscoveryDatagramsAreToldApartFromEverythingElse) {
  std::vector<uint8_t> probe = encodeProbe();
  EXPECT_TRUE(isProbe(probe));
  EXPECT_TRUE(looksLikeDiscovery(probe));
  EXPECT_TRUE(looksLikeDiscovery(encode(sampleAdvert())));
  std::vector<uint8_t> otherVersion = probe;
  otherVersion[4] = kVersion + 1;
  EXPECT_FALSE(isProbe(otherVersion));
  EXPECT_TRUE(looksLikeDiscovery(otherVersion));  // still kept away from ENet
  EXPECT_FALSE(looksLikeDiscovery(encode(sampleHello())));
  EXPECT_FALSE(looksLikeDiscovery(std::vector<uint8_t>{'K', 'V', 'N'}));
}

// Whatever random bytes are accepted must be exactly what the writer would produce: the
// decoders take nothing they do not understand (and, under the sanitizers, read nothing
// outside the bytes).
TEST(Wire, RandomBytesAreAcceptedOnlyInTheirOneWrittenForm) {
  std::mt19937 rng(1234);
  int accepted = 0;
  for (int i = 0; i < 50000; ++i) {
    std::vector<uint8_t> bytes(rng() % 48);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(rng() % 4 == 0 ? 0 : rng());
    if (bytes.size() > 2) {
      bytes[0] = static_cast<uint8_t>(Kind::Hello);
      bytes[1] = kVersion;
    }
    Hello h;
    if (decode(bytes, h)) {
      ++accepted;
      EXPECT_EQ(encode(h), bytes);
    }
    if (bytes.size() > 5) std::memcpy(bytes.data(), "KVNA\x01", 5);
    Advert a;
    if (decode(bytes, a)) {
      ++accepted;
      EXPECT_EQ(encode(a), bytes);
    }
  }
  EXPECT_GT(accepted, 0);  // the generator does reach valid messages
}

}  // namespace
}  // namespace korva::net::wire
