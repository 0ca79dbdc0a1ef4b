#include "multiplay/session/session.h"

#include <cstdio>
#include <cstring>

#include "multiplay/start_dialog.h"
#include "multiplay/transport/transport.h"
#include "multiplay/transport/wire.h"

namespace korva::net {
namespace {

constexpr size_t kInitialBuffer = 1024;

// Buffers grow to half as much again as asked, so a run of slightly larger messages does
// not reallocate every time.
size_t grown(size_t need) { return need + need / 2; }

}  // namespace

Session::Session() : sendBuffer_(kInitialBuffer), receiveBuffer_(kInitialBuffer) {}

Session::~Session() {
  close();
  players_.clear();
}

int Session::startWithDialog(StartDialog* dialog) {
  StartDialogModel model;
  model.open();
  if (dialog) {
    dialog->run(model);
  } else {
    std::fputs("StartNetGame: no start dialog is available in this build\n", stderr);
  }
  if (!model.ended()) model.cancel();
  int result = model.result();
  if (result != 1 && result != 2) return 0;
  transport_ = model.takeSession();
  return transport_ ? result : 0;
}

int Session::hostGame(std::string_view name) {
  auto t = std::make_unique<Transport>();
  if (!t->initialize("") || !t->create(name)) return 0;
  transport_ = std::move(t);
  return 2;
}

int Session::joinGame(std::string_view name, std::string_view address) {
  auto t = std::make_unique<Transport>();
  std::vector<SessionInfo> found;
  if (!t->initialize(address) || !t->enumerate(found, false)) return 0;
  for (const SessionInfo& s : found) {
    if (s.name != name) continue;
    if (!t->join(s)) return 0;
    transport_ = std::move(t);
    return 1;
  }
  return 0;
}

bool Session::learnPlayers() {
  std::vector<PlayerInfo> all;
  if (!transport_->players(all)) return false;
  for (PlayerInfo& p : all)
    if (!players_.find(p.id)) players_.add(p.id, std::move(p.name), true);
  return true;
}

int Session::finishStart(int result) {
  players_.clear();
  if (result == 0 || !transport_) return 0;
  if (!learnPlayers()) {
    close();
    return 0;
  }
  host_ = result == 2;
  return result;
}

void Session::close() {
  if (!transport_) return;
  transport_->close();
  transport_.reset();
}

uint32_t Session::createPlayer(std::string_view name) {
  uint32_t id = transport_->createPlayer(name);
  if (id == 0) return 0;
  players_.add(id, std::string(name), false);
  // The first player of this process also brings in everyone already playing.
  if (players_.size() == 1 && !learnPlayers()) {
    transport_->destroyPlayer(id);
    players_.destroy(id);
    return 0;
  }
  return id;
}

void Session::deletePlayer(uint32_t id) {
  if (!players_.find(id)) return;
  transport_->destroyPlayer(id);
  players_.destroy(id);
}

bool Session::receive() {
  message_ = NetMessage{};
  while (true) {
    if (message_.type != 0) return true;
    if (NetPlayer* p = players_.takeUnannounced()) {
      message_.from = static_cast<int32_t>(p->id);
      message_.type = kPlayerJoined;
      return true;
    }
    Incoming in;
    ReceiveStatus status = transport_->receive(receiveBuffer_, in);
    if (status == ReceiveStatus::BufferTooSmall) {
      receiveBuffer_.assign(grown(in.size), 0);
      status = transport_->receive(receiveBuffer_, in);
    }
    if (status != ReceiveStatus::Ok) return false;
    switch (in.kind) {
      case Incoming::Kind::Message: {
        if (in.size < kPacketHeader) break;  // too short to be a packet: dropped
        const uint8_t* b = receiveBuffer_.data();
        uint32_t from = wire::getU32(b), to = wire::getU32(b + 4);
        NetPlayer* sender = players_.find(from);
        if (sender && !sender->remote) break;  // our own players' packets never come back
        // Type 0 is consumed without a trace, so the current message stays reset.
        if (b[8] == 0) break;
        message_.from = static_cast<int32_t>(from);
        message_.to = static_cast<int32_t>(to);
        message_.type = b[8];
        message_.data.assign(reinterpret_cast<const char*>(b + kPacketHeader), in.size - kPacketHeader);
        break;
      }
      case Incoming::Kind::PlayerCreated:
        if (!players_.find(in.player)) players_.add(in.player, std::move(in.name), true);
        break;
      case Incoming::Kind::PlayerDestroyed:
        if (players_.find(in.player)) {
          players_.destroy(in.player);
          message_.from = static_cast<int32_t>(in.player);
          message_.type = kPlayerLeft;
        }
        break;
      case Incoming::Kind::SessionLost:
        message_.type = kSessionLost;
        return true;
      case Incoming::Kind::HostMigrated:
        if (!host_) {
          host_ = true;
          message_.type = kBecameHost;
        }
        break;
    }
  }
}

bool Session::send(int32_t type, std::string_view data, uint32_t from, uint32_t to, bool reliable) {
  size_t need = kPacketHeader + data.size();
  // A packet the session would refuse anyway is not worth a buffer of its size.
  if (need > wire::kMaxPayload) return false;
  if (sendBuffer_.size() < need) sendBuffer_.assign(grown(need), 0);
  uint8_t* b = sendBuffer_.data();
  wire::putU32(b, from);
  wire::putU32(b + 4, to);
  b[8] = static_cast<uint8_t>(type);
  if (!data.empty()) std::memcpy(b + kPacketHeader, data.data(), data.size());
  return transport_->send(from, to, {b, need}, reliable);
}

}  // namespace korva::net
