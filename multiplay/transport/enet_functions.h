// ENet's functions, loaded with the library the first time a program uses the network
// (core/optional_library.h). Every caller is behind enetReady().
#pragma once
#include <enet/enet.h>

#include "core/optional_library.h"

#define KORVA_ENET_FUNCTIONS(X)                                                                     \
  X(enet_initialize) X(enet_address_set_host) X(enet_address_set_host_ip) X(enet_crc32)            \
  X(enet_host_create) X(enet_host_destroy) X(enet_host_connect) X(enet_host_flush)                 \
  X(enet_host_service) X(enet_packet_create) X(enet_packet_destroy) X(enet_peer_send)              \
  X(enet_peer_disconnect_later) X(enet_peer_disconnect_now) X(enet_peer_timeout)                   \
  X(enet_peer_ping_interval) X(enet_socket_send) X(enet_socket_wait)

namespace korva::net {

struct EnetFunctions {
  KORVA_ENET_FUNCTIONS(KORVA_OPTIONAL_FUNCTION)
};

// Loads and brings up ENet once per process; false when the library is missing (said once
// on stderr) or will not start.
bool enetReady();
// The functions; only after enetReady() said yes.
const EnetFunctions& enet();

}  // namespace korva::net
