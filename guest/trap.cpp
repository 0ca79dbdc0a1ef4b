#include "guest/trap.h"

#include <cstdio>
#include <cstdlib>
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


}  // namespace

namespace detail {
const TrapEntry* g_entries = nullptr;
uint32_t g_entryCount = 0;
CallObserver* g_callObserver = nullptr;
}  // namespace detail

void setCallObserver(CallObserver* observer) { detail::g_callObserver = observer; }

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
  detail::g_entries = t.entries.data();
  t.backend->writeStub(stub, index, floatResult);
  t.byHandler.emplace(handler, stub);
  __atomic_store_n(&detail::g_entryCount, index + 1, __ATOMIC_RELEASE);  // the entry is complete
  return stub;
}

}  // namespace korva::guest
