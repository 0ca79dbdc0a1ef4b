// The transport's settings: where games are hosted and searched for, and how quickly the
// transport gives up (tests change them).
#pragma once
#include <cstdint>

namespace korva::net {

// The UDP port games are hosted on and searched at, unless changed.
inline constexpr uint16_t kDefaultPort = 28780;

// How quickly the transport gives up. The defaults suit real networks; tests shorten them.
struct NetTimings {
  uint32_t pingIntervalMs = 500;  // keep-alive of a quiet connection
  uint32_t timeoutMinMs = 5000;   // a silent peer is given up between these two
  uint32_t timeoutMaxMs = 15000;
  uint32_t connectMs = 5000;      // a join, including meeting every other member
  uint32_t searchMs = 1500;       // a search for games that waits for answers
  uint32_t greetingMs = 5000;     // an incoming connection must introduce itself by then
  uint32_t leaveMs = 250;         // a closing session waits this long for goodbyes
};

struct NetSettings {
  uint16_t port = kDefaultPort;
  // Searching the local network probes 127.0.0.1 instead of broadcasting (tests).
  bool loopbackDiscovery = false;
  // Most bytes of received messages held for the program; a member that sends more while
  // the program does not read is cut off.
  uint32_t inboxLimit = 32u << 20;
  NetTimings timings;
};

// Read when a session object is made; change it only while no game runs.
NetSettings& settings();

}  // namespace korva::net
