#include "guest/trap.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "guest/memory.h"

namespace korva::guest {
namespace {

constexpr uint32_t kSentinel = kTrapBase;        // "hlt": never executed, the emulator stops there
constexpr uint32_t kFloatSlot = kTrapBase + 16;  // float results on their way to the x87 stack
constexpr uint32_t kFirstStub = kTrapBase + 64;
constexpr uint32_t kStubSize = 16;
constexpr uint32_t kMaxStubs = (kBackendPage - kFirstStub) / kStubSize;

struct Table {
  std::vector<TrapEntry> entries;
  std::unordered_map<TrapHandler, uint32_t> byHandler;
  Table() {
    reserve();
    *ptr<uint8_t>(kSentinel) = 0xF4;
  }
};

Table& table() {
  static Table t;
  return t;
}

}  // namespace

uint32_t trapAddress(TrapHandler handler, bool floatResult, int argCount) {
  Table& t = table();
  auto it = t.byHandler.find(handler);
  if (it != t.byHandler.end()) return it->second;
  if (t.entries.size() >= kMaxStubs) {
    std::fprintf(stderr, "korva: too many registered routines\n");
    std::abort();
  }
  uint32_t stub = kFirstStub + static_cast<uint32_t>(t.entries.size()) * kStubSize;
  uint8_t* p = ptr<uint8_t>(stub);
  p[0] = 0xCD;  // int 0x80
  p[1] = 0x80;
  if (floatResult) {
    p[2] = 0xD9;  // fld dword [kFloatSlot]
    p[3] = 0x05;
    uint32_t slot = kFloatSlot;
    std::memcpy(p + 4, &slot, 4);
    p[8] = 0xC3;  // ret
  } else {
    p[2] = 0xC3;
  }
  t.entries.push_back(TrapEntry{handler, argCount, floatResult});
  t.byHandler.emplace(handler, stub);
  return stub;
}

const TrapEntry* trapAt(uint32_t addressAfterInt) {
  uint32_t stub = addressAfterInt - 2;
  if (stub < kFirstStub || (stub - kFirstStub) % kStubSize != 0) return nullptr;
  uint32_t index = (stub - kFirstStub) / kStubSize;
  Table& t = table();
  return index < t.entries.size() ? &t.entries[index] : nullptr;
}

uint32_t returnSentinel() {
  table();
  return kSentinel;
}

float* floatResultSlot() { return ptr<float>(kFloatSlot); }

}  // namespace korva::guest
