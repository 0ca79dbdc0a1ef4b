// The program's side of a multiplayer game: the session object, the host flag, the
// player table, the current message, and the packets the program sends and receives.
//
// A packet is [from: 4][to: 4][type: 1][data], little-endian. Receiving turns the
// session's notices into messages of the program's own numbering: 100 a remote player
// appeared, 101 one left, 102 this process became the host, 200 the session was lost.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "multiplay/session/players.h"

namespace korva::net {

class Transport;
class StartDialog;

inline constexpr size_t kPacketHeader = 9;
inline constexpr int32_t kPlayerJoined = 100;
inline constexpr int32_t kPlayerLeft = 101;
inline constexpr int32_t kBecameHost = 102;
inline constexpr int32_t kSessionLost = 200;

struct NetMessage {
  int32_t type = 0;  // 0: none
  int32_t from = -1;
  int32_t to = 0;
  std::string data;
};

class Session {
 public:
  Session();   // no game; both buffers 1024 bytes
  ~Session();  // leaves any game

  // A game counts as started exactly while a session object exists.
  bool started() const { return transport_ != nullptr; }
  bool host() const { return host_; }

  // Each start gives 0 (nothing started), 1 (joined) or 2 (created); pass the result to
  // finishStart, which may still turn it into 0.
  int startWithDialog(StartDialog* dialog);
  int hostGame(std::string_view name);
  int joinGame(std::string_view name, std::string_view address);
  int finishStart(int result);
  void close();

  PlayerTable& players() { return players_; }
  // A player of this process named name: its id, or 0.
  uint32_t createPlayer(std::string_view name);
  void deletePlayer(uint32_t id);

  // Fetches the next message into message(); false when none is waiting.
  bool receive();
  bool send(int32_t type, std::string_view data, uint32_t from, uint32_t to, bool reliable);
  const NetMessage& message() const { return message_; }

  size_t sendBufferSize() const { return sendBuffer_.size(); }
  size_t receiveBufferSize() const { return receiveBuffer_.size(); }
  Transport* transport() { return transport_.get(); }

 private:
  bool learnPlayers();

  std::unique_ptr<Transport> transport_;
  bool host_ = false;
  std::vector<uint8_t> sendBuffer_;
  std::vector<uint8_t> receiveBuffer_;
  NetMessage message_;
  PlayerTable players_;
};

}  // namespace korva::net
