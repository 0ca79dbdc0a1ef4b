#include "basic/strings.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "basic/internal.h"

namespace korva {

// Lives in guest memory, and compiled code only ever holds its address. Whatever decides
// what the run-time reads or writes (the lists, the length, where the text is) is kept on
// the host side under the id written here, and the id counts only when its host entry
// names this very record: a program that scribbles over a record, or keeps one it released,
// at worst changes the text it reads.
struct vxStr {
  uint32_t id;
  char inl[60];  // the text when it fits, NUL-terminated
};
static_assert(sizeof(vxStr) == 64);

namespace {

constexpr uint32_t kInlineCapacity = sizeof(vxStr::inl) - 1;
constexpr uint32_t kPoolRecords = 512;
constexpr uint32_t kNil = UINT32_MAX;

struct Slot {
  uint64_t serial;    // creation order, for listing live strings oldest first
  uint32_t record;    // the guest address of the vxStr
  uint32_t next;      // free list
  uint32_t length;
  uint32_t capacity;  // text bytes available, not counting the NUL; 0 while free
  uint32_t heap;      // guest address of the text when it does not fit inline, else 0
  bool live() const { return capacity != 0; }
};

struct Pool {
  std::vector<Slot> slots;
  uint32_t freeHead = kNil, freeTail = kNil;
  uint64_t serial = 0;
  size_t live = 0;
} g_pool;

// The id of a live string, or kNil. Records never lie in the trap area, and only a
// record's own address passes.
uint32_t liveId(const vxStr* s) {
  if (!guest::inGuest(s, 4)) return kNil;
  auto a = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(s));
  uint32_t id = guest::load32(a);
  if (id >= g_pool.slots.size()) return kNil;
  const Slot& slot = g_pool.slots[id];
  return slot.record == a && slot.live() ? id : kNil;
}

// The live id of a string pointer that compiled code or a command handed over.
uint32_t checkedId(const vxStr* s) {
  uint32_t id = liveId(s);
  if (id == kNil) raiseRuntimeError("Illegal memory address");
  return id;
}
Slot& checkedLive(const vxStr* s) { return g_pool.slots[checkedId(s)]; }

inline char* text(const Slot& s) {
  return s.heap ? guest::ptr<char>(s.heap) : guest::ptr<vxStr>(s.record)->inl;
}

void grow() {
  auto* block = static_cast<vxStr*>(basic::blockAlloc(uint64_t(kPoolRecords) * sizeof(vxStr), basic::kPoolBlock));
  uint32_t first = static_cast<uint32_t>(g_pool.slots.size());
  for (uint32_t i = 0; i < kPoolRecords; ++i) {
    block[i].id = kNil;
    g_pool.slots.push_back(Slot{0, guest::addr(&block[i]), i + 1 < kPoolRecords ? first + i + 1 : kNil, 0, 0, 0});
  }
  if (g_pool.freeTail != kNil)
    g_pool.slots[g_pool.freeTail].next = first;
  else
    g_pool.freeHead = first;
  g_pool.freeTail = first + kPoolRecords - 1;
}

// Room for length bytes plus the NUL, keeping the first keep bytes; null (s unchanged)
// when guest memory has none. The capacity doubles where it can, else grows to the length.
char* tryReserve(Slot& s, uint64_t length, uint32_t keep) {
  if (length <= s.capacity) return text(s);
  if (length >= UINT32_MAX) return nullptr;
  uint64_t cap = std::max<uint64_t>(length, uint64_t(s.capacity) * 2);
  if (cap >= UINT32_MAX) cap = length;
  auto* buf = static_cast<char*>(guest::alloc(static_cast<uint32_t>(cap + 1)));
  if (!buf && cap > length) buf = static_cast<char*>(guest::alloc(static_cast<uint32_t>((cap = length) + 1)));
  if (!buf) return nullptr;
  char* old = text(s);
  std::memcpy(buf, old, keep);
  if (s.heap) guest::free(old);
  s.heap = guest::addr(buf);
  s.capacity = static_cast<uint32_t>(cap);
  return buf;
}

char* reserve(Slot& s, uint64_t length, uint32_t keep) {
  char* p = tryReserve(s, length, keep);
  if (!p) basic::outOfMemory();
  return p;
}

Slot& take() {
  if (g_pool.freeHead == kNil) grow();
  uint32_t id = g_pool.freeHead;
  Slot& s = g_pool.slots[id];
  g_pool.freeHead = s.next;
  if (g_pool.freeHead == kNil) g_pool.freeTail = kNil;
  s.serial = g_pool.serial++;
  s.length = 0;
  s.capacity = kInlineCapacity;
  s.heap = 0;
  auto* r = guest::ptr<vxStr>(s.record);
  r->id = id;
  r->inl[0] = 0;
  ++g_pool.live;
  return s;
}

void release(uint32_t id) {
  Slot& s = g_pool.slots[id];
  if (s.heap) guest::free(guest::ptr(s.heap));
  s.capacity = 0;
  s.heap = 0;
  s.next = kNil;
  if (g_pool.freeTail != kNil)
    g_pool.slots[g_pool.freeTail].next = id;
  else
    g_pool.freeHead = id;
  g_pool.freeTail = id;
  --g_pool.live;
}

}  // namespace

