// The session transport: one process's membership of a multiplayer session, over ENet.
//
// A session is a full mesh of members (processes). The host is the member that made it,
// or later the oldest member left; it answers searches and admits joiners, which then
// meet every other member directly. Each member owns its players and tells the others
// when it makes or destroys one. Guaranteed messages travel on a reliable ordered channel
// per pair of members, the others on an unreliable one.
//
// Lifecycle: initialize (a socket to search from) -> enumerate -> create or join ->
// in session (-> lost) -> close. A background thread services the network, so
// connections stay alive while the program does not receive; the methods are safe to
// call from one other thread (the program's).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "multiplay/transport/settings.h"
#include "multiplay/transport/wire.h"

namespace korva::net {

struct SessionInfo {
  wire::Guid instance{};
  std::string name;
  uint32_t maxPlayers = 0;  // 0: no limit
  uint32_t currentPlayers = 0;
  uint32_t user1 = 0;
  uint32_t user2 = 0;
  uint32_t host = 0;  // where the host answered from (IPv4, network order) and its port
  uint16_t port = 0;
};

struct PlayerInfo {
  uint32_t id = 0;
  std::string name;
  bool local = false;
};

// One thing received: a player's message, or a notice about the session.
struct Incoming {
  enum class Kind { Message, PlayerCreated, PlayerDestroyed, HostMigrated, SessionLost };
  Kind kind = Kind::Message;
  uint32_t from = 0, to = 0;  // Message
  size_t size = 0;            // Message: payload bytes (also when they did not fit)
  uint32_t player = 0;        // PlayerCreated, PlayerDestroyed
  std::string name;           // PlayerCreated
};

enum class ReceiveStatus { Ok, BufferTooSmall, NoMessages };

class Transport {
 public:
  explicit Transport(const NetSettings& settings = net::settings());
  ~Transport();  // closes
  Transport(const Transport&) = delete;
  Transport& operator=(const Transport&) = delete;

  // Opens a socket on a free port for searching and joining. address names where to
  // search ("host" or "host:port"); empty searches the local network.
  bool initialize(std::string_view address);
  // Sessions that answered. async: sends a search and returns at once what answered
  // recently; otherwise waits for answers (stops at the first one for a named address).
  bool enumerate(std::vector<SessionInfo>& out, bool async);
  // Makes a new session named name, hosted on the settings' port.
  bool create(std::string_view name);
  // Joins a session found by enumerate; returns once every member has been met.
  bool join(const SessionInfo& session);

  // Every player of the session, this process's included, oldest first.
  bool players(std::vector<PlayerInfo>& out) const;
  // A new player of this process: its id, or 0.
  uint32_t createPlayer(std::string_view name);
  // Only this process's players can be destroyed.
  bool destroyPlayer(uint32_t id);
  // from must be a player of this process; to a known player, or 0 for every player.
  bool send(uint32_t from, uint32_t to, std::span<const uint8_t> data, bool guaranteed);
  // Takes the oldest received item. A message larger than buffer stays queued and gives
  // BufferTooSmall with its size in out.size.
  ReceiveStatus receive(std::span<uint8_t> buffer, Incoming& out);

  // Leaves the session, telling the others, and frees the socket.
  void close();
  // Drops everything without telling anyone, as a process that is killed would.
  void vanish();

  bool inSession() const;
  bool isHost() const;
  // The local port, 0 when none is open.
  uint16_t port() const;

  struct State;

 private:
  std::unique_ptr<State> s_;
};

}  // namespace korva::net
