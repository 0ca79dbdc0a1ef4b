#include "basic/objects.h"

#include <bit>
#include <cstdio>
#include <iostream>
#include <string>
#include <unordered_map>

#include "basic/arrays.h"
#include "basic/internal.h"
#include "basic/strings.h"

namespace korva::basic {
namespace {

constexpr uint32_t kPoolRecords = 512;

struct State {
  size_t existing = 0;
  size_t unreleased = 0;
  // Records in every pool of this run. The lists live in guest memory where a program can
  // link them into a cycle; no honest walk takes more steps than there are records.
  uint64_t records = 0;
  int32_t lastHandle = 0;
  std::unordered_map<uint32_t, int32_t> toHandle;
  std::unordered_map<int32_t, uint32_t> fromHandle;
  // Types met in this run. A descriptor may still hold lists from an earlier run of the same
  // image, whose records are gone with that run's blocks: its lists start empty here.
  std::unordered_map<uint32_t, bool> types;  // descriptor -> whether its objects own nothing
  struct Recent {
    uint32_t type = 0;
    bool plain = false;
  } recent[64];
} g;

inline ObjHeader* hdr(uint32_t a) { return at<ObjHeader>(a); }
// The type of field i of a descriptor already checked by typeAt.
inline uint32_t fieldType(UserType* t, uint32_t i) { return guest::load32(guest::addr(t + 1) + 4 * i); }
inline uint32_t typeCode(uint32_t descriptor) { return word(descriptor); }

[[noreturn]] void badList() { raiseRuntimeError("Illegal memory address"); }

// Counts the steps of one walk over a guest list.
struct Steps {
  uint64_t left = g.records + 2;
  void take() {
    if (left-- == 0) badList();
  }
};

void makeEmpty(ObjHeader& sentinel) {
  uint32_t self = guest::addr(&sentinel);
  sentinel = ObjHeader{0, self, self, 0, -1};
}

bool ownsNothing(UserType* t) {
  for (uint32_t i = 0; i < t->fieldCount; ++i) {
    uint32_t code = typeCode(fieldType(t, i));
    if (code == kStringType || code == kUserType || code == kVectorType) return false;
  }
  return true;
}

[[gnu::noinline]] bool meetType(uint32_t a, UserType* t, State::Recent& slot) {
  auto [it, first] = g.types.try_emplace(a, false);
  if (first) {
    makeEmpty(t->used);
    makeEmpty(t->free);
    it->second = ownsNothing(t);
  }
  slot = {a, it->second};
  return it->second;
}

// The checked descriptor at a. plain tells whether its records hold nothing to release
// or allocate, so creating and deleting them can skip the field types.
inline UserType* typeAt(uint32_t a, bool* plain = nullptr) {
  UserType* t = at<UserType>(a);
  requireGuest(a, sizeof(UserType) + 4ull * t->fieldCount);
  State::Recent& slot = g.recent[(a >> 2) & 63];
  bool p = slot.type == a ? slot.plain : meetType(a, t, slot);
  if (plain) *plain = p;
  return t;
}

// The field slots of a record of type t.
inline guest::Word* slots(ObjHeader* o, UserType* t) {
  return at<guest::Word>(guest::addr(o) + sizeof(ObjHeader), 4ull * t->fieldCount);
}

void unlink(ObjHeader* o) {
  ObjHeader* prev = hdr(o->prev);
  ObjHeader* next = hdr(o->next);
  prev->next = o->next;
  next->prev = o->prev;
}

void linkBefore(ObjHeader* o, ObjHeader* pos) {
  uint32_t a = guest::addr(o);
  ObjHeader* prev = hdr(pos->prev);
  o->next = guest::addr(pos);
  o->prev = pos->prev;
  prev->next = a;
  pos->prev = a;
}

void grow(UserType* t) {
  uint64_t size = sizeof(ObjHeader) + 4ull * t->fieldCount;
  auto* block = static_cast<uint8_t*>(blockAlloc(size * kPoolRecords, kPoolBlock));
  for (uint32_t i = 0; i < kPoolRecords; ++i) {
    auto* o = reinterpret_cast<ObjHeader*>(block + i * size);
    *o = ObjHeader{0, 0, 0, guest::addr(t), 0};
    linkBefore(o, &t->free);
  }
  g.records += kPoolRecords;
}

ObjHeader* nextExisting(uint32_t a) {
  Steps steps;
  for (ObjHeader* o = hdr(a); o->type; o = hdr(o->next)) {
    if (o->fields) return o;
    steps.take();
  }
  return nullptr;
}

ObjHeader* prevExisting(uint32_t a) {
  Steps steps;
  for (ObjHeader* o = hdr(a); o->type; o = hdr(o->prev)) {
    if (o->fields) return o;
    steps.take();
  }
  return nullptr;
}

void addRef(ObjHeader* o) {
  if (o) hdr(guest::addr(o))->refs++;
}

void appendText(std::string& out, ObjHeader* obj, int& depth, uint32_t& root) {
  if (out.size() > kObjTextLimit) outOfMemory();
  if (!obj || !hdr(guest::addr(obj))->fields) {
    out += "[NULL]";
    return;
  }
  uint32_t a = guest::addr(obj);
  if (a == root) {
    out += "[ROOT]";
    return;
  }
  if (depth == 8) {
    out += "....";
    return;
  }
  ++depth;
  uint32_t outerRoot = root;
  if (!root) root = a;
  UserType* t = typeAt(obj->type);
  guest::Word* v = slots(obj, t);
  out += '[';
  for (uint32_t i = 0; i < t->fieldCount; ++i) {
    if (out.size() > kObjTextLimit) outOfMemory();
    if (i) out += ',';
    switch (typeCode(fieldType(t, i))) {
      case kIntType: out += intToText(static_cast<int32_t>(v[i])); break;
      case kFloatType: out += floatToText(std::bit_cast<float>(static_cast<uint32_t>(v[i]))); break;
      case kStringType:
        out += '"';
        out += vxStrView(guest::ptr<vxStr>(v[i]));
        out += '"';
        break;
      case kUserType: appendText(out, guest::ptr<ObjHeader>(v[i]), depth, root); break;
      default: out += "???";
    }
  }
  out += ']';
  --depth;
  root = outerRoot;
}

// Drops one reference; at 0 the record goes to the end of its type's free list.
inline void dropRef(ObjHeader* o, UserType* t) {
  // Free records are not released again, and only delete gives up the list's reference.
  if (o->refs <= 0 || (o->fields && o->refs == 1)) return;
  if (--o->refs > 0) return;
  unlink(o);
  linkBefore(o, &t->free);
  --g.unreleased;
}

}  // namespace

ObjHeader* ObjNew(UserType* type) {
  bool plain;
  UserType* t = typeAt(guest::addr(type), &plain);
  if (t->free.next == guest::addr(&t->free)) grow(t);
  ObjHeader* o = hdr(t->free.next);
  guest::Word* v = slots(o, t);
  unlink(o);
  o->type = guest::addr(t);
  o->refs = 1;
  for (uint32_t i = 0; i < t->fieldCount; ++i) v[i] = 0;
  o->fields = guest::addr(v);
  linkBefore(o, &t->used);
  ++g.existing;
  ++g.unreleased;
  for (uint32_t i = 0; !plain && i < t->fieldCount; ++i) {
    uint32_t ft = fieldType(t, i);
    if (typeCode(ft) == kVectorType) v[i] = guest::addr(VecAlloc(guest::ptr<VecType>(ft)));
  }
  return o;
}

void ObjDelete(ObjHeader* obj) {
  if (!obj) return;
  ObjHeader* o = hdr(guest::addr(obj));
  if (!o->fields) return;
  bool plain;
  UserType* t = typeAt(o->type, &plain);
  guest::Word* v = slots(o, t);
  for (uint32_t i = 0; !plain && i < t->fieldCount; ++i) {
    uint32_t ft = fieldType(t, i);
    uint32_t value = v[i];
    v[i] = 0;
    switch (typeCode(ft)) {
      case kStringType: vxStrRelease(guest::ptr<vxStr>(value)); break;
      case kUserType: ObjRelease(guest::ptr<ObjHeader>(value)); break;
      case kVectorType: VecFree(guest::ptr<uint32_t>(value), guest::ptr<VecType>(ft)); break;
      default: break;
    }
  }
  if (!g.toHandle.empty()) {
    auto it = g.toHandle.find(guest::addr(o));
    if (it != g.toHandle.end()) {
      g.fromHandle.erase(it->second);
      g.toHandle.erase(it);
    }
  }
  o->fields = 0;
  --g.existing;
  dropRef(o, t);
}

void ObjDeleteEach(UserType* type) {
  UserType* t = typeAt(guest::addr(type));
  // Deleting one object can drop the last reference to the deleted record after it, which
  // would then leave the list: each successor is held while its predecessor goes.
  ObjHeader* o = hdr(t->used.next);
  if (!o->type) return;
  addRef(o);
  Steps steps;
  while (o) {
    steps.take();
    ObjHeader* next = hdr(o->next);
    if (next->type)
      addRef(next);
    else
      next = nullptr;
    ObjDelete(o);
    ObjRelease(o);
    o = next;
  }
}

void ObjRelease(ObjHeader* obj) {
  if (!obj) return;
  ObjHeader* o = hdr(guest::addr(obj));
  if (o->refs > 1) {
    --o->refs;
    return;
  }
  dropRef(o, typeAt(o->type));
}

void ObjStore(uint32_t* var, ObjHeader* obj) {
  guest::Word& slot = *at<guest::Word>(guest::addr(var));
  addRef(obj);
  ObjRelease(guest::ptr<ObjHeader>(slot));
  slot = guest::addr(obj);
}

int32_t ObjCompare(ObjHeader* a, ObjHeader* b) {
  uint32_t fa = a ? hdr(guest::addr(a))->fields : 0;
  uint32_t fb = b ? hdr(guest::addr(b))->fields : 0;
  return fa == fb ? 0 : 1;
}

ObjHeader* ObjFirst(UserType* type) { return nextExisting(typeAt(guest::addr(type))->used.next); }
ObjHeader* ObjLast(UserType* type) { return prevExisting(typeAt(guest::addr(type))->used.prev); }
ObjHeader* ObjNext(ObjHeader* obj) { return obj ? nextExisting(hdr(guest::addr(obj))->next) : nullptr; }
ObjHeader* ObjPrev(ObjHeader* obj) { return obj ? prevExisting(hdr(guest::addr(obj))->prev) : nullptr; }

namespace {
// Moves a next to b (after it when after is set), within one type's list.
ObjHeader* move(ObjHeader* a, ObjHeader* b, bool after) {
  if (a == b) return a;
  if (!a || !b) NullObjEx();
  ObjHeader* oa = hdr(guest::addr(a));
  ObjHeader* ob = hdr(guest::addr(b));
  if (!oa->type || oa->type != ob->type) return a;
  unlink(oa);
  linkBefore(oa, after ? hdr(ob->next) : ob);
  return a;
}
}  // namespace

ObjHeader* ObjInsBefore(ObjHeader* a, ObjHeader* b) { return move(a, b, false); }
ObjHeader* ObjInsAfter(ObjHeader* a, ObjHeader* b) { return move(a, b, true); }

int32_t ObjEachFirst(uint32_t* var, UserType* type) {
  guest::Word& slot = *at<guest::Word>(guest::addr(var));
  ObjHeader* found = ObjFirst(type);
  addRef(found);
  ObjRelease(guest::ptr<ObjHeader>(slot));
  slot = guest::addr(found);
  return found ? 1 : 0;
}

int32_t ObjEachNext(uint32_t* var) {
  guest::Word& slot = *at<guest::Word>(guest::addr(var));
  auto* current = guest::ptr<ObjHeader>(slot);
  if (!current) return 0;
  ObjHeader* found = ObjNext(current);
  addRef(found);
  ObjRelease(current);
  slot = guest::addr(found);
  return found ? 1 : 0;
}

vxStr* ObjToStr(ObjHeader* obj) {
  std::string out;
  int depth = 0;
  uint32_t root = 0;
  appendText(out, obj, depth, root);
  if (out.size() > kObjTextLimit) outOfMemory();
  return vxStrNew(out);
}

int32_t ObjToHandle(ObjHeader* obj) {
  if (!obj || !hdr(guest::addr(obj))->fields) return 0;
  auto [it, added] = g.toHandle.try_emplace(guest::addr(obj), g.lastHandle + 1);
  if (added) {
    ++g.lastHandle;
    g.fromHandle.emplace(it->second, it->first);
  }
  return it->second;
}

ObjHeader* ObjFromHandle(int32_t handle, UserType* type) {
  auto it = g.fromHandle.find(handle);
  if (it == g.fromHandle.end()) return nullptr;
  ObjHeader* o = hdr(it->second);
  return o->type == guest::addr(type) ? o : nullptr;
}

[[noreturn]] void NullObjEx() { raiseRuntimeError("Object does not exist"); }

void RuntimeStats() {
  std::cout << "Active strings:" << liveStringCount() << std::endl;
  std::cout << "Active objects:" << g.existing << std::endl;
  std::cout << "Unreleased Objects:" << g.unreleased << std::endl;
  forEachLiveString([](uint32_t a) {
    char line[24];
    std::snprintf(line, sizeof line, "string@%08X", a);
    std::cout << line << std::endl;
  });
}

size_t existingObjectCount() { return g.existing; }
size_t unreleasedObjectCount() { return g.unreleased; }

void objectsDestroy() { g = State{}; }

}  // namespace korva::basic
