// A TCP connection as a stream. Sockets stay blocking; every wait for data is bounded by
// the read time-out, so a silent peer stops a read instead of hanging the program.
#pragma once
#include <cstdint>

#include "io/stream.h"

namespace korva::io {

// The read time-out in milliseconds (10000 unless a test changed it).
int32_t tcpReadTimeoutMs();

class TcpStream final : public Stream {
 public:
  // Takes ownership of a connected socket.
  explicit TcpStream(int socket);
  // Shuts the socket down for sending and closes it.
  ~TcpStream() override;

  // Waits for data at most the read time-out, counted from the start of the read, or of
  // the command's Call; a wait that runs out fails the stream.
  int32_t read(void* buffer, int32_t count) override;
  int32_t readUntil(char* buffer, int32_t count, char delimiter) override;
  void abandon() override { state_ = -1; }
  int32_t write(const void* buffer, int32_t count) override;
  int32_t avail() override;
  // 0 open, 1 closed by the peer with nothing left to read, -1 failed.
  int32_t eof() override;
  Kind kind() const override { return Kind::Tcp; }

  // 0 usable, 1 the peer closed, -1 an error or a read time-out. Never returns to 0.
  int32_t state() const { return state_; }

 private:
  // Reads count bytes, or up to and with the delimiter when one is given.
  int32_t receive(char* out, int32_t count, const char* delimiter);

  int socket_;
  int32_t state_ = 0;
};

}  // namespace korva::io
