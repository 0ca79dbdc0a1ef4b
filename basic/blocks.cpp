// The block registry: what the module hands to compiled code is freed by basic_destroy at
// the latest, and only blocks it handed out are ever freed: a program that passes a pool's
// address as array storage cannot make the module free its own records.
#include <unordered_map>

#include "basic/internal.h"
#include "core/errors.h"

namespace korva::basic {
namespace {
std::unordered_map<uint32_t, BlockKind>& blocks() {
  static std::unordered_map<uint32_t, BlockKind> map;
  return map;
}
}  // namespace

void outOfMemory() { raiseRuntimeError("Out of memory"); }

namespace {
void* track(void* p, BlockKind kind) {
  if (!p) outOfMemory();
  blocks().emplace(guest::addr(p), kind);
  return p;
}
}  // namespace

void* blockAlloc(uint64_t size, BlockKind kind) {
  return track(size <= guest::kRegionSize ? guest::alloc(static_cast<uint32_t>(size)) : nullptr, kind);
}

void* blockAllocZeroed(uint64_t size, BlockKind kind) {
  return track(size <= guest::kRegionSize ? guest::allocZeroed(static_cast<uint32_t>(size)) : nullptr, kind);
}

bool blockFree(uint32_t p, BlockKind kind) {
  auto it = blocks().find(p);
  if (it == blocks().end() || it->second != kind) return false;
  blocks().erase(it);
  guest::free(guest::ptr(p));
  return true;
}

void freeAllBlocks() {
  for (auto [p, kind] : blocks()) guest::free(guest::ptr(p));
  blocks().clear();
}

size_t liveBlockCount() { return blocks().size(); }

}  // namespace korva::basic
