#include "io/stream.h"

#include "core/errors.h"
#include "core/handles.h"

namespace korva::io {
namespace {

// The stream found last: programs mostly read or write one stream many times in a row.
// Handles are never reused, so the pair stays true until that stream is destroyed.
uint32_t g_lastHandle = 0;
Stream* g_lastStream = nullptr;

}  // namespace

Stream::Stream() : handle_(Handles::add(HandleKind::Stream, this)) {}

Stream::~Stream() {
  if (g_lastHandle == handle_) {
    g_lastHandle = 0;
    g_lastStream = nullptr;
  }
  Handles::remove(handle_);
}

Stream* Stream::find(uint32_t handle) {
  if (handle != 0 && handle == g_lastHandle) return g_lastStream;
  Stream* s = Handles::get<Stream>(handle, HandleKind::Stream);
  if (s) {
    g_lastHandle = handle;
    g_lastStream = s;
  }
  return s;
}

int32_t Stream::readUntil(char* buffer, int32_t count, char delimiter) {
  int32_t done = 0;
  while (done < count && read(buffer + done, 1) == 1)
    if (buffer[done++] == delimiter) break;
  return done;
}

Stream* Stream::checked(int32_t handle) {
  Stream* s = find(static_cast<uint32_t>(handle));
  if (!s && debugFlag()) raiseRuntimeError("Stream does not exist");
  return s;
}

}  // namespace korva::io