vxStr* vxStrNew(std::string_view t) {
  if (t.size() >= UINT32_MAX) basic::outOfMemory();
  Slot& s = take();
  if (t.size() > kInlineCapacity) {
    auto* buf = static_cast<char*>(guest::alloc(static_cast<uint32_t>(t.size() + 1)));
    if (!buf) {
      release(guest::load32(s.record));
      basic::outOfMemory();
    }
    s.heap = guest::addr(buf);
    s.capacity = static_cast<uint32_t>(t.size());
  }
  char* p = text(s);
  if (!t.empty()) std::memcpy(p, t.data(), t.size());
  p[t.size()] = 0;
  s.length = static_cast<uint32_t>(t.size());
  return guest::ptr<vxStr>(s.record);
}

void vxStrRelease(vxStr* s) {
  if (s) release(checkedId(s));
}

bool vxStrIsLive(const vxStr* s) { return liveId(s) != kNil; }

std::string_view vxStrView(const vxStr* s) {
  if (!s) return {};
  Slot& r = checkedLive(s);
  return {text(r), r.length};
}

const char* vxStrCStr(const vxStr* s) {
  if (!s) return "";
  Slot& r = checkedLive(s);
  char* p = text(r);
  p[r.length] = 0;  // the program may have written over it
  return p;
}

char* vxStrResize(vxStr* s, size_t length) {
  Slot& r = checkedLive(s);
  uint32_t old = r.length;
  char* p = reserve(r, length, old);
  if (length > old) std::memset(p + old, 0, length - old);
  p[length] = 0;
  r.length = static_cast<uint32_t>(length);
  return p;
}

char* vxStrTryResize(vxStr* s, size_t length) {
  Slot& r = checkedLive(s);
  uint32_t old = r.length;
  char* p = tryReserve(r, length, old);
  if (!p) return nullptr;
  if (length > old) std::memset(p + old, 0, length - old);
  p[length] = 0;
  r.length = static_cast<uint32_t>(length);
  return p;
}

void vxStrAssign(vxStr* s, std::string_view t) {
  Slot& r = checkedLive(s);
  // Text that lies inside s is never longer than the capacity, so it is not moved away.
  char* p = t.size() <= r.capacity ? text(r) : reserve(r, t.size(), 0);
  if (!t.empty()) std::memmove(p, t.data(), t.size());
  p[t.size()] = 0;
  r.length = static_cast<uint32_t>(t.size());
}

size_t liveStringCount() { return g_pool.live; }

namespace basic {

void stringsDestroy() {
  for (uint32_t id = 0; id < g_pool.slots.size(); ++id)
    if (g_pool.slots[id].live()) release(id);
  g_pool = Pool{};  // the pool blocks go with the block registry
}

void forEachLiveString(const std::function<void(uint32_t)>& fn) {
  std::vector<const Slot*> live;
  live.reserve(g_pool.live);
  for (const Slot& s : g_pool.slots)
    if (s.live()) live.push_back(&s);
  std::sort(live.begin(), live.end(), [](const Slot* a, const Slot* b) { return a->serial < b->serial; });
  for (const Slot* s : live) fn(s->record);
}

vxStr* StrConst(const char* t) { return vxStrNew(guest::checkedText(guest::addr(t))); }

vxStr* StrLoad(uint32_t* var) {
  uint32_t s = word(guest::addr(var));
  return vxStrNew(vxStrView(guest::ptr<vxStr>(s)));
}

void StrStore(uint32_t* var, vxStr* s) {
  uint32_t slot = guest::addr(var);
  uint32_t old = word(slot);
  if (s) checkedLive(s);
  if (old == guest::addr(s)) return;  // storing a variable's own string must not free it
  guest::store32(slot, guest::addr(s));
  vxStrRelease(guest::ptr<vxStr>(old));
}

void StrRelease(vxStr* s) { vxStrRelease(s); }

int32_t StrCompare(vxStr* a, vxStr* b) {
  std::string_view x = vxStrView(a), y = vxStrView(b);
  size_t n = std::min(x.size(), y.size());
  int c = n ? std::memcmp(x.data(), y.data(), n) : 0;
  if (c == 0) c = x.size() < y.size() ? -1 : x.size() > y.size() ? 1 : 0;
  vxStrRelease(a);
  if (b != a) vxStrRelease(b);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

vxStr* StrConcat(vxStr* a, vxStr* b) {
  if (!a) {
    if (!b) return vxStrNew({});
    checkedLive(b);  // handed back as the result: it must be a string
    return b;
  }
  Slot& r = checkedLive(a);
  uint32_t old = r.length;
  if (a == b) {  // joining a string to itself
    char* p = vxStrResize(a, uint64_t(old) * 2);
    std::memcpy(p + old, p, old);
    return a;
  }
  std::string_view t = vxStrView(b);
  if (!t.empty()) {
    char* p = reserve(r, uint64_t(old) + t.size(), old);
    std::memcpy(p + old, t.data(), t.size());
    p[old + t.size()] = 0;
    r.length = old + static_cast<uint32_t>(t.size());
  }
  vxStrRelease(b);
  return a;
}

int32_t StrToInt(vxStr* s) {
  int32_t v = textToInt(vxStrView(s));
  vxStrRelease(s);
  return v;
}

float StrToFloat(vxStr* s) {
  float v = textToFloat(vxStrView(s));
  vxStrRelease(s);
  return v;
}

vxStr* StrFromInt(int32_t v) { return vxStrNew(intToText(v)); }
vxStr* StrFromFloat(float v) { return vxStrNew(floatToText(v)); }

}  // namespace basic
}  // namespace korva
