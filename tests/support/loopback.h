// Sockets on 127.0.0.1 at ports the system picks. Header only, so that benchmarks use it
// without the test support library.
#pragma once
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

namespace korva::test {

// 127.0.0.1:port; port 0 asks the system for a free one when bound.
inline sockaddr_in loopbackAddress(uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

// A socket of type (SOCK_STREAM, SOCK_DGRAM) bound to a free loopback port; address is
// where it is bound.
inline int boundLoopbackSocket(int type, sockaddr_in& address) {
  int fd = socket(AF_INET, type, 0);
  address = loopbackAddress(0);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  return fd;
}

// A loopback port of that socket type that nothing holds right now.
inline uint16_t freeLoopbackPort(int type) {
  sockaddr_in address;
  close(boundLoopbackSocket(type, address));
  return ntohs(address.sin_port);
}

}  // namespace korva::test
