#include "io/stream.h"

#include "host/errors.h"
#include "host/handles.h"

namespace korva::io {

Stream::Stream() : handle_(Handles::add(HandleKind::Stream, this)) {}

Stream::~Stream() { Handles::remove(handle_); }

Stream* Stream::find(uint32_t handle) { return Handles::get<Stream>(handle, HandleKind::Stream); }

Stream* Stream::checked(int32_t handle) {
  Stream* s = find(static_cast<uint32_t>(handle));
  if (!s && debugFlag()) raiseRuntimeError("Stream does not exist");
  return s;
}

}  // namespace korva::io
