#include "io/tcp/tcp_stream.h"

#include <errno.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "io/commands.h"

namespace korva::io {
namespace {

constexpr int32_t kReadTimeoutMs = 10000;
int32_t g_readTimeoutMs = kReadTimeoutMs;

// True when the socket turns readable (data, the peer's close or an error) by the deadline.
// poll rather than select: select's fixed set cannot hold descriptors above 1023.
bool waitReadable(int socket, Stream::Clock::time_point deadline) {
  for (;;) {
    pollfd p{socket, POLLIN, 0};
    // Rounded up: poll's millisecond grain must not end the wait early.
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Stream::Clock::now()).count();
    int r = ::poll(&p, 1, left > 0 ? static_cast<int>(left) : 0);
    if (r > 0) return true;
    if (r < 0 && errno != EINTR) return false;
    if (left <= 0) return false;
  }
}

}  // namespace

int32_t tcpReadTimeoutMs() { return g_readTimeoutMs; }

namespace testing {
void setTcpReadTimeoutMs(int32_t ms) { g_readTimeoutMs = ms > 0 ? ms : kReadTimeoutMs; }
}  // namespace testing

TcpStream::TcpStream(int socket) : socket_(socket) {
  // Values go out as they are written: two small writes (a string's length, then its
  // bytes) must not wait for the peer's delayed acknowledgement.
  int on = 1;
  setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  // A peer that stops reading fails a write after the read time-out instead of
  // blocking the program for ever.
  timeval tv{tcpReadTimeoutMs() / 1000, (tcpReadTimeoutMs() % 1000) * 1000};
  setsockopt(socket_, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

TcpStream::~TcpStream() {
  shutdown(socket_, SHUT_WR);
  ::close(socket_);
}

int32_t TcpStream::read(void* buffer, int32_t count) { return receive(static_cast<char*>(buffer), count, nullptr); }

int32_t TcpStream::readUntil(char* buffer, int32_t count, char delimiter) { return receive(buffer, count, &delimiter); }

int32_t TcpStream::receive(char* out, int32_t count, const char* delimiter) {
  if (state_ != 0 || count <= 0) return 0;
  const auto deadline = waitStart() + std::chrono::milliseconds(tcpReadTimeoutMs());
  int32_t done = 0;
  while (done < count) {
    if (!waitReadable(socket_, deadline)) {
      state_ = -1;
      break;
    }
    // Up to a delimiter, only what comes before it (and it) is taken: a look at what
    // waits, then exactly that much.
    ssize_t n = recv(socket_, out + done, static_cast<size_t>(count - done), delimiter ? MSG_PEEK : 0);
    const void* found = nullptr;
    if (n > 0 && delimiter) {
      found = std::memchr(out + done, *delimiter, static_cast<size_t>(n));
      if (found) n = static_cast<const char*>(found) - (out + done) + 1;
      n = recv(socket_, out + done, static_cast<size_t>(n), 0);
    }
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) {
      state_ = 1;
      break;
    }
    if (n < 0) {
      state_ = -1;
      break;
    }
    done += static_cast<int32_t>(n);
    if (found) break;
  }
  return done;
}

int32_t TcpStream::write(const void* buffer, int32_t count) {
  if (state_ != 0 || count <= 0) return 0;
  ssize_t n;
  do {
    // MSG_NOSIGNAL: a peer that vanished fails the write instead of killing the process.
    n = send(socket_, buffer, static_cast<size_t>(count), MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    state_ = -1;
    return 0;
  }
  return static_cast<int32_t>(n);
}

int32_t TcpStream::avail() {
  int n = 0;
  if (ioctl(socket_, FIONREAD, &n) != 0) {
    state_ = -1;
    return 0;
  }
  return n;
}

int32_t TcpStream::eof() {
  if (state_ != 0) return state_;
  pollfd p{socket_, POLLIN, 0};
  int r = ::poll(&p, 1, 0);
  if (r < 0 && errno != EINTR) {
    state_ = -1;
  } else if (r > 0 && avail() == 0 && state_ == 0) {
    state_ = 1;
  }
  return state_;
}

}  // namespace korva::io
