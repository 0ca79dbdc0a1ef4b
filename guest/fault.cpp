#include "guest/fault.h"

#include <unicorn/unicorn.h>

#include "guest/memory.h"

namespace korva::guest {
namespace {

constexpr int kRegs[8] = {UC_X86_REG_EAX, UC_X86_REG_ECX, UC_X86_REG_EDX, UC_X86_REG_EBX,
                          UC_X86_REG_ESP, UC_X86_REG_EBP, UC_X86_REG_ESI, UC_X86_REG_EDI};

uint32_t readUcReg(void* ctx, int i) {
  uint32_t v = 0;
  uc_reg_read(static_cast<uc_engine*>(ctx), kRegs[i], &v);
  return v;
}

uint32_t le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

}  // namespace

bool divisorIsZero(const uint8_t* p, uint32_t (*readReg)(void*, int), void* ctx) {
  int width = 32;
  for (int i = 0; i < 15; ++i, ++p) {  // prefixes
    uint8_t b = *p;
    if (b == 0x66)
      width = 16;
    else if (!(b == 0x2E || b == 0x36 || b == 0x3E || b == 0x26 || b == 0x64 || b == 0x65 ||
               b == 0xF0 || b == 0xF2 || b == 0xF3))
      break;
  }
  if (*p == 0xF6)
    width = 8;
  else if (*p != 0xF7)
    return true;
  uint8_t modrm = p[1];
  int mod = modrm >> 6, rm = modrm & 7;
  if (((modrm >> 3) & 7) < 6) return true;  // not div or idiv
  uint32_t value;
  if (mod == 3) {
    if (width == 8) {
      uint32_t r = readReg(ctx, rm & 3);
      value = rm < 4 ? r & 0xFF : (r >> 8) & 0xFF;  // al..bl, ah..bh
      return value == 0;
    }
    value = readReg(ctx, rm);
  } else {
    const uint8_t* q = p + 2;
    uint32_t ea;
    if (rm == 4) {  // SIB
      uint8_t sib = *q++;
      int scale = sib >> 6, index = (sib >> 3) & 7, base = sib & 7;
      ea = index == 4 ? 0 : readReg(ctx, index) << scale;
      if (base == 5 && mod == 0) {
        ea += le32(q);
        q += 4;
      } else {
        ea += readReg(ctx, base);
      }
    } else if (rm == 5 && mod == 0) {
      ea = le32(q);
      q += 4;
    } else {
      ea = readReg(ctx, rm);
    }
    if (mod == 1) ea += static_cast<uint32_t>(static_cast<int8_t>(*q));
    if (mod == 2) ea += le32(q);
    uint32_t bytes = static_cast<uint32_t>(width / 8);
    if (!inGuest(ea, bytes)) return true;
    const uint8_t* m = ptr<uint8_t>(ea);
    value = width == 8 ? m[0] : width == 16 ? (m[0] | m[1] << 8) : le32(m);
  }
  if (width == 16) value &= 0xFFFF;
  return value == 0;
}

const char* faultMessage(uc_struct* uc, uint32_t intno) {
  switch (intno) {
    case 0: {
      uint32_t eip = readUcReg(uc, 0);
      uc_reg_read(uc, UC_X86_REG_EIP, &eip);
      if (!inGuest(eip, 16)) return "Integer divide by zero";
      return divisorIsZero(ptr<uint8_t>(eip), &readUcReg, uc) ? "Integer divide by zero"
                                                               : "Unknown runtime exception";
    }
    case 6:
      return "Illegal instruction";
    case 12:
    case 13:
    case 14:
      return "Illegal memory address";
    default:
      return "Unknown runtime exception";
  }
}

}  // namespace korva::guest
