// Transport lifecycle: the ENet host, the service thread, creating, joining and leaving.
#include <algorithm>
#include <cstring>

#include "multiplay/transport/state.h"

namespace korva::net {
namespace {

// Which State the current thread is servicing, for ENet's intercept callback, which
// carries no context of its own.
thread_local Transport::State* tlsServicing = nullptr;

constexpr uint32_t kWaitSliceMs = 10;

}  // namespace

namespace {

static_assert(ENET_VERSION_MAJOR == 1 && ENET_VERSION_MINOR == 3, "ENet 1.3 is libenet.so.7");

const EnetFunctions* startEnet() {
  const EnetFunctions* functions =
      loadOptionalTable<EnetFunctions>(OptionalPart::Network, [](OptionalLibrary& library, EnetFunctions& table) {
        bool ok = true;
        KORVA_ENET_FUNCTIONS(KORVA_BIND_OPTIONAL_FUNCTION)
        return ok;
      });
  return functions && functions->enet_initialize() == 0 ? functions : nullptr;
}

const EnetFunctions* enetOnce() {
  static const EnetFunctions* functions = startEnet();
  return functions;
}

}  // namespace

bool enetReady() { return enetOnce() != nullptr; }

const EnetFunctions& enet() { return *enetOnce(); }

NetSettings& settings() {
  static NetSettings s;
  return s;
}

Transport::State::State(const NetSettings& s) : settings(s), rng(std::random_device{}()) {}

uint32_t Transport::State::randomId() {
  uint32_t id;
  do {
    id = rng();
  } while (id == 0 || id == 0xFFFFFFFFu || players.count(id) || id == self);
  return id;
}

void Transport::State::configure(ENetPeer* peer) const {
  const NetTimings& t = settings.timings;
  enet().enet_peer_timeout(peer, ENET_PEER_TIMEOUT_LIMIT, t.timeoutMinMs, t.timeoutMaxMs);
  enet().enet_peer_ping_interval(peer, t.pingIntervalMs);
}

bool Transport::State::openHost(uint16_t port) {
  if (!enetReady()) return false;
  ENetAddress address{};
  address.host = ENET_HOST_ANY;
  address.port = port;
  ENetHost* h = enet().enet_host_create(&address, wire::kMaxMembers + kSpareSlots, 2, 0, 0);
  if (!h) return false;
  h->checksum = enet().enet_crc32;  // stray or damaged datagrams fail the check and are dropped
  h->intercept = &State::intercept;
  h->maximumPacketSize = wire::kMaxPayload + wire::kUserHeader;
  h->maximumWaitingData = 4 * wire::kMaxPayload;
  if (host) destroyHost(false);
  host = h;
  startService();
  return true;
}

void Transport::State::destroyHost(bool sayGoodbye) {
  if (!host) return;
  if (sayGoodbye && !members.empty()) {
    // Later: what was sent but not yet acknowledged still gets there first.
    for (auto& [peer, m] : members) enet().enet_peer_disconnect_later(peer, kLeaveCode);
    auto deadline = Clock::now() + std::chrono::milliseconds(settings.timings.leaveMs);
    ENetEvent ev;
    tlsServicing = this;
    auto anyConnected = [&] {
      for (auto& [peer, m] : members)
        if (peer->state != ENET_PEER_STATE_DISCONNECTED) return true;
      return false;
    };
    while (anyConnected() && Clock::now() < deadline) {
      int r = enet().enet_host_service(host, &ev, kWaitSliceMs);
      if (r < 0) break;
      if (r == 0) continue;
      if (ev.type == ENET_EVENT_TYPE_DISCONNECT) members.erase(ev.peer);
      if (ev.type == ENET_EVENT_TYPE_RECEIVE) enet().enet_packet_destroy(ev.packet);
    }
    tlsServicing = nullptr;
  }
  members.clear();
  // Resets every peer without a word, which is what a vanishing process looks like.
  enet().enet_host_destroy(host);
  host = nullptr;
}

void Transport::State::startService() {
  stopping = false;
  service = std::thread([this] { run(); });
}

void Transport::State::halt() {
  stopping = true;
  if (service.joinable()) service.join();
  stopping = false;
}

void Transport::State::run() {
  ENetSocket socket;
  {
    std::lock_guard<std::mutex> lock(mu);
    socket = host->socket;
  }
  while (!stopping) {
    {
      std::lock_guard<std::mutex> lock(mu);
      pump();
      housekeeping(Clock::now());
    }
    changed.notify_all();
    enet_uint32 condition = ENET_SOCKET_WAIT_RECEIVE;
    enet().enet_socket_wait(socket, &condition, kWaitSliceMs);
  }
}

void Transport::State::pump() {
  ENetEvent ev;
  tlsServicing = this;
  while (enet().enet_host_service(host, &ev, 0) > 0) {
    switch (ev.type) {
      case ENET_EVENT_TYPE_CONNECT: onConnect(ev.peer); break;
      case ENET_EVENT_TYPE_RECEIVE:
        onReceive(ev.peer, {ev.packet->data, ev.packet->dataLength},
                  (ev.packet->flags & ENET_PACKET_FLAG_RELIABLE) != 0);
        enet().enet_packet_destroy(ev.packet);
        break;
      case ENET_EVENT_TYPE_DISCONNECT: onDisconnect(ev.peer, ev.data); break;
      case ENET_EVENT_TYPE_NONE: break;
    }
  }
  tlsServicing = nullptr;
}

void Transport::State::housekeeping(Clock::time_point now) {
  auto limit = std::chrono::milliseconds(settings.timings.greetingMs);
  for (auto it = members.begin(); it != members.end();) {
    Member& m = *it->second;
    if (m.greeted || now - m.since < limit) {
      ++it;
      continue;
    }
    if (m.joinTarget) joinFailed = true;
    // Nothing is reported for a connection that never said who it was.
    enet().enet_peer_disconnect_now(m.peer, 0);
    it = members.erase(it);
  }
}

void Transport::State::resetSession() {
  instance = {};
  name.clear();
  self = joinOrder = hostMember = 0;
  nextJoinOrder = 1;
  joined = joinFailed = false;
  players.clear();
  inbox.clear();
  inboxBytes = 0;
  queuedBy.clear();
}

int Transport::State::intercept(ENetHost* host, ENetEvent*) {
  std::span<const uint8_t> bytes(host->receivedData, host->receivedDataLength);
  if (!wire::looksLikeDiscovery(bytes)) return 0;
  if (State* s = tlsServicing; s && s->host == host) s->onDiscovery(bytes, host->receivedAddress);
  return 1;
}

Transport::Transport(const NetSettings& settings) : s_(std::make_unique<State>(settings)) {}

Transport::~Transport() { close(); }

bool Transport::initialize(std::string_view address) {
  std::lock_guard<std::mutex> lock(s_->mu);
  if (s_->phase != Phase::Idle || !enetReady()) return false;
  if (!s_->resolveTargets(address) || !s_->openHost(0)) return false;
  s_->phase = Phase::Ready;
  return true;
}

bool Transport::create(std::string_view name) {
  if (name.size() > wire::kMaxNameLength) return false;
  State& s = *s_;
  {
    std::lock_guard<std::mutex> lock(s.mu);
    if (s.phase != Phase::Idle && s.phase != Phase::Ready) return false;
  }
  s.halt();
  std::lock_guard<std::mutex> lock(s.mu);
  // The search socket goes only once the game's own port is ours.
  if (!s.openHost(s.settings.port)) {
    if (s.host) s.startService();
    return false;
  }
  s.resetSession();
  for (uint8_t& b : s.instance) b = static_cast<uint8_t>(s.rng());
  s.name = name;
  s.self = s.randomId();
  s.joinOrder = 1;
  s.nextJoinOrder = 2;
  s.hostMember = s.self;
  s.joined = true;
  s.phase = Phase::InSession;
  return true;
}

bool Transport::join(const SessionInfo& session) {
  State& s = *s_;
  std::unique_lock<std::mutex> lock(s.mu);
  if (s.phase != Phase::Ready || session.port == 0) return false;
  s.resetSession();
  s.instance = session.instance;
  s.name = session.name;
  s.self = s.randomId();
  ENetAddress address{};
  address.host = session.host;
  address.port = session.port;
  ENetPeer* peer = enet().enet_host_connect(s.host, &address, 2, 0);
  if (!peer) return false;
  s.configure(peer);
  auto m = std::make_unique<Member>();
  m->peer = peer;
  m->outgoing = m->joinTarget = true;
  m->since = Clock::now();
  s.members[peer] = std::move(m);
  s.phase = Phase::Joining;

  auto deadline = Clock::now() + std::chrono::milliseconds(s.settings.timings.connectMs);
  s.changed.wait_until(lock, deadline, [&] { return s.joinFailed || s.joinComplete(); });
  Member* hostLink = s.joinFailed ? nullptr : s.memberById(s.hostMember);
  if (hostLink && hostLink->greeted) {
    // Members that did not answer in time are left out rather than failing the join.
    for (auto& [p, other] : s.members)
      if (!other->greeted) s.drop(*other);
    s.phase = Phase::InSession;
    s.joined = true;
    return true;
  }
  for (auto& [p, other] : s.members) s.drop(*other);
  s.resetSession();
  s.phase = Phase::Ready;
  return false;
}

bool Transport::enumerate(std::vector<SessionInfo>& out, bool async) {
  State& s = *s_;
  std::unique_lock<std::mutex> lock(s.mu);
  if (s.phase != Phase::Ready) return false;
  // An answer older than a few refreshes is a game that has gone.
  constexpr auto kRecent = std::chrono::milliseconds(3000);
  if (async) {
    s.sendProbe();
    out = s.recentAdverts(kRecent);
    return true;
  }
  s.adverts.clear();
  auto start = Clock::now();
  auto deadline = start + std::chrono::milliseconds(s.settings.timings.searchMs);
  constexpr auto kReprobe = std::chrono::milliseconds(250);
  auto nextProbe = start;
  while (true) {
    auto now = Clock::now();
    if (now >= nextProbe) {
      s.sendProbe();
      nextProbe = now + kReprobe;
    }
    // A named address has one game to hear from; the local network may have many.
    if ((!s.broadcast && !s.adverts.empty()) || now >= deadline) break;
    s.changed.wait_until(lock, std::min(deadline, nextProbe));
  }
  out = s.recentAdverts(Clock::now() - start);
  return true;
}

void Transport::close() {
  State& s = *s_;
  s.halt();
  std::lock_guard<std::mutex> lock(s.mu);
  s.destroyHost(true);
  s.resetSession();
  s.adverts.clear();
  s.phase = Phase::Idle;
}

void Transport::vanish() {
  State& s = *s_;
  s.halt();
  std::lock_guard<std::mutex> lock(s.mu);
  s.destroyHost(false);
  s.resetSession();
  s.phase = Phase::Idle;
}

bool Transport::inSession() const {
  std::lock_guard<std::mutex> lock(s_->mu);
  return s_->phase == Phase::InSession;
}

bool Transport::isHost() const {
  std::lock_guard<std::mutex> lock(s_->mu);
  return s_->phase == Phase::InSession && s_->hostMember == s_->self;
}

uint16_t Transport::port() const {
  std::lock_guard<std::mutex> lock(s_->mu);
  return s_->host ? s_->host->address.port : 0;
}

}  // namespace korva::net
