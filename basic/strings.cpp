#include "basic/strings.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "basic/internal.h"

namespace korva {

// Lives in guest memory; links are guest addresses so that a program that scribbles over a
// record can at worst make the run-time touch guest memory.
struct vxStr {
  uint32_t next;      // live list or free list
  uint32_t prev;      // live list only
  uint32_t magic;
  uint32_t length;
  uint32_t capacity;  // text bytes available, not counting the NUL
  uint32_t heap;      // guest address of the text when it does not fit inline, else 0
  char inl[40];
};
static_assert(sizeof(vxStr) == 64);

namespace {

constexpr uint32_t kLive = 0x5354524C;
constexpr uint32_t kFree = 0x53545246;
constexpr uint32_t kInlineCapacity = sizeof(vxStr::inl) - 1;
constexpr uint32_t kPoolRecords = 512;

struct Pool {
  uint32_t freeHead = 0, freeTail = 0;
  uint32_t liveHead = 0, liveTail = 0;
  size_t live = 0;
} g;

inline vxStr* rec(uint32_t a) { return basic::at<vxStr>(a); }

// Appends the chain first..last to the list with the given ends, linked through next.
inline void append(uint32_t& head, uint32_t& tail, uint32_t first, uint32_t last) {
  if (tail)
    rec(tail)->next = first;
  else
    head = first;
  tail = last;
}

// A string pointer that compiled code or a command handed over.
inline vxStr* checkedLive(const vxStr* s) {
  vxStr* r = rec(guest::addr(s));
  if (r->magic != kLive) raiseRuntimeError("Illegal memory address");
  return r;
}

inline char* text(vxStr* s) {
  return s->heap ? basic::at<char>(s->heap, uint64_t(s->capacity) + 1) : s->inl;
}

void grow() {
  auto* block = static_cast<vxStr*>(basic::blockAlloc(uint64_t(kPoolRecords) * sizeof(vxStr)));
  for (uint32_t i = 0; i < kPoolRecords; ++i) {
    block[i].magic = kFree;
    block[i].next = i + 1 < kPoolRecords ? guest::addr(&block[i + 1]) : 0;
  }
  append(g.freeHead, g.freeTail, guest::addr(block), guest::addr(&block[kPoolRecords - 1]));
}

// Room for length bytes plus the NUL, keeping the first keep bytes.
char* reserve(vxStr* s, uint64_t length, uint32_t keep) {
  if (length <= s->capacity) return text(s);
  uint64_t cap = std::max<uint64_t>(length, uint64_t(s->capacity) * 2);
  if (cap >= UINT32_MAX) cap = length;
  if (length >= UINT32_MAX) basic::outOfMemory();
  auto* buf = static_cast<char*>(guest::alloc(static_cast<uint32_t>(cap + 1)));
  if (!buf) basic::outOfMemory();
  char* old = text(s);
  std::memcpy(buf, old, keep);
  if (s->heap) guest::free(old);
  s->heap = guest::addr(buf);
  s->capacity = static_cast<uint32_t>(cap);
  return buf;
}

vxStr* take() {
  if (!g.freeHead) grow();
  vxStr* s = rec(g.freeHead);
  g.freeHead = s->next;
  if (!g.freeHead) g.freeTail = 0;
  s->magic = kLive;
  s->length = 0;
  s->capacity = kInlineCapacity;
  s->heap = 0;
  s->inl[0] = 0;
  s->next = 0;
  s->prev = g.liveTail;
  append(g.liveHead, g.liveTail, guest::addr(s), guest::addr(s));
  ++g.live;
  return s;
}

void release(vxStr* s) {
  if (s->heap) guest::free(text(s));
  if (s->prev)
    rec(s->prev)->next = s->next;
  else
    g.liveHead = s->next;
  if (s->next)
    rec(s->next)->prev = s->prev;
  else
    g.liveTail = s->prev;
  s->magic = kFree;
  s->heap = 0;
  s->next = 0;
  append(g.freeHead, g.freeTail, guest::addr(s), guest::addr(s));
  --g.live;
}

inline bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

vxStr* vxStrNew(std::string_view t) {
  if (t.size() >= UINT32_MAX) basic::outOfMemory();
  vxStr* s = take();
  if (t.size() > kInlineCapacity) {
    auto* buf = static_cast<char*>(guest::alloc(static_cast<uint32_t>(t.size() + 1)));
    if (!buf) {
      release(s);
      basic::outOfMemory();
    }
    s->heap = guest::addr(buf);
    s->capacity = static_cast<uint32_t>(t.size());
  }
  char* p = text(s);
  if (!t.empty()) std::memcpy(p, t.data(), t.size());
  p[t.size()] = 0;
  s->length = static_cast<uint32_t>(t.size());
  return s;
}

void vxStrRelease(vxStr* s) {
  if (s) release(checkedLive(s));
}

std::string_view vxStrView(const vxStr* s) {
  if (!s) return {};
  vxStr* r = checkedLive(s);
  return {text(r), r->length};
}

const char* vxStrCStr(const vxStr* s) { return s ? text(checkedLive(s)) : ""; }

char* vxStrResize(vxStr* s, size_t length) {
  vxStr* r = checkedLive(s);
  uint32_t old = r->length;
  char* p = reserve(r, length, old);
  if (length > old) std::memset(p + old, 0, length - old);
  p[length] = 0;
  r->length = static_cast<uint32_t>(length);
  return p;
}

void vxStrAssign(vxStr* s, std::string_view t) {
  vxStr* r = checkedLive(s);
  // Text that lies inside s is never longer than the capacity, so it is not moved away.
  char* p = t.size() <= r->capacity ? text(r) : reserve(r, t.size(), 0);
  if (!t.empty()) std::memmove(p, t.data(), t.size());
  p[t.size()] = 0;
  r->length = static_cast<uint32_t>(t.size());
}

size_t liveStringCount() { return g.live; }

std::string intToText(int32_t v) {
  char buf[16];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

int32_t textToInt(std::string_view t) {
  size_t i = 0;
  while (i < t.size() && isBlank(t[i])) ++i;
  bool neg = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) neg = t[i++] == '-';
  uint32_t v = 0;
  for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) v = v * 10 + uint32_t(t[i] - '0');
  return static_cast<int32_t>(neg ? 0u - v : v);
}

float textToFloat(std::string_view t) {
  size_t i = 0;
  while (i < t.size() && isBlank(t[i])) ++i;
  bool neg = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) neg = t[i++] == '-';
  auto digits = [&](size_t& k) {
    size_t from = k;
    while (k < t.size() && t[k] >= '0' && t[k] <= '9') ++k;
    return k - from;
  };
  size_t start = i, end = i;
  size_t n = digits(end);
  if (end < t.size() && t[end] == '.') {
    ++end;
    n += digits(end);
  }
  if (n == 0) return 0.f;
  if (end < t.size() && (t[end] == 'e' || t[end] == 'E')) {
    size_t k = end + 1;
    if (k < t.size() && (t[k] == '+' || t[k] == '-')) ++k;
    if (digits(k)) end = k;
  }
  double d = 0;
  auto r = std::from_chars(t.data() + start, t.data() + end, d, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) {
    // from_chars leaves d alone; strtod tells overflow from underflow.
    std::string copy(t.substr(start, end - start));
    d = std::strtod(copy.c_str(), nullptr);
  }
  return basic::toFloat(neg ? -d : d);
}

