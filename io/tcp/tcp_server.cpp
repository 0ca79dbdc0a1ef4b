#include "io/tcp/tcp_server.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace korva::io {
namespace {

// Errors after which the server goes on. A client that vanished before its turn, or the
// network errors the system passes on from a pending connection, must not shut the server
// for everyone else; nor may running out of descriptors or memory for a moment: the
// connection waits in the queue and is taken once there is room again.
bool transientAcceptError(int error) {
  switch (error) {
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
    case EINTR:
    case ECONNABORTED:
    case EPROTO:
    case EPERM:  // a firewall rule refused it
    case ENETDOWN:
    case ENOPROTOOPT:
    case EHOSTDOWN:
    case ENONET:
    case EHOSTUNREACH:
    case EOPNOTSUPP:
    case ENETUNREACH:
    case EMFILE:
    case ENFILE:
    case ENOBUFS:
    case ENOMEM:
      return true;
    default:
      return false;
  }
}

}  // namespace

std::unique_ptr<TcpServer> TcpServer::listen(int32_t port) {
  // Non-blocking, so that a client that gives up between the readiness check and the
  // accept leaves the accept empty-handed instead of blocking the program.
  int s = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (s < 0) return nullptr;
  // A port whose earlier connections linger in TIME_WAIT can be listened on again at
  // once, as on the other platform; two live listeners on one port still fail.
  int on = 1;
  setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_ANY);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(s, 0x7FFFFFFF) != 0) {
    ::close(s);
    return nullptr;
  }
  return std::unique_ptr<TcpServer>(new TcpServer(s));
}

TcpServer::~TcpServer() {
  while (!accepted_.empty()) accepted_.erase(accepted_.begin());
  shutdown(socket_, SHUT_WR);
  ::close(socket_);
}

TcpStream* TcpServer::accept() {
  if (state_ != 0) return nullptr;
  pollfd p{socket_, POLLIN, 0};
  int r = ::poll(&p, 1, 0);
  if (r == 0 || (r < 0 && (errno == EINTR || errno == ENOMEM))) return nullptr;
  if (r < 0) {
    state_ = -1;
    return nullptr;
  }
  // The accepted socket does not inherit the listener's non-blocking flag.
  int s = accept4(socket_, nullptr, nullptr, SOCK_CLOEXEC);
  if (s < 0) {
    if (!transientAcceptError(errno)) state_ = -1;
    return nullptr;
  }
  auto stream = std::make_unique<TcpStream>(s);
  TcpStream* result = stream.get();
  accepted_.emplace(result->handle(), std::move(stream));
  return result;
}

bool TcpServer::closeAccepted(uint32_t handle) { return accepted_.erase(handle) > 0; }

uint16_t TcpServer::port() const {
  sockaddr_in addr{};
  socklen_t length = sizeof addr;
  if (getsockname(socket_, reinterpret_cast<sockaddr*>(&addr), &length) != 0) return 0;
  return ntohs(addr.sin_port);
}

}  // namespace korva::io
