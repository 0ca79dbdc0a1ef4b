// A listening TCP socket and the connections it accepted that are still open.
#pragma once
#include <cstdint>
#include <map>
#include <memory>

#include "io/tcp/tcp_stream.h"

namespace korva::io {

class TcpServer {
 public:
  // Listens on port (low 16 bits) on every local IPv4 address; null on failure.
  static std::unique_ptr<TcpServer> listen(int32_t port);
  // Closes every accepted stream still open, then the listening socket.
  ~TcpServer();
  TcpServer(const TcpServer&) = delete;
  TcpServer& operator=(const TcpServer&) = delete;

  // The next pending connection, without waiting; null when none is waiting or the
  // server has failed.
  TcpStream* accept();
  // Closes one of this server's accepted streams; false when it has no such stream.
  bool closeAccepted(uint32_t handle);
  // 0 usable, -1 once a wait or an accept failed: it then accepts nothing more.
  int32_t state() const { return state_; }
  uint16_t port() const;

 private:
  explicit TcpServer(int socket) : socket_(socket) {}
  int socket_;
  int32_t state_ = 0;
  std::map<uint32_t, std::unique_ptr<TcpStream>> accepted_;
};

}  // namespace korva::io
