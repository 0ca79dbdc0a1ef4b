// Finding games: probes go to a named address or to the whole local network, and the host
// of a game answers each with an advertisement, on the game's own socket.
#include <algorithm>
#include <charconv>

#include "multiplay/transport/state.h"

namespace korva::net {
namespace {

// Answers per second a host gives at most, so it cannot be used to flood someone else.
constexpr double kRepliesPerSecond = 20;
constexpr double kReplyBurst = 20;
constexpr auto kForgetAfter = std::chrono::seconds(10);

bool sameAddress(const ENetAddress& a, const ENetAddress& b) { return a.host == b.host && a.port == b.port; }

}  // namespace

bool Transport::State::resolveTargets(std::string_view address) {
  targets.clear();
  broadcast = false;
  ENetAddress target{};
  target.port = settings.port;
  if (address.empty()) {
    if (settings.loopbackDiscovery) {
      enet().enet_address_set_host_ip(&target, "127.0.0.1");
    } else {
      target.host = ENET_HOST_BROADCAST;
      broadcast = true;
    }
    targets.push_back(target);
    return true;
  }
  // "host" or "host:port"
  std::string hostName(address);
  if (size_t colon = hostName.rfind(':'); colon != std::string::npos) {
    unsigned port = 0;
    const char* first = hostName.data() + colon + 1;
    const char* last = hostName.data() + hostName.size();
    auto [end, ec] = std::from_chars(first, last, port);
    if (ec != std::errc() || end != last || port == 0 || port > 65535) return false;
    target.port = static_cast<uint16_t>(port);
    hostName.resize(colon);
  }
  if (hostName.empty() || enet().enet_address_set_host(&target, hostName.c_str()) != 0) return false;
  targets.push_back(target);
  return true;
}

void Transport::State::sendProbe() {
  if (!host) return;
  std::vector<uint8_t> probe = wire::encodeProbe();
  ENetBuffer buffer{probe.data(), probe.size()};
  for (const ENetAddress& target : targets) enet().enet_socket_send(host->socket, &target, &buffer, 1);
}

void Transport::State::onDiscovery(std::span<const uint8_t> bytes, const ENetAddress& from) {
  if (wire::isProbe(bytes)) {
    if (phase != Phase::InSession || hostMember != self) return;
    auto now = Clock::now();
    double elapsed = std::chrono::duration<double>(now - tokensAt).count();
    tokensAt = now;
    replyTokens = std::min(kReplyBurst, replyTokens + elapsed * kRepliesPerSecond);
    if (replyTokens < 1) return;
    replyTokens -= 1;
    wire::Advert ad;
    ad.instance = instance;
    ad.name = name;
    ad.currentPlayers = static_cast<uint32_t>(players.size());
    std::vector<uint8_t> bytesOut = wire::encode(ad);
    ENetBuffer buffer{bytesOut.data(), bytesOut.size()};
    enet().enet_socket_send(host->socket, &from, &buffer, 1);
    return;
  }
  wire::Advert ad;
  if (phase != Phase::Ready || !wire::decode(bytes, ad)) return;
  // A named address answers for itself; anyone else speaking up is ignored.
  if (!broadcast && std::none_of(targets.begin(), targets.end(), [&](auto& t) { return sameAddress(t, from); }))
    return;
  SessionInfo info;
  info.instance = ad.instance;
  info.name = std::move(ad.name);
  info.currentPlayers = ad.currentPlayers;
  info.maxPlayers = ad.maxPlayers;
  info.user1 = ad.user1;
  info.user2 = ad.user2;
  info.host = from.host;
  info.port = from.port;
  auto now = Clock::now();
  for (Seen& seen : adverts) {
    if (seen.info.instance == info.instance) {
      seen = {std::move(info), now};
      return;
    }
  }
  std::erase_if(adverts, [&](const Seen& seen) { return now - seen.at > kForgetAfter; });
  if (adverts.size() < kMaxAdverts) adverts.push_back({std::move(info), now});
}

std::vector<SessionInfo> Transport::State::recentAdverts(Clock::duration within) const {
  auto since = Clock::now() - within;
  std::vector<SessionInfo> out;
  for (const Seen& seen : adverts)
    if (seen.at >= since) out.push_back(seen.info);
  return out;
}

}  // namespace korva::net
