#include "guest/trap.h"

#include <cstdio>
#include <cstdlib>
#include <new>
#include <unordered_map>
#include <vector>

#include "guest/private/backend.h"
#include "guest/private/trap_table.h"

namespace korva::guest {
namespace {

constexpr uint32_t kMaxStubs = (kBackendPage - kFirstStub) / kStubSize;

struct Table {
  std::vector<TrapEntry> entries;
  std::unordered_map<TrapHandler, uint32_t> byHandler;
  const CpuBackend* backend;
  Table() {
    reserve();
    // No usable backend: stubs are written in the emulated form and never run.
    backend = activeBackend();
    if (!backend) backend = &emulatedBackend();
    entries.reserve(kMaxStubs);  // the backends read entries without a lock
  }
};

Table& table() {
  static Table t;
  return t;
}

// For trapEntry, which every guest call goes through: no guard of a local static.
const TrapEntry* g_entries = nullptr;
uint32_t g_entryCount = 0;

}  // namespace

uint32_t trapAddress(TrapHandler handler, bool floatResult, int argCount) {
  Table& t = table();
  auto it = t.byHandler.find(handler);
  if (it != t.byHandler.end()) return it->second;
  if (t.entries.size() >= kMaxStubs) {
    std::fprintf(stderr, "korva: too many registered routines\n");
    std::abort();
  }
  uint32_t index = static_cast<uint32_t>(t.entries.size());
  uint32_t stub = stubAddress(index);
  t.entries.push_back(TrapEntry{handler, argCount, floatResult});
  g_entries = t.entries.data();
  t.backend->writeStub(stub, index, floatResult);
  t.byHandler.emplace(handler, stub);
  __atomic_store_n(&g_entryCount, index + 1, __ATOMIC_RELEASE);  // the entry is complete
  return stub;
}

const TrapEntry* trapEntry(uint32_t index) {
  return index < __atomic_load_n(&g_entryCount, __ATOMIC_ACQUIRE) ? &g_entries[index] : nullptr;
}

bool callRoutine(const TrapEntry& t, uint32_t esp, CallFrame& frame, vxEx& ended) noexcept {
  try {
    try {
      if (!inGuest(esp, 4u * (t.argCount + 1))) raiseRuntimeError("Illegal memory address");
      frame.args = ptr<const Word>(esp + 4);
      t.handler(frame);
    } catch (const std::bad_alloc&) {
      raiseRuntimeError("Out of memory");
    } catch (const vxEx&) {
      throw;
    } catch (...) {
      raiseRuntimeError("Unknown runtime exception");
    }
  } catch (const vxEx& e) {
    ended = e;
    return false;
  }
  if (endRequested()) {
    ended = vxEx{nullptr};
    return false;
  }
  return true;
}

}  // namespace korva::guest
