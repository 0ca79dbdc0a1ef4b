// The inside of a Transport, shared by its files: lifecycle and service thread
// (transport.cpp), meeting members and host migration (members.cpp), players and messages
// (messages.cpp), discovery (discovery.cpp). Every field is guarded by mu, and ENet is
// only touched with mu held.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <unordered_map>
#include <vector>

#include "multiplay/transport/enet_functions.h"
#include "multiplay/transport/transport.h"

namespace korva::net {

using Clock = std::chrono::steady_clock;

// The disconnect code of a member that leaves on purpose; any other end is a time-out.
inline constexpr uint32_t kLeaveCode = 0x4B4C5645;
inline constexpr uint8_t kReliableChannel = 0;
inline constexpr uint8_t kUnreliableChannel = 1;
// Peer slots beyond the members, for connections that have not introduced themselves yet.
inline constexpr size_t kSpareSlots = 16;
inline constexpr size_t kItemOverhead = 64;
inline constexpr size_t kMaxAdverts = 256;

// Another process of the session, or a connection that has not said who it is yet.
struct Member {
  ENetPeer* peer = nullptr;
  uint32_t id = 0;  // known from the start for connections we make
  uint32_t joinOrder = 0;
  bool greeted = false;
  bool outgoing = false;
  bool joinTarget = false;  // the host we join through
  bool leaving = false;     // being dropped; nothing more is taken from it
  Clock::time_point since;
};

struct Player {
  std::string name;
  uint32_t owner = 0;  // member id; 0 for this process
  uint64_t order = 0;
};

struct Queued {
  Incoming head;
  std::vector<uint8_t> payload;
  uint32_t sender = 0;  // member whose message this is; 0 for notices
};

enum class Phase { Idle, Ready, Joining, InSession, Lost };

struct Transport::State {
  explicit State(const NetSettings& s);

  NetSettings settings;
  mutable std::mutex mu;
  std::condition_variable changed;  // signalled after every pass of the service thread
  ENetHost* host = nullptr;
  std::thread service;
  std::atomic<bool> stopping{false};
  std::mt19937 rng;

  Phase phase = Phase::Idle;

  // Searching.
  std::vector<ENetAddress> targets;
  bool broadcast = false;
  struct Seen {
    SessionInfo info;
    Clock::time_point at;
  };
  std::vector<Seen> adverts;
  double replyTokens = 0;
  Clock::time_point tokensAt;

  // The session.
  wire::Guid instance{};
  std::string name;
  uint32_t self = 0;  // this member's id
  uint32_t joinOrder = 0;
  uint32_t nextJoinOrder = 1;
  uint32_t hostMember = 0;
  bool joined = false;  // players learned from now on are announced
  bool joinFailed = false;
  std::unordered_map<ENetPeer*, std::unique_ptr<Member>> members;
  std::unordered_map<uint32_t, Player> players;
  uint64_t playerOrder = 0;
  std::deque<Queued> inbox;
  size_t inboxBytes = 0;
  std::unordered_map<uint32_t, size_t> queuedBy;  // message bytes waiting, per member

  // transport.cpp
  bool openHost(uint16_t port);
  void destroyHost(bool sayGoodbye);
  void startService();
  void halt();  // stops the service thread; called without mu
  void run();
  void pump();
  void housekeeping(Clock::time_point now);
  void configure(ENetPeer* peer) const;
  void resetSession();
  uint32_t randomId();

  // members.cpp
  void onConnect(ENetPeer* peer);
  void onReceive(ENetPeer* peer, std::span<const uint8_t> bytes, bool reliable);
  void onDisconnect(ENetPeer* peer, uint32_t data);
  // A greeted member is gone: its players leave, and the host may pass on or the
  // session be lost.
  void departed(uint32_t member, bool timedOut);
  void greet(Member& m, std::span<const uint8_t> bytes);
  bool admit(Member& m, const wire::Hello& h);
  bool acceptWelcome(Member& m, const wire::Welcome& w);
  void onHostClaim(Member& m, uint32_t claimed);
  void elect();
  void drop(Member& m);
  Member* memberById(uint32_t id);
  size_t greetedCount() const;
  bool joinComplete() const;
  wire::Hello hello() const;

  // messages.cpp
  bool sendBytes(Member& m, std::span<const uint8_t> bytes, bool reliable);
  void sendToAll(std::span<const uint8_t> bytes);
  void addPlayers(uint32_t owner, const std::vector<wire::PlayerEntry>& list);
  void addPlayer(uint32_t owner, uint32_t id, std::string playerName);
  // asked: the owner destroyed it (its notice counts against the owner's share)
  void removePlayer(uint32_t id, bool asked = false);
  void removePlayersOf(uint32_t owner);
  void onUser(Member& m, std::span<const uint8_t> bytes, bool reliable);
  // Makes room for cost more bytes by cutting off the member holding the most; false
  // when the sender itself is that member.
  bool makeRoom(Member& sender, size_t cost);
  void unqueue(const Queued& q);
  // sender: the member whose doing the notice is, 0 for none.
  void notice(Incoming item, uint32_t sender = 0);
  // True when cost more bytes may be queued for m, after cutting off whoever holds most.
  bool roomFor(Member& m, size_t cost);
  bool hasLocalPlayer() const;

  // discovery.cpp
  static int intercept(ENetHost* host, ENetEvent* event);
  void onDiscovery(std::span<const uint8_t> bytes, const ENetAddress& from);
  bool resolveTargets(std::string_view address);
  void sendProbe();
  std::vector<SessionInfo> recentAdverts(Clock::duration within) const;
};


}  // namespace korva::net
