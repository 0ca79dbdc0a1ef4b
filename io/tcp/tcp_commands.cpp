// The TCP commands and the module's sets of servers and of streams it opened; accepted
// streams belong to their server.
#include <arpa/inet.h>
#include <errno.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <string>

#include "basic/strings.h"
#include "core/errors.h"
#include "core/handles.h"
#include "io/commands.h"
#include "io/io_run.h"
#include "io/tcp/tcp.h"
#include "io/tcp/tcp_server.h"

namespace korva::io {
namespace {

std::map<uint32_t, std::unique_ptr<TcpStream>>& openedStreams() {
  static std::map<uint32_t, std::unique_ptr<TcpStream>> streams;
  return streams;
}

std::map<uint32_t, std::unique_ptr<TcpServer>>& liveServers() {
  static std::map<uint32_t, std::unique_ptr<TcpServer>> servers;
  return servers;
}

TcpServer* serverOf(int32_t handle) {
  return Handles::checked<TcpServer>(static_cast<uint32_t>(handle), HandleKind::TcpServer, "TCP Server does not exist");
}

// A dotted address, else the host's first IPv4 address; false when there is none.
bool resolve(const std::string& name, in_addr& out) {
  if (inet_aton(name.c_str(), &out)) return true;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || !found) return false;
  out = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
  freeaddrinfo(found);
  return true;
}

// Connects a blocking socket; a signal that cuts the connect short does not fail it.
bool connectTo(int s, const sockaddr_in& addr) {
  if (connect(s, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0) return true;
  if (errno != EINTR) return false;
  pollfd p{s, POLLOUT, 0};
  while (::poll(&p, 1, -1) < 0)
    if (errno != EINTR) return false;
  int error = 0;
  socklen_t length = sizeof error;
  return getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

}  // namespace

void closeAllTcp() {
  auto& servers = liveServers();
  while (!servers.empty()) {
    Handles::remove(servers.begin()->first);
    servers.erase(servers.begin());
  }
  auto& streams = openedStreams();
  while (!streams.empty()) streams.erase(streams.begin());
}

int32_t OpenTCPStream(vxStr* server, int32_t port) {
  std::string name(vxStrView(server));
  vxStrRelease(server);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  if (!resolve(name, addr.sin_addr)) return 0;
  int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return 0;
  if (!connectTo(s, addr)) {
    ::close(s);
    return 0;
  }
  auto stream = std::make_unique<TcpStream>(s);
  uint32_t handle = stream->handle();
  openedStreams().emplace(handle, std::move(stream));
  return static_cast<int32_t>(handle);
}

void CloseTCPStream(int32_t stream) {
  auto handle = static_cast<uint32_t>(stream);
  Stream* s = Stream::find(handle);
  if (!s || s->kind() != Stream::Kind::Tcp) {
    if (debugFlag()) raiseRuntimeError("TCP Stream does not exist");
    return;
  }
  // Its owner closes it: the module for a stream it opened, a server for one it accepted.
  if (openedStreams().erase(handle)) return;
  for (auto& [h, server] : liveServers())
    if (server->closeAccepted(handle)) return;
}

int32_t CreateTCPServer(int32_t port) {
  std::unique_ptr<TcpServer> server = TcpServer::listen(port);
  if (!server) return 0;
  uint32_t handle = Handles::add(HandleKind::TcpServer, server.get());
  liveServers().emplace(handle, std::move(server));
  return static_cast<int32_t>(handle);
}

void CloseTCPServer(int32_t server) {
  if (!serverOf(server)) return;
  auto handle = static_cast<uint32_t>(server);
  Handles::remove(handle);
  liveServers().erase(handle);
}

int32_t AcceptTCPStream(int32_t server) {
  TcpServer* s = serverOf(server);
  pollOrEnd();
  // The poll may have run anything: look the server up again.
  s = s ? serverOf(server) : nullptr;
  TcpStream* accepted = s ? s->accept() : nullptr;
  return accepted ? static_cast<int32_t>(accepted->handle()) : 0;
}

namespace testing {
int32_t tcpServerPort(int32_t server) {
  auto& servers = liveServers();
  auto it = servers.find(static_cast<uint32_t>(server));
  return it == servers.end() ? 0 : it->second->port();
}
}  // namespace testing

}  // namespace korva::io
