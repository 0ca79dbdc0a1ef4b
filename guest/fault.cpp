#include "guest/fault.h"

#include "guest/memory.h"

namespace korva::guest {
namespace {

uint32_t le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

bool isPrefix(uint8_t b) {
  return b == 0x66 || b == 0x67 || b == 0x2E || b == 0x36 || b == 0x3E || b == 0x26 || b == 0x64 ||
         b == 0x65 || b == 0xF0 || b == 0xF2 || b == 0xF3;
}

}  // namespace

bool divisorIsZero(const uint8_t* p, RegReader readReg, void* ctx) {
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
    if (!inRegion(ea, bytes)) return true;
    const uint8_t* m = ptr<uint8_t>(ea);
    value = width == 8 ? m[0] : width == 16 ? (m[0] | m[1] << 8) : le32(m);
  }
  if (width == 16) value &= 0xFFFF;
  return value == 0;
}

bool isPrivileged(const uint8_t* p) {
  for (int i = 0; i < 14 && isPrefix(*p); ++i) ++p;
  switch (*p) {
    case 0xF4:  // hlt
    case 0xFA:  // cli
    case 0xFB:  // sti
    case 0xE4: case 0xE5: case 0xE6: case 0xE7:  // in, out with a port number
    case 0xEC: case 0xED: case 0xEE: case 0xEF:  // in, out with dx
    case 0x6C: case 0x6D: case 0x6E: case 0x6F:  // ins, outs
      return true;
    case 0x0F:
      break;
    default:
      return false;
  }
  uint8_t op = p[1], modrm = p[2];
  int reg = (modrm >> 3) & 7, mod = modrm >> 6;
  switch (op) {
    case 0x00:  // lldt, ltr
      return reg == 2 || reg == 3;
    case 0x01:  // lgdt, lidt, lmsw, invlpg; monitor, mwait, xsetbv
      if (mod != 3) return reg == 2 || reg == 3 || reg == 6 || reg == 7;
      return reg == 6 || modrm == 0xC8 || modrm == 0xC9 || modrm == 0xD1;
    case 0x06:  // clts
    case 0x08:  // invd
    case 0x09:  // wbinvd
    case 0x20: case 0x21: case 0x22: case 0x23:  // mov to and from control and debug registers
    case 0x30:  // wrmsr
    case 0x32:  // rdmsr
    case 0x33:  // rdpmc
    case 0x35:  // sysexit
      return true;
    default:
      return false;
  }
}

const char* exceptionMessage(uint32_t vector, uint32_t eip, RegReader readReg, void* ctx) {
  // Room for the longest run of prefixes with a full operand.
  const uint8_t* code = inRegion(eip, 32) ? ptr<uint8_t>(eip) : nullptr;
  switch (vector) {
    case 0:
      if (!code) return "Integer divide by zero";
      return divisorIsZero(code, readReg, ctx) ? "Integer divide by zero" : "Unknown runtime exception";
    case 6:
      return "Illegal instruction";
    case 13:
      return code && isPrivileged(code) ? kPrivilegedMessage : "Illegal memory address";
    case 12:
    case 14:
      return "Illegal memory address";
    default:
      return "Unknown runtime exception";
  }
}

}  // namespace korva::guest
