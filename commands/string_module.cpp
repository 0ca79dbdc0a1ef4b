// The string module: text commands over vxStr values, counting in bytes, 1-based for users.
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "basic/strings.h"
#include "commands/strings.h"
#include "core/errors.h"
#include "link/module.h"

namespace korva {
namespace strings {
namespace {

constexpr char kPositive[] = "parameter must be positive";
constexpr char kAboveZero[] = "parameter must be greater than 0";

// A string to change in place: a null argument reads as a new empty string. Anything else
// must be a live string even where its text is not needed, as it is handed back.
vxStr* own(vxStr* s) {
  if (!s) return vxStrNew({});
  vxStrView(s);  // raises "Illegal memory address" for what is not a string
  return s;
}

// s holding part, which is a piece of its own text.
vxStr* keep(vxStr* s, std::string_view part) {
  s = own(s);
  vxStrAssign(s, part);
  return s;
}

// Releases an argument unless it is the object being returned (or already released:
// the same object passed twice).
void release(vxStr* arg, vxStr* result, vxStr* released = nullptr) {
  if (arg && arg != result && arg != released) vxStrRelease(arg);
}

// A refused argument: its strings are released like on every other path, then the error.
// What is no string is left alone: the error to report is this one.
[[noreturn]] void refuse(const char* message, vxStr* arg, vxStr* other = nullptr) {
  if (vxStrIsLive(arg)) vxStrRelease(arg);
  if (other != arg && vxStrIsLive(other)) vxStrRelease(other);
  raiseRuntimeError(message);
}

bool isGraphic(char c) { return c >= 0x21 && c <= 0x7E; }

vxStr* newText(const char* text) { return vxStrNew(text); }

}  // namespace

vxStr* String(vxStr* s, int32_t repeat) {
  std::string_view unit = vxStrView(s);
  vxStr* r = vxStrNew({});
  if (repeat > 0 && !unit.empty()) {
    size_t total = unit.size() * static_cast<size_t>(repeat);
    char* p = vxStrResize(r, total);
    std::memcpy(p, unit.data(), unit.size());
    // Doubling copies: the filled prefix is the pattern repeated a whole number of times.
    for (size_t done = unit.size(); done < total; done *= 2)
      std::memcpy(p + done, p, std::min(done, total - done));
  }
  release(s, r);
  return r;
}

vxStr* Left(vxStr* s, int32_t count) {
  if (count < 0) refuse(kPositive, s);
  return keep(s, vxStrView(s).substr(0, static_cast<size_t>(count)));
}

vxStr* Right(vxStr* s, int32_t count) {
  if (count < 0) refuse(kPositive, s);
  std::string_view t = vxStrView(s);
  return keep(s, t.substr(t.size() - std::min(t.size(), static_cast<size_t>(count))));
}

// Each occurrence of from in the original text is replaced once: the search goes on after
// the inserted text, so the output is never searched again.
vxStr* Replace(vxStr* s, vxStr* from, vxStr* to) {
  std::string find(vxStrView(from)), with(vxStrView(to));
  release(from, s);
  release(to, s, from);
  s = own(s);
  // An empty pattern would match everywhere, for ever.
  if (find.empty()) return s;
  std::string text(vxStrView(s));
  size_t count = 0;
  for (size_t p = text.find(find); p != std::string::npos; p = text.find(find, p + find.size()))
    ++count;
  if (count == 0) return s;
  char* out = vxStrResize(s, text.size() - count * find.size() + count * with.size());
  size_t copied = 0;
  for (size_t p = text.find(find); p != std::string::npos; p = text.find(find, copied)) {
    out = std::copy(text.data() + copied, text.data() + p, out);
    out = std::copy(with.begin(), with.end(), out);
    copied = p + find.size();
  }
  std::copy(text.begin() + static_cast<ptrdiff_t>(copied), text.end(), out);
  return s;
}

int32_t Instr(vxStr* s, vxStr* find, int32_t from) {
  if (from <= 0) refuse(kAboveZero, s, find);
  std::string_view text = vxStrView(s), pattern = vxStrView(find);
  size_t start = static_cast<size_t>(from) - 1;
  size_t at = start > text.size() ? std::string_view::npos : text.find(pattern, start);
  int32_t result = at == std::string_view::npos ? 0 : static_cast<int32_t>(at + 1);
  release(s, nullptr);
  release(find, nullptr, s);
  return result;
}

vxStr* Mid(vxStr* s, int32_t start, int32_t count) {
  if (start < 1) refuse(kAboveZero, s);
  std::string_view text = vxStrView(s);
  size_t index = std::min(static_cast<size_t>(start) - 1, text.size());
  size_t n = count < 0 ? std::string_view::npos : static_cast<size_t>(count);
  return keep(s, text.substr(index, n));
}

vxStr* Upper(vxStr* s) {
  s = own(s);
  size_t n = vxStrView(s).size();
  char* p = vxStrResize(s, n);
  std::transform(p, p + n, p, [](char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; });
  return s;
}

vxStr* Lower(vxStr* s) {
  s = own(s);
  size_t n = vxStrView(s).size();
  char* p = vxStrResize(s, n);
  std::transform(p, p + n, p, [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; });
  return s;
}

vxStr* Trim(vxStr* s) {
  std::string_view text = vxStrView(s);
  auto first = std::find_if(text.begin(), text.end(), isGraphic);
  auto last = std::find_if(text.rbegin(), text.rend(), isGraphic).base();
  return keep(s, first < last ? std::string_view(first, last) : std::string_view());
}

vxStr* LSet(vxStr* s, int32_t size) {
  if (size < 0) refuse(kPositive, s);
  s = own(s);
  size_t length = vxStrView(s).size(), want = static_cast<size_t>(size);
  char* p = vxStrResize(s, want);
  if (want > length) std::memset(p + length, ' ', want - length);
  return s;
}

vxStr* RSet(vxStr* s, int32_t size) {
  if (size < 0) refuse(kPositive, s);
  s = own(s);
  std::string_view text = vxStrView(s);
  size_t length = text.size(), want = static_cast<size_t>(size);
  if (want <= length) return keep(s, text.substr(length - want));
  char* p = vxStrResize(s, want);
  std::memmove(p + (want - length), p, length);
  std::memset(p, ' ', want - length);
  return s;
}

vxStr* Chr(int32_t ascii) {
  char c = static_cast<char>(ascii & 0xFF);
  return vxStrNew(std::string_view(&c, 1));
}

int32_t Asc(vxStr* s) {
  std::string_view text = vxStrView(s);
  int32_t result = text.empty() ? -1 : static_cast<unsigned char>(text[0]);
  vxStrRelease(s);
  return result;
}

int32_t Len(vxStr* s) {
  auto result = static_cast<int32_t>(vxStrView(s).size());
  vxStrRelease(s);
  return result;
}

vxStr* Hex(int32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08X", static_cast<uint32_t>(value));
  return newText(text);
}

vxStr* Bin(int32_t value) {
  char text[33];
  for (int i = 0; i < 32; ++i) text[i] = (static_cast<uint32_t>(value) >> (31 - i)) & 1 ? '1' : '0';
  text[32] = 0;
  return newText(text);
}

namespace {
tm localNow() {
  time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  return local;
}
}  // namespace

// English month names whatever locale a hosting process has set.
vxStr* CurrentDate() {
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  tm t = localNow();
  char text[64];
  std::snprintf(text, sizeof text, "%02d %s %04d", t.tm_mday, kMonths[std::clamp(t.tm_mon, 0, 11)],
                t.tm_year + 1900);
  return newText(text);
}

vxStr* CurrentTime() {
  tm t = localNow();
  char text[64];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
  return newText(text);
}

}  // namespace strings

namespace {

using namespace strings;

const SymbolDef kStringSymbols[] = {
    KORVA_ROUTINE("$String$string%repeat", String),
    KORVA_ROUTINE("$Left$string%count", Left),
    KORVA_ROUTINE("$Right$string%count", Right),
    KORVA_ROUTINE("$Replace$string$from$to", Replace),
    KORVA_ROUTINE("%Instr$string$find%from=1", Instr),
    KORVA_ROUTINE("$Mid$string%start%count=-1", Mid),
    KORVA_ROUTINE("$Upper$string", Upper),
    KORVA_ROUTINE("$Lower$string", Lower),
    KORVA_ROUTINE("$Trim$string", Trim),
    KORVA_ROUTINE("$LSet$string%size", LSet),
    KORVA_ROUTINE("$RSet$string%size", RSet),
    KORVA_ROUTINE("$Chr%ascii", Chr),
    KORVA_ROUTINE("%Asc$string", Asc),
    KORVA_ROUTINE("%Len$string", Len),
    KORVA_ROUTINE("$Hex%value", Hex),
    KORVA_ROUTINE("$Bin%value", Bin),
    KORVA_ROUTINE("$CurrentDate", CurrentDate),
    KORVA_ROUTINE("$CurrentTime", CurrentTime),
};

}  // namespace

KORVA_MODULE(string, kStringSymbols, nullptr, nullptr)

}  // namespace korva
