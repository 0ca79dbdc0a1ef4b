// Processor exceptions as run-time errors, decoded from the faulting instruction.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "guest/fault.h"
#include "guest/memory.h"

namespace korva::guest {
namespace {

uint32_t zeroRegs(void*, int) { return 0; }
uint32_t oneRegs(void*, int) { return 1; }

// The bytes placed at a guest address of their own, for the decoders.
uint32_t place(const std::vector<uint8_t>& bytes) {
  auto* code = static_cast<uint8_t*>(alloc(64));
  std::memset(code, 0x90, 64);
  std::memcpy(code, bytes.data(), bytes.size());
  return addr(code);
}

TEST(Faults, PrivilegedInstructionsAreRecognised) {
  struct Case {
    std::vector<uint8_t> code;
    bool privileged;
  } cases[] = {
      {{0xFA}, true},                     // cli
      {{0xFB}, true},                     // sti
      {{0xF4}, true},                     // hlt
      {{0xE4, 0x60}, true},               // in al, 0x60
      {{0xEE}, true},                     // out dx, al
      {{0x66, 0xED}, true},               // in ax, dx
      {{0xF3, 0x6C}, true},               // rep insb
      {{0x0F, 0x01, 0x15, 0, 0, 0, 0}, true},  // lgdt [disp32]
      {{0x0F, 0x01, 0x1D, 0, 0, 0, 0}, true},  // lidt
      {{0x0F, 0x01, 0x05, 0, 0, 0, 0}, false}, // sgdt: allowed
      {{0x0F, 0x01, 0xF0}, true},         // lmsw ax
      {{0x0F, 0x01, 0xC8}, true},         // monitor
      {{0x0F, 0x01, 0xD0}, false},        // xgetbv
      {{0x0F, 0x00, 0xD0}, true},         // lldt ax
      {{0x0F, 0x00, 0xC0}, false},        // sldt ax
      {{0x0F, 0x20, 0xC0}, true},         // mov eax, cr0
      {{0x0F, 0x23, 0xF8}, true},         // mov dr7, eax
      {{0x0F, 0x30}, true},               // wrmsr
      {{0x0F, 0x32}, true},               // rdmsr
      {{0x0F, 0x06}, true},               // clts
      {{0x0F, 0x09}, true},               // wbinvd
      {{0x0F, 0x31}, false},              // rdtsc
      {{0x0F, 0xA2}, false},              // cpuid
      {{0x8E, 0xD0}, false},              // mov ss, ax: a bad selector, not a privileged opcode
      {{0xCF}, false},                    // iret
      {{0x90}, false},
  };
  for (const Case& c : cases) {
    uint32_t at = place(c.code);
    EXPECT_EQ(isPrivileged(ptr<uint8_t>(at)), c.privileged) << std::hex << int(c.code[0]) << " " << int(c.code[1]);
  }
}

TEST(Faults, VectorsGiveTheirMessages) {
  uint32_t div = place({0xF7, 0xF1});  // div ecx
  struct Case {
    uint32_t vector;
    uint32_t eip;
    RegReader regs;
    const char* message;
  } cases[] = {
      {0, div, &zeroRegs, "Integer divide by zero"},
      {0, div, &oneRegs, "Unknown runtime exception"},  // quotient overflow
      {0, 0, &oneRegs, "Integer divide by zero"},      // code not readable
      {6, div, &zeroRegs, "Illegal instruction"},
      {12, div, &zeroRegs, "Illegal memory address"},
      {13, div, &zeroRegs, "Illegal memory address"},
      {14, div, &zeroRegs, "Illegal memory address"},
      {3, div, &zeroRegs, "Unknown runtime exception"},
      {1, div, &zeroRegs, "Unknown runtime exception"},
  };
  for (const Case& c : cases)
    EXPECT_STREQ(exceptionMessage(c.vector, c.eip, c.regs, nullptr), c.message) << c.vector;
  EXPECT_STREQ(exceptionMessage(13, place({0xFA}), &zeroRegs, nullptr), kPrivilegedMessage);
  EXPECT_STREQ(exceptionMessage(13, kRegionEnd - 4, &zeroRegs, nullptr), "Illegal memory address");
}

}  // namespace
}  // namespace korva::guest
