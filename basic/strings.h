// Run-time strings: the records that compiled code and commands pass around as vxStr*,
// and the number/text conversions every module prints and parses with.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korva {

struct vxStr;

// A new live string owned by the caller.
vxStr* vxStrNew(std::string_view text);
// Frees s; null is ignored.
void vxStrRelease(vxStr* s);
// True when s is a live string (null is not); the other calls raise "Illegal memory
// address" for anything else.
bool vxStrIsLive(const vxStr* s);
// The bytes of s (null reads as empty); valid until s changes or is released.
std::string_view vxStrView(const vxStr* s);
// The same bytes, NUL-terminated; null gives "".
const char* vxStrCStr(const vxStr* s);
// Sets the length in place, keeping the leading bytes (new bytes read as 0), and returns
// the writable text.
char* vxStrResize(vxStr* s, size_t length);
// The same, but null (s unchanged) where guest memory has no room for that length, instead
// of "Out of memory": for text whose length the run-time does not choose.
char* vxStrTryResize(vxStr* s, size_t length);
// Replaces the text in place; t may point into s itself.
void vxStrAssign(vxStr* s, std::string_view t);

// A string argument, which the command that takes it owns: released when the owner goes,
// on every path, a run-time error's included.
class StrArg {
 public:
  explicit StrArg(vxStr* s) : s_(s) {}
  // What is no live string (a spoilt record that raised already) is left alone: a
  // destructor must not raise.
  ~StrArg() {
    if (vxStrIsLive(s_)) vxStrRelease(s_);
  }
  StrArg(const StrArg&) = delete;
  StrArg& operator=(const StrArg&) = delete;
  std::string_view view() const { return vxStrView(s_); }
  std::string text() const { return std::string(view()); }
  vxStr* get() const { return s_; }
  // Hands the string on (as a result, say); the owner no longer releases it.
  vxStr* release() {
    vxStr* s = s_;
    s_ = nullptr;
    return s;
  }

 private:
  vxStr* s_;
};

// The text of a string argument, which is released.
inline std::string takeText(vxStr* s) { return StrArg(s).text(); }

std::string intToText(int32_t v);
// Leading blanks, optional sign, digits; wraps modulo 2^32 beyond the 32-bit range.
int32_t textToInt(std::string_view text);
std::string floatToText(float v);
float textToFloat(std::string_view text);

size_t liveStringCount();

}  // namespace korva

namespace korva::basic {

// Link routines of compiled code. A string variable is a 32-bit guest slot holding a vxStr
// address or 0.
vxStr* StrConst(const char* text);
vxStr* StrLoad(uint32_t* var);
void StrStore(uint32_t* var, vxStr* s);
void StrRelease(vxStr* s);
int32_t StrCompare(vxStr* a, vxStr* b);
vxStr* StrConcat(vxStr* a, vxStr* b);
int32_t StrToInt(vxStr* s);
vxStr* StrFromInt(int32_t v);
float StrToFloat(vxStr* s);
vxStr* StrFromFloat(float v);

}  // namespace korva::basic
