#include "guest/emulated/ring3.h"

#include <cstring>

#include "guest/memory.h"
#include "guest/emulated/unicorn_functions.h"

namespace korva::guest {
namespace {

constexpr uint32_t kEntryStub = kBackendPage;       // iret
constexpr uint32_t kTable = kBackendPage + 0x100;  // the descriptor table
constexpr uint16_t kKernelData = 0x10;
constexpr uint32_t kEntryFlags = 0x202;  // interrupts on, I/O privilege 0

// A flat 4 GiB 32-bit segment. The accessed bit is set already: the CPU would otherwise
// write it into the read-only table when a selector is loaded.
constexpr uint64_t flat(uint8_t access) {
  return 0xFFFF | uint64_t(access | 0x01) << 40 | uint64_t(0xCF) << 48;
}

constexpr uint64_t kDescriptors[] = {
    0,
    flat(0x9A),  // 0x08 ring-0 code
    flat(0x92),  // 0x10 ring-0 data
    flat(0xFA),  // 0x18 ring-3 code
    flat(0xF2),  // 0x20 ring-3 data
};

void writeReg(uc_engine* uc, int r, uint32_t v) { unicorn().uc_reg_write(uc, r, &v); }

}  // namespace

uint32_t prepareUserMode(uc_engine* uc, uint32_t entry, uint32_t userEsp) {
  *ptr<uint8_t>(kEntryStub) = 0xCF;
  std::memcpy(ptr(kTable), kDescriptors, sizeof kDescriptors);
  uc_x86_mmr gdtr{0, kTable, sizeof kDescriptors - 1, 0};
  unicorn().uc_reg_write(uc, UC_X86_REG_GDTR, &gdtr);
  // Data segments first, with user selectors: iret to an outer level clears any it could
  // not use. SS must match the current level until then.
  for (int r : {UC_X86_REG_DS, UC_X86_REG_ES, UC_X86_REG_FS, UC_X86_REG_GS}) writeReg(uc, r, kUserData);
  writeReg(uc, UC_X86_REG_SS, kKernelData);

  const uint32_t frame[] = {entry, kUserCode, kEntryFlags, userEsp, kUserData};
  uint32_t esp = userEsp - sizeof frame;
  std::memcpy(ptr(esp), frame, sizeof frame);
  writeReg(uc, UC_X86_REG_ESP, esp);
  return kEntryStub;
}

}  // namespace korva::guest
