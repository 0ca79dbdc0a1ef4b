// What the stream module's shut-down reaches of the TCP commands.
#pragma once

namespace korva::io {

// Closes every server (with its accepted streams), then every stream OpenTCPStream made.
void closeAllTcp();

}  // namespace korva::io
