#include "core/handles.h"

#include <algorithm>
#include <unordered_map>

namespace korva {
namespace {

struct Entry {
  HandleKind kind;
  void* object;
};

struct Registry {
  std::unordered_map<uint32_t, Entry> map;
  uint32_t next = 0;
};

Registry& reg() {
  static Registry r;
  return r;
}

}  // namespace

uint32_t Handles::add(HandleKind kind, void* object) {
  Registry& r = reg();
  uint32_t h = ++r.next;
  if (h == 0) h = ++r.next;  // 2^32 handles in one process: wrap past 0
  r.map.emplace(h, Entry{kind, object});
  return h;
}

uint32_t Handles::issued() { return reg().next; }

void* Handles::find(uint32_t handle, HandleKind kind) {
  auto& m = reg().map;
  auto it = m.find(handle);
  if (it == m.end() || it->second.kind != kind) return nullptr;
  return it->second.object;
}

void* Handles::remove(uint32_t handle) {
  auto& m = reg().map;
  auto it = m.find(handle);
  if (it == m.end()) return nullptr;
  void* obj = it->second.object;
  m.erase(it);
  return obj;
}

std::vector<uint32_t> Handles::live(HandleKind kind) {
  std::vector<uint32_t> out;
  for (auto& [h, e] : reg().map)
    if (e.kind == kind) out.push_back(h);
  std::sort(out.begin(), out.end());
  return out;
}

size_t Handles::count(HandleKind kind) {
  size_t n = 0;
  for (auto& [h, e] : reg().map) n += e.kind == kind;
  return n;
}

void Handles::clear() { reg().map.clear(); }

}  // namespace korva
