// Players and messages: who owns which player, sending, and the queue of received items.
#include <algorithm>
#include <cstring>

#include "multiplay/transport/state.h"

namespace korva::net {
namespace {

// A session never holds more players than its members may own between them.
constexpr size_t kMaxPlayers = wire::kMaxMembers * wire::kMaxPlayersPerMember;

ENetPacket* packetFor(std::span<const uint8_t> bytes, bool reliable) {
  return enet().enet_packet_create(bytes.data(), bytes.size(), reliable ? ENET_PACKET_FLAG_RELIABLE : 0);
}

// A packet nobody took is ours to free.
void release(ENetPacket* packet) {
  if (packet && packet->referenceCount == 0) enet().enet_packet_destroy(packet);
}

}  // namespace

bool Transport::State::sendBytes(Member& m, std::span<const uint8_t> bytes, bool reliable) {
  ENetPacket* packet = packetFor(bytes, reliable);
  if (!packet) return false;
  bool ok = enet().enet_peer_send(m.peer, reliable ? kReliableChannel : kUnreliableChannel, packet) == 0;
  release(packet);
  return ok;
}

void Transport::State::sendToAll(std::span<const uint8_t> bytes) {
  for (auto& [peer, m] : members)
    if (m->greeted) sendBytes(*m, bytes, true);
}

void Transport::State::notice(Incoming item, uint32_t sender) {
  inboxBytes += kItemOverhead;
  if (sender) queuedBy[sender] += kItemOverhead;
  inbox.push_back({std::move(item), {}, sender});
}

bool Transport::State::roomFor(Member& m, size_t cost) {
  return inboxBytes + cost <= settings.inboxLimit || makeRoom(m, cost);
}

bool Transport::State::hasLocalPlayer() const {
  return std::any_of(players.begin(), players.end(), [](auto& p) { return p.second.owner == 0; });
}

void Transport::State::addPlayer(uint32_t owner, uint32_t id, std::string playerName) {
  players[id] = Player{playerName, owner, ++playerOrder};
  // Players that were there before we joined are found by listing, not announced.
  if (!joined || owner == 0) return;
  Incoming created;
  created.kind = Incoming::Kind::PlayerCreated;
  created.player = id;
  created.name = std::move(playerName);
  notice(std::move(created), owner);
}

void Transport::State::addPlayers(uint32_t owner, const std::vector<wire::PlayerEntry>& list) {
  size_t owned = 0;
  for (auto& [id, p] : players) owned += p.owner == owner;
  for (const wire::PlayerEntry& e : list) {
    if (players.count(e.id) || players.size() >= kMaxPlayers || owned >= wire::kMaxPlayersPerMember)
      continue;
    addPlayer(owner, e.id, e.name);
    ++owned;
  }
}

void Transport::State::removePlayer(uint32_t id, bool asked) {
  auto it = players.find(id);
  if (it == players.end()) return;
  uint32_t owner = it->second.owner;
  bool remote = owner != 0;
  players.erase(it);
  if (!remote || !joined) return;
  Incoming gone;
  gone.kind = Incoming::Kind::PlayerDestroyed;
  gone.player = id;
  notice(std::move(gone), asked ? owner : 0);
}

void Transport::State::removePlayersOf(uint32_t owner) {
  std::vector<std::pair<uint64_t, uint32_t>> theirs;
  for (auto& [id, p] : players)
    if (p.owner == owner) theirs.push_back({p.order, id});
  std::sort(theirs.begin(), theirs.end());
  for (auto& [order, id] : theirs) removePlayer(id);
}

void Transport::State::onUser(Member& m, std::span<const uint8_t> bytes, bool reliable) {
  uint32_t from, to;
  std::span<const uint8_t> payload;
  if (phase != Phase::InSession || !wire::decodeUser(bytes, from, to, payload)) return;
  // Only this process's players receive; a message for all needs at least one of them.
  if (to == 0 ? !hasLocalPlayer() : (!players.count(to) || players[to].owner != 0)) return;
  size_t cost = payload.size() + kItemOverhead;
  if (inboxBytes + cost > settings.inboxLimit && (!reliable || !makeRoom(m, cost))) return;
  Queued q;
  q.head.kind = Incoming::Kind::Message;
  q.head.from = from;
  q.head.to = to;
  q.head.size = payload.size();
  q.payload.assign(payload.begin(), payload.end());
  q.sender = m.id;
  inboxBytes += cost;
  queuedBy[m.id] += cost;
  inbox.push_back(std::move(q));
}

// Our program is not keeping up. Rather than grow without bound or lose guaranteed
// messages silently, the member that has the most waiting is cut off: its waiting
// messages go and its players leave. Unreliable messages are simply dropped when full.
bool Transport::State::makeRoom(Member& sender, size_t cost) {
  uint32_t hog = sender.id;
  size_t most = queuedBy[sender.id] + cost;
  for (auto& [id, bytes] : queuedBy) {
    if (bytes > most) {
      hog = id;
      most = bytes;
    }
  }
  std::erase_if(inbox, [&](const Queued& q) {
    if (q.sender != hog) return false;
    inboxBytes -= q.payload.size() + kItemOverhead;
    return true;
  });
  queuedBy.erase(hog);
  if (Member* m = memberById(hog)) drop(*m);
  departed(hog, false);
  return hog != sender.id && inboxBytes + cost <= settings.inboxLimit;
}

void Transport::State::unqueue(const Queued& q) {
  inboxBytes -= q.payload.size() + kItemOverhead;
  if (q.sender == 0) return;
  auto it = queuedBy.find(q.sender);
  if (it == queuedBy.end()) return;
  it->second -= std::min(it->second, q.payload.size() + kItemOverhead);
  if (it->second == 0) queuedBy.erase(it);
}

bool Transport::players(std::vector<PlayerInfo>& out) const {
  std::lock_guard<std::mutex> lock(s_->mu);
  if (s_->phase != Phase::InSession && s_->phase != Phase::Lost) return false;
  std::vector<std::pair<uint64_t, PlayerInfo>> all;
  for (auto& [id, p] : s_->players) all.push_back({p.order, {id, p.name, p.owner == 0}});
  std::sort(all.begin(), all.end(), [](auto& a, auto& b) { return a.first < b.first; });
  out.clear();
  for (auto& [order, info] : all) out.push_back(std::move(info));
  return true;
}

uint32_t Transport::createPlayer(std::string_view name) {
  State& s = *s_;
  std::lock_guard<std::mutex> lock(s.mu);
  if (s.phase != Phase::InSession || name.size() > wire::kMaxNameLength) return 0;
  size_t mine = 0;
  for (auto& [id, p] : s.players) mine += p.owner == 0;
  if (mine >= wire::kMaxPlayersPerMember || s.players.size() >= kMaxPlayers) return 0;
  uint32_t id = s.randomId();
  s.addPlayer(0, id, std::string(name));
  s.sendToAll(wire::encodePlayerCreated({id, std::string(name)}));
  enet().enet_host_flush(s.host);
  return id;
}

bool Transport::destroyPlayer(uint32_t id) {
  State& s = *s_;
  std::lock_guard<std::mutex> lock(s.mu);
  auto it = s.players.find(id);
  if (it == s.players.end() || it->second.owner != 0) return false;
  s.players.erase(it);
  if (s.phase == Phase::InSession) {
    s.sendToAll(wire::encodePlayerDestroyed(id));
    enet().enet_host_flush(s.host);
  }
  return true;
}

bool Transport::send(uint32_t from, uint32_t to, std::span<const uint8_t> data, bool guaranteed) {
  State& s = *s_;
  std::lock_guard<std::mutex> lock(s.mu);
  if (s.phase != Phase::InSession || data.size() > wire::kMaxPayload) return false;
  auto sender = s.players.find(from);
  if (sender == s.players.end() || sender->second.owner != 0) return false;
  Member* only = nullptr;
  if (to != 0) {
    auto receiver = s.players.find(to);
    if (receiver == s.players.end()) return false;
    // Between players of this process nothing travels; receiving drops such messages anyway.
    if (receiver->second.owner == 0) return true;
    only = s.memberById(receiver->second.owner);
    if (!only || !only->greeted) return false;
  }
  ENetPacket* packet = enet().enet_packet_create(nullptr, wire::kUserHeader + data.size(),
                                          guaranteed ? ENET_PACKET_FLAG_RELIABLE : 0);
  if (!packet) return false;
  wire::writeUserHeader(packet->data, from, to);
  if (!data.empty()) std::memcpy(packet->data + wire::kUserHeader, data.data(), data.size());
  uint8_t channel = guaranteed ? kReliableChannel : kUnreliableChannel;
  bool ok = true;
  if (only) {
    ok = enet().enet_peer_send(only->peer, channel, packet) == 0;
  } else {
    for (auto& [peer, m] : s.members)
      if (m->greeted) ok = enet().enet_peer_send(peer, channel, packet) == 0 && ok;
  }
  release(packet);
  enet().enet_host_flush(s.host);
  return ok;
}

ReceiveStatus Transport::receive(std::span<uint8_t> buffer, Incoming& out) {
  State& s = *s_;
  std::lock_guard<std::mutex> lock(s.mu);
  if (s.inbox.empty()) return ReceiveStatus::NoMessages;
  Queued& q = s.inbox.front();
  out = q.head;
  if (q.payload.size() > buffer.size()) return ReceiveStatus::BufferTooSmall;
  if (!q.payload.empty()) std::memcpy(buffer.data(), q.payload.data(), q.payload.size());
  s.unqueue(q);
  s.inbox.pop_front();
  return ReceiveStatus::Ok;
}

}  // namespace korva::net
