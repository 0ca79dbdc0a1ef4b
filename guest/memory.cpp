#include "guest/memory.h"

#include <sys/mman.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "guest/private/heap.h"
#include "core/errors.h"

namespace korva::guest {

void reserve() {
  static std::once_flag once;
  std::call_once(once, [] {
    void* want = ptr(kRegionBase);
    void* got = mmap(want, kRegionSize, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE | MAP_NORESERVE, -1, 0);
    if (got != want) {
      std::fprintf(stderr, "korva: cannot map guest memory at 0x%08x (%s)\n", kRegionBase,
                   got == MAP_FAILED ? std::strerror(errno) : "address taken");
      std::abort();
    }
    mprotect(ptr(kGuardBase), kPageSize, PROT_NONE);
  });
}

std::array<Area, 5> areas() {
  uint32_t codeEnd = codeInUseEnd();
  return {{
      {kTrapBase, kTrapSize, kRead | kExecute},
      {kGuardBase, kPageSize, kNoAccess},
      {kStackBase, kStackSize, kRead | kWrite},
      {kCodeBase, codeEnd - kCodeBase, kRead | kWrite | kExecute},
      {codeEnd, kRegionEnd - codeEnd, kRead | kWrite},
  }};
}

void* checked(uint32_t a, uint32_t size) {
  if (!inGuest(a, size)) raiseRuntimeError("Illegal memory address");
  return ptr(a);
}

const char* checkedText(uint32_t a) {
  if (!inGuest(a, 1)) raiseRuntimeError("Illegal memory address");
  if (!std::memchr(ptr(a), 0, kRegionEnd - a)) raiseRuntimeError("Illegal memory address");
  return ptr<const char>(a);
}

}  // namespace korva::guest
