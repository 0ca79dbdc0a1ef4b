// The block registry: what the module hands to compiled code is freed by basic_destroy at
// the latest, and only blocks it handed out are ever freed.
#include <unordered_set>

#include "basic/internal.h"
#include "host/errors.h"

namespace korva::basic {
namespace {
std::unordered_set<uint32_t>& blocks() {
  static std::unordered_set<uint32_t> set;
  return set;
}
}  // namespace

void outOfMemory() { raiseRuntimeError("Out of memory"); }

void* blockAlloc(uint64_t size) {
  void* p = size <= guest::kRegionSize ? guest::alloc(static_cast<uint32_t>(size)) : nullptr;
  if (!p) outOfMemory();
  blocks().insert(guest::addr(p));
  return p;
}

void* blockAllocZeroed(uint64_t size) {
  void* p = blockAlloc(size);
  std::memset(p, 0, size);
  return p;
}

bool blockFree(uint32_t p) {
  if (!blocks().erase(p)) return false;
  guest::free(guest::ptr(p));
  return true;
}

void freeAllBlocks() {
  for (uint32_t p : blocks()) guest::free(guest::ptr(p));
  blocks().clear();
}

size_t liveBlockCount() { return blocks().size(); }

}  // namespace korva::basic
