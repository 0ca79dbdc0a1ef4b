// Helpers for multiplayer tests: a free loopback port, short time-outs, searching on
// loopback only, and waiting for messages with a deadline.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <thread>

#include "multiplay/multiplay.h"
#include "multiplay/session/session.h"
#include "support/loopback.h"

namespace korva::test {

using namespace std::chrono_literals;

// A UDP port nobody on this machine holds right now.
inline uint16_t freeUdpPort() { return freeLoopbackPort(SOCK_DGRAM); }

inline net::NetSettings fastSettings(uint16_t port) {
  net::NetSettings s;
  s.port = port;
  s.loopbackDiscovery = true;
  // Short enough for quick tests, long enough that a busy machine is not taken for a
  // dead peer.
  s.timings.pingIntervalMs = 100;
  s.timings.timeoutMinMs = 1000;
  s.timings.timeoutMaxMs = 2000;
  s.timings.connectMs = 4000;
  s.timings.searchMs = 400;
  s.timings.greetingMs = 1500;
  s.timings.leaveMs = 200;
  return s;
}

// Every test gets its own port and the short time-outs, in the process-wide settings.
class NetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = net::settings();
    net::settings() = fastSettings(freeUdpPort());
  }
  void TearDown() override { net::settings() = saved_; }
  uint16_t port() const { return net::settings().port; }

 private:
  net::NetSettings saved_;
};

// Calls step until it is true or the time is up.
inline bool eventually(const std::function<bool()>& step, std::chrono::milliseconds limit = 5000ms) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    if (step()) return true;
    std::this_thread::sleep_for(2ms);
  }
  return step();
}

// The next message s receives within the limit.
inline std::optional<net::NetMessage> next(net::Session& s, std::chrono::milliseconds limit = 8000ms) {
  if (eventually([&] { return s.receive(); }, limit)) return s.message();
  return std::nullopt;
}

// Receives until a message of that type arrives; what came before it is dropped.
inline std::optional<net::NetMessage> nextOfType(net::Session& s, int32_t type,
                                                 std::chrono::milliseconds limit = 8000ms) {
  if (eventually([&] { return s.receive() && s.message().type == type; }, limit)) return s.message();
  return std::nullopt;
}

}  // namespace korva::test
