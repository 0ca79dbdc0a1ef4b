// Meeting members: introductions, joining through the host, departures and host migration.
//
// Every connection starts unintroduced. The side that connected speaks first: a joiner
// sends Hello with the join flag to the host, which answers Welcome (its own players, the
// joiner's place in the join order and every other member's address); the joiner then
// connects to each of those members with a plain Hello, answered by theirs. Of any two
// members the one admitted later makes the connection, so no pair is connected twice.
// When the host goes, each member picks the oldest member it still reaches; the one that
// picks itself claims the post, and the others take the claim.
#include <algorithm>

#include "multiplay/transport/state.h"

namespace korva::net {
namespace {

// Election order: earlier joiners first, the member id breaking a tie.
std::pair<uint32_t, uint32_t> seniority(uint32_t joinOrder, uint32_t id) { return {joinOrder, id}; }

}  // namespace

Member* Transport::State::memberById(uint32_t id) {
  for (auto& [peer, m] : members)
    if (m->id == id && !m->leaving) return m.get();
  return nullptr;
}

size_t Transport::State::greetedCount() const {
  size_t n = 0;
  for (auto& [peer, m] : members) n += m->greeted;
  return n;
}

bool Transport::State::joinComplete() const {
  bool hostMet = false;
  for (auto& [peer, m] : members) {
    if (m->leaving) continue;
    if (m->outgoing && !m->greeted) return false;
    if (m->greeted && m->id == hostMember) hostMet = true;
  }
  return hostMet;
}

wire::Hello Transport::State::hello() const {
  wire::Hello h;
  h.instance = instance;
  h.member = self;
  h.joinOrder = joinOrder;
  std::vector<std::pair<uint64_t, wire::PlayerEntry>> mine;
  for (auto& [id, p] : players)
    if (p.owner == 0) mine.push_back({p.order, {id, p.name}});
  std::sort(mine.begin(), mine.end(), [](auto& a, auto& b) { return a.first < b.first; });
  for (auto& [order, entry] : mine) h.players.push_back(std::move(entry));
  return h;
}

void Transport::State::drop(Member& m) {
  if (m.leaving) return;
  m.leaving = true;
  m.greeted = false;
  // Later, so that a refusal queued just before still goes out.
  enet().enet_peer_disconnect_later(m.peer, kLeaveCode);
}

void Transport::State::onConnect(ENetPeer* peer) {
  auto it = members.find(peer);
  if (it == members.end()) {
    bool open = phase == Phase::Joining || phase == Phase::InSession;
    if (!open || members.size() >= wire::kMaxMembers + kSpareSlots / 2) {
      enet().enet_peer_disconnect_now(peer, 0);
      return;
    }
    auto m = std::make_unique<Member>();
    m->peer = peer;
    m->since = Clock::now();
    configure(peer);
    members[peer] = std::move(m);
    return;
  }
  Member& m = *it->second;
  if (m.leaving) return;
  wire::Hello h = hello();
  if (m.joinTarget) {
    h.joinRequest = true;
    h.joinOrder = 0;
  }
  sendBytes(m, wire::encode(h), true);
}

void Transport::State::onReceive(ENetPeer* peer, std::span<const uint8_t> bytes, bool reliable) {
  auto it = members.find(peer);
  if (it == members.end() || bytes.empty()) return;
  Member& m = *it->second;
  if (m.leaving) return;
  if (!m.greeted) {
    greet(m, bytes);
    return;
  }
  switch (static_cast<wire::Kind>(bytes[0])) {
    // Players coming and going are queued notices too, so a member churning them while
    // our program does not read meets the same limit as one sending messages.
    case wire::Kind::PlayerCreated: {
      wire::PlayerEntry p;
      if (wire::decodePlayerCreated(bytes, p) && roomFor(m, kItemOverhead)) addPlayers(m.id, {p});
      break;
    }
    case wire::Kind::PlayerDestroyed: {
      uint32_t id;
      if (!wire::decodePlayerDestroyed(bytes, id)) break;
      auto found = players.find(id);
      if (found != players.end() && found->second.owner == m.id && roomFor(m, kItemOverhead))
        removePlayer(id, true);
      break;
    }
    case wire::Kind::HostClaim: {
      uint32_t claimed;
      if (wire::decodeHostClaim(bytes, claimed)) onHostClaim(m, claimed);
      break;
    }
    case wire::Kind::User: onUser(m, bytes, reliable); break;
    default: break;  // unknown or out of place: ignored
  }
}

void Transport::State::greet(Member& m, std::span<const uint8_t> bytes) {
  auto kind = static_cast<wire::Kind>(bytes[0]);
  bool ok = false;
  if (!m.outgoing && kind == wire::Kind::Hello) {
    wire::Hello h;
    ok = wire::decode(bytes, h) && admit(m, h);
  } else if (m.joinTarget && kind == wire::Kind::Welcome) {
    wire::Welcome w;
    ok = wire::decode(bytes, w) && acceptWelcome(m, w);
  } else if (m.outgoing && kind == wire::Kind::Hello) {
    wire::Hello h;
    ok = wire::decode(bytes, h) && !h.joinRequest && h.member == m.id && h.instance == instance;
    if (ok) {
      m.greeted = true;
      addPlayers(m.id, h.players);
    }
  }
  if (ok) return;
  if (m.joinTarget) joinFailed = true;
  if (kind != wire::Kind::Refuse) sendBytes(m, wire::encodeRefuse(), true);
  drop(m);
}

bool Transport::State::admit(Member& m, const wire::Hello& h) {
  bool open = phase == Phase::InSession || (phase == Phase::Joining && !h.joinRequest);
  if (!open || h.instance != instance || h.member == self || memberById(h.member)) return false;
  if (h.joinRequest) {
    if (hostMember != self || greetedCount() >= wire::kMaxMembers) return false;
    m.joinOrder = nextJoinOrder++;
  } else {
    if (h.joinOrder == 0) return false;
    m.joinOrder = h.joinOrder;
    nextJoinOrder = std::max(nextJoinOrder, h.joinOrder + 1);
  }
  m.id = h.member;
  m.greeted = true;
  addPlayers(m.id, h.players);
  if (!h.joinRequest) return sendBytes(m, wire::encode(hello()), true);

  wire::Welcome w;
  w.self = hello();
  w.yourJoinOrder = m.joinOrder;
  w.sessionName = name;
  for (auto& [peer, other] : members) {
    if (other.get() == &m || !other->greeted) continue;
    w.members.push_back({other->id, other->joinOrder, peer->address.host, peer->address.port});
  }
  return sendBytes(m, wire::encode(w), true);
}

bool Transport::State::acceptWelcome(Member& m, const wire::Welcome& w) {
  if (phase != Phase::Joining || w.self.joinRequest || w.self.instance != instance) return false;
  if (w.self.joinOrder == 0 || w.self.member == self) return false;
  m.id = w.self.member;
  m.joinOrder = w.self.joinOrder;
  m.greeted = true;
  hostMember = m.id;
  joinOrder = w.yourJoinOrder;
  name = w.sessionName;
  nextJoinOrder = std::max({nextJoinOrder, joinOrder + 1, m.joinOrder + 1});
  addPlayers(m.id, w.self.players);
  for (const wire::MemberEntry& e : w.members) {
    if (e.member == self || e.member == m.id || memberById(e.member)) continue;
    ENetAddress address{};
    address.host = e.host;
    address.port = e.port;
    ENetPeer* peer = enet().enet_host_connect(host, &address, 2, 0);
    if (!peer) continue;
    configure(peer);
    auto other = std::make_unique<Member>();
    other->peer = peer;
    other->id = e.member;
    other->joinOrder = e.joinOrder;
    other->outgoing = true;
    other->since = Clock::now();
    nextJoinOrder = std::max(nextJoinOrder, e.joinOrder + 1);
    members[peer] = std::move(other);
  }
  return true;
}

void Transport::State::onDisconnect(ENetPeer* peer, uint32_t data) {
  auto it = members.find(peer);
  if (it == members.end()) return;
  std::unique_ptr<Member> m = std::move(it->second);
  members.erase(it);
  if (!m->greeted) {
    if (m->joinTarget && phase == Phase::Joining) joinFailed = true;
    return;
  }
  departed(m->id, data != kLeaveCode);
}

void Transport::State::departed(uint32_t member, bool timedOut) {
  removePlayersOf(member);
  if (phase == Phase::Joining) {
    if (member == hostMember) joinFailed = true;
    return;
  }
  if (phase != Phase::InSession) return;
  // Everyone gone silent at once: it is our connection that failed, not theirs.
  if (hostMember != self && greetedCount() == 0 && timedOut) {
    phase = Phase::Lost;
    Incoming lost;
    lost.kind = Incoming::Kind::SessionLost;
    notice(std::move(lost));
    return;
  }
  if (member == hostMember) elect();
}

void Transport::State::elect() {
  auto best = seniority(joinOrder, self);
  uint32_t chosen = self;
  for (auto& [peer, m] : members) {
    if (!m->greeted) continue;
    auto s = seniority(m->joinOrder, m->id);
    if (s < best) {
      best = s;
      chosen = m->id;
    }
  }
  hostMember = chosen;
  if (chosen != self) return;
  Incoming became;
  became.kind = Incoming::Kind::HostMigrated;
  notice(std::move(became));
  sendToAll(wire::encodeHostClaim(self));
}

void Transport::State::onHostClaim(Member& m, uint32_t claimed) {
  if (claimed != m.id) return;  // a member claims only for itself
  if (hostMember == self && seniority(joinOrder, self) < seniority(m.joinOrder, m.id)) {
    sendBytes(m, wire::encodeHostClaim(self), true);  // we were first: the claimant yields
    return;
  }
  hostMember = m.id;
}

}  // namespace korva::net
