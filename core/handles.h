// Process-wide registry of the handles that programs hold for run-time objects.
// Handles are non-zero, 32-bit and never reused within a run.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "core/errors.h"

namespace korva {

enum class HandleKind : uint8_t {
  Image = 1,
  Canvas,
  Font,
  Stream,
  Bank,
  Directory,
  Timer,
  Sound,
  Channel,
  TcpServer,
  Player,
  Other,
};

class Handles {
 public:
  // Enters object under a fresh handle.
  static uint32_t add(HandleKind kind, void* object);
  // The object of that kind under handle, or null when the handle is not live or of another kind.
  static void* find(uint32_t handle, HandleKind kind);
  template <class T>
  static T* get(uint32_t handle, HandleKind kind) {
    return static_cast<T*>(find(handle, kind));
  }
  // The same, as a command checks its handle: a dead one raises missing (the kind's
  // "... does not exist") under the debug flag, and gives null without it.
  template <class T>
  static T* checked(uint32_t handle, HandleKind kind, const char* missing) {
    T* object = get<T>(handle, kind);
    if (!object && debugFlag()) raiseRuntimeError(missing);
    return object;
  }
  // Removes handle; returns the object it held, or null when it was not live.
  static void* remove(uint32_t handle);
  // Live handles of a kind, oldest first.
  static std::vector<uint32_t> live(HandleKind kind);
  static size_t count(HandleKind kind);
  // The last handle handed out (0 before the first); the count of a run's handles so far.
  static uint32_t issued();
  // Forgets every handle (objects are not touched); the counter keeps going, so no
  // handle of an earlier run comes back.
  static void clear();
};

}  // namespace korva