std::string floatToText(float x) {
  uint32_t bits = std::bit_cast<uint32_t>(x);
  bool neg = bits >> 31;
  if (std::isnan(x)) return "NAN";
  if (std::isinf(x)) return neg ? "-INFINITY" : "INFINITY";
  if ((bits & 0x7FFFFFFF) == 0) return neg ? "-0.000000" : "0.000000";

  char buf[64];
  const float low = std::bit_cast<float>(0x358637BDu);
  if (x >= low && x <= 9999999.0f) {
    auto r = std::to_chars(buf, buf + sizeof buf, double(x), std::chars_format::fixed, 6);
    return std::string(buf, r.ptr);
  }
  // Seven significant digits; the exponent is that of the rounded value, as %g reads it.
  double a = std::fabs(double(x));
  auto r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, 6);
  std::string_view sci(buf, r.ptr - buf);
  size_t e = sci.find('e');
  int d = 0;
  std::from_chars(sci.data() + e + 2, sci.data() + sci.size(), d);
  if (sci[e + 1] == '-') d = -d;

  std::string out = neg ? "-" : "";
  auto trimmed = [](std::string_view s) {
    size_t end = s.size();
    while (end > 0 && s[end - 1] == '0') --end;
    return s.substr(0, end);  // the '.' stops the trim
  };
  if (d < -1 || d > 6) {
    out += trimmed(sci.substr(0, e));
    out += 'e';
    out += d < 0 ? '-' : '+';
    std::string ex = std::to_string(d < 0 ? -d : d);
    if (ex.size() < 3) out.append(3 - ex.size(), '0');
    out += ex;
  } else {
    char fixed[64];
    auto f = std::to_chars(fixed, fixed + sizeof fixed, a, std::chars_format::fixed, 6 - d);
    out += trimmed(std::string_view(fixed, f.ptr - fixed));
  }
  return out;
}

namespace basic {

// Above FLT_MAX by at least half an ulp rounds to infinity; converting such a double
// directly is undefined.
float toFloat(double d) {
  if (!std::isnan(d) && std::fabs(d) >= 0x1.ffffffp127)
    return std::signbit(d) ? -INFINITY : INFINITY;
  return static_cast<float>(d);
}


void stringsDestroy() {
  try {
    while (g.liveHead) release(rec(g.liveHead));
  } catch (const vxEx&) {
    // A program overwrote the records; their text buffers are lost, the pool is not.
  }
  g = Pool{};  // the pool blocks go with the block registry
}

void forEachLiveString(const std::function<void(uint32_t)>& fn) {
  for (uint32_t a = g.liveHead; a; a = rec(a)->next) fn(a);
}

vxStr* StrConst(const char* t) { return vxStrNew(guest::checkedText(guest::addr(t))); }

vxStr* StrLoad(uint32_t* var) {
  uint32_t s = *at<uint32_t>(guest::addr(var));
  return vxStrNew(vxStrView(guest::ptr<vxStr>(s)));
}

void StrStore(uint32_t* var, vxStr* s) {
  uint32_t* slot = at<uint32_t>(guest::addr(var));
  if (s) checkedLive(s);
  uint32_t old = *slot;
  if (old == guest::addr(s)) return;  // storing a variable's own string must not free it
  *slot = guest::addr(s);
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
  if (!a) return b ? b : vxStrNew({});
  vxStr* r = checkedLive(a);
  uint32_t old = r->length;
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
    r->length = old + static_cast<uint32_t>(t.size());
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
