// The fuzzer of the fuzz test: every registered routine called with hostile arguments,
// as tests/fuzz/fuzz_test.cpp drives it from a compiled program.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>
#include <bit>
#include <chrono>
#include <cstdio>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <vector>
#include "basic/arrays.h"
#include "basic/internal.h"
#include "basic/objects.h"
#include "basic/strings.h"
#include "guest/memory.h"
#include "link/linker.h"
#include "app/module_list.h"
#include "link/registry.h"
#include "support/process.h"
#include "support/programs.h"

namespace korva::test {
namespace {

// Routines that wait for a user or act outside the process: they would hang the test, start
// programs, show dialogs or open connections.
const char* const kNotCalled[] = {
    "_fstop",  "_fexecfile", "_fdelay", "_fwaittimer",   "_fwaitkey",     "_fwaitmouse",     "_fmousewait",
    "_fwaitjoy", "_fjoywait", "_finput", "_fstartnetgame", "_fhostnetgame", "_fjoinnetgame", "_fopentcpstream",
    "_fcreatetcpserver"};

constexpr int kArgWords = 12;
constexpr uint32_t kScratchBytes = 64 * 1024;

struct Routine {
  std::string name;
  uint32_t address;
  std::string signature;  // result sigil, then one per parameter
};

// What the run-time lets a program hold at once: its 1 GiB of guest memory, 256 MiB of
// pixels and 256 MiB of banks, with the process's own on top. The default run stays far
// below (under 100 MiB); a long run by hand comes nearer with huge strings and images.
#if defined(__SANITIZE_ADDRESS__)
constexpr uint64_t kPeakMemoryMiB = 3072;  // shadow memory and the quarantine of freed blocks come on top
#else
constexpr uint64_t kPeakMemoryMiB = 2048;
#endif

// Files the loading commands find, so that runs also get live sounds and images to abuse:
// a short 8-bit mono WAV and a 4 x 4 24-bit BMP.
void writeLoadableFiles(const std::filesystem::path& dir) {
  auto put = [](std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
  };
  auto text = [](std::vector<uint8_t>& out, const char* t) { out.insert(out.end(), t, t + 4); };
  // Rewritten only when spoilt: truncating a file costs the file system milliseconds.
  auto save = [&](const char* name, const std::vector<uint8_t>& bytes) {
    const std::string path = (dir / name).string();
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) std::filesystem::remove_all(path, ignored);  // CreateDir's
    std::vector<uint8_t> now(bytes.size() + 1);
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
      now.resize(std::fread(now.data(), 1, now.size(), f));
      std::fclose(f);
      if (now == bytes) return;
    }
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    }
  };
  const uint32_t samples = 800;
  std::vector<uint8_t> wav;
  text(wav, "RIFF"), put(wav, 36 + samples, 4), text(wav, "WAVE"), text(wav, "fmt "), put(wav, 16, 4);
  put(wav, 1, 2), put(wav, 1, 2), put(wav, 8000, 4), put(wav, 8000, 4), put(wav, 1, 2), put(wav, 8, 2);
  text(wav, "data"), put(wav, samples, 4);
  for (uint32_t i = 0; i < samples; ++i) wav.push_back(static_cast<uint8_t>(i % 40 < 20 ? 64 : 192));
  save("fuzz.wav", wav);
  std::vector<uint8_t> bmp = {'B', 'M'};
  put(bmp, 54 + 48, 4), put(bmp, 0, 4), put(bmp, 54, 4), put(bmp, 40, 4), put(bmp, 4, 4), put(bmp, 4, 4);
  put(bmp, 1, 2), put(bmp, 24, 2), put(bmp, 0, 4), put(bmp, 48, 4), put(bmp, 2835, 4), put(bmp, 2835, 4);
  put(bmp, 0, 4), put(bmp, 0, 4);
  for (int i = 0; i < 16; ++i) put(bmp, i % 3 ? 0xFF0000u : 0x00FF00u, 3);
  save("fuzz.bmp", bmp);
}

uint64_t envNumber(const char* name, uint64_t fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::strtoull(v, nullptr, 10) : fallback;
}

class Fuzzer {
 public:
  Fuzzer(uint64_t seed, uint64_t calls) : rng_(seed), callsLeft_(calls) {
    for (const ModuleDef* m : modules())
      for (const SymbolDef& s : m->symbols) add(s);
    scratch_ = guest::alloc(kScratchBytes);
    codePage_ = guest::allocCode(1);
  }
  ~Fuzzer() {
    guest::free(scratch_);
    guest::free(codePage_);
  }

  bool done() const { return callsLeft_ == 0; }
  bool tracing() const { return trace_; }
  const std::map<std::string, int>& calls() const { return calls_; }
  const std::vector<Routine>& routines() const { return routines_; }
  std::vector<std::string>& problems() { return problems_; }

  void startRun() {
    runCallsLeft_ = 1 + rng_() % 48;
    fixturesMade_ = false;
    current_ = nullptr;
    handles_.clear();
  }

  // The next call into call[0..13], or false when the run has made its calls.
  bool next(uint32_t call) {
    if (!runCallsLeft_ || !callsLeft_) return false;
    --runCallsLeft_;
    --callsLeft_;
    if (!fixturesMade_) makeFixtures();
    if (trace_) traceSlowCall();
    current_ = &routines_[rng_() % routines_.size()];
    ++calls_[current_->name];
    guest::store32(call, current_->address);
    guest::store32(call + 4, current_->signature[0] == '#');
    for (int i = 0; i < kArgWords; ++i) {
      char sigil = i + 1 < int(current_->signature.size()) ? current_->signature[i + 1] : '%';
      guest::store32(call + 8 + 4 * i, argument(sigil));
    }
    if (trace_) {
      std::fprintf(stderr, "%s", current_->name.c_str());
      for (size_t i = 1; i < current_->signature.size(); ++i) {
        const uint32_t word = guest::load32(call + 4 + 4 * uint32_t(i));
        std::fprintf(stderr, " %08x", word);
        if (current_->signature[i] == '$' && word && vxStrIsLive(guest::ptr<vxStr>(word)))
          std::fprintf(stderr, "\"%.16s\"", std::string(vxStrView(guest::ptr<vxStr>(word))).c_str());
      }
      std::fprintf(stderr, "\n");
      callStart_ = std::chrono::steady_clock::now();
    }
    return true;
  }

  // A string result must be a live string, which the caller now owns.
  void result(uint32_t value) {
    if (!current_ || !value) return;
    if (trace_) std::fprintf(stderr, "  = %08x\n", value);
    if (current_->signature[0] == '%' && handles_.size() < 64) handles_.push_back(value);
    if (current_->signature[0] != '$') return;
    auto* s = guest::ptr<vxStr>(value);
    if (!vxStrIsLive(s)) {
      problems_.push_back(current_->name + " returned something that is not a string");
      return;
    }
    vxStrRelease(s);
  }

 private:
  void add(const SymbolDef& s) {
    if (!s.signature) return;  // a data object
    std::string name = linkName(s.decl);
    for (const char* n : kNotCalled)
      if (name == n) return;
    std::string sig = s.signature();
    if (sig.size() > kArgWords + 1) return;
    routines_.push_back({name, s.address(), sig});
  }

  // Slow calls are what make a long run crawl; the trace names them.
  void traceSlowCall() {
    if (!current_) return;
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - callStart_).count();
    if (ms >= 100) std::fprintf(stderr, "  (%s took %lld ms)\n", current_->name.c_str(), static_cast<long long>(ms));
  }

  uint32_t pick(std::initializer_list<uint32_t> values) { return values.begin()[rng_() % values.size()]; }
  uint32_t below(uint32_t n) { return static_cast<uint32_t>(rng_() % n); }
  uint32_t scratch(uint32_t offset) { return guest::addr(scratch_) + offset % (kScratchBytes - 64); }

  uint32_t argument(char sigil) {
    switch (sigil) {
      case '#': return floatWord();
      case '$': return stringWord();
      case 'p': return pointerWord();
      default: return intWord();
    }
  }

  uint32_t intWord() {
    // What earlier calls of the run returned: live images, banks, sounds, streams...
    if (!handles_.empty() && below(4) == 0) return handles_[below(static_cast<uint32_t>(handles_.size()))];
    switch (below(4)) {
      case 0: return pick({0, 1, 2, 3, 7, 8, 255, 256, 65535, 65536, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF,
                           0xFFFFFF00, 0x40000000, 0xC0000000});
      case 1: return below(100001) - 1000;  // counts, positions, handles
      case 2: return below(16);
      default: {  // any size, small ones more often
        auto v = static_cast<uint32_t>(rng_() >> (32 + below(32)));
        return below(2) ? v : 0u - v;
      }
    }
  }

  uint32_t floatWord() {
    const float f[] = {0.f, -0.f, 1.f, -1.f, 0.5f, 1e-45f, 1e10f, -1e10f,
                       std::numeric_limits<float>::max(), -std::numeric_limits<float>::max(),
                       INFINITY, -INFINITY, std::numeric_limits<float>::quiet_NaN(), 90.f, 1e-8f};
    return below(4) ? std::bit_cast<uint32_t>(f[below(std::size(f))]) : static_cast<uint32_t>(rng_());
  }

  uint32_t liveString() {
    static const std::string texts[] = {"", "a", "hello, world", "  \t padded \t ", "12.5e3", "-7",
                                        "fuzz.txt", "fuzz.wav", "fuzz.bmp", std::string(500, 'x'),
                                        std::string("\0\xff\x01", 3)};
    return guest::addr(vxStrNew(texts[below(std::size(texts))]));
  }

  uint32_t stringWord() {
    switch (below(8)) {
      case 0: return 0;
      case 1: {  // released
        uint32_t s = liveString();
        vxStrRelease(guest::ptr<vxStr>(s));
        return s;
      }
      case 2: {  // its record written over
        uint32_t s = liveString();
        guest::store32(s + 4 * below(4), static_cast<uint32_t>(rng_()));
        return s;
      }
      case 3: return pointerWord();
      default: return liveString();
    }
  }

  uint32_t pointerWord() {
    switch (below(12)) {
      case 0: return 0;
      case 1: return scratch(below(kScratchBytes));  // random words, any alignment
      case 2: return pick({guest::kGuardBase, guest::kTrapBase + 64, guest::kRegionEnd - 2, 0xFFFFFFFC, 1,
                           guest::kStackTop - 8, guest::addr(codePage_), guest::kHeapBase});
      case 3: return type_;
      case 4: return vecType_;
      case 5: return array_ + below(2);  // sometimes misaligned
      case 6: return data_ + 8 * below(4);
      case 7: return variables_ + 4 * below(8) + below(2);
      case 8: return object(true);
      case 9: return object(false);
      case 10: return static_cast<uint32_t>(rng_());
      default: return guest::addr(basic::VecAlloc(guest::ptr<basic::VecType>(vecType_)));
    }
  }

  // An object of the fixture type, deleted when not live.
  uint32_t object(bool live) {
    basic::ObjHeader* o = basic::ObjNew(guest::ptr<basic::UserType>(type_));
    if (!live) basic::ObjDelete(o);
    return guest::addr(o);
  }

  // Random words in the scratch area, and records laid out as a compiler would among them:
  // a user type (integer, string, object, float and vector fields), a vector type, an array
  // descriptor, DATA records and variables holding strings and objects.
  void makeFixtures() {
    fixturesMade_ = true;
    uint32_t base = guest::addr(scratch_);
    for (uint32_t off = 0; off < kScratchBytes; off += 4)
      guest::store32(base + off, below(4) ? static_cast<uint32_t>(rng_()) : below(16));
    auto builtin = [](const char* decl) {
      for (const SymbolDef& s : basic_module().symbols)
        if (std::string_view(s.decl) == decl) return s.address();
      return 0u;
    };
    uint32_t intType = builtin("_vxIntType"), fltType = builtin("_vxFltType"), strType = builtin("_vxStrType");
    type_ = base + 0x100;
    vecType_ = base + 0x200;
    array_ = base + 0x300;
    data_ = base + 0x400;
    variables_ = base + 0x500;
    const uint32_t vec[] = {basic::kVectorType, 4, strType};
    std::memcpy(guest::ptr(vecType_), vec, sizeof vec);
    const uint32_t type[] = {basic::kUserType, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, intType, strType, type_, fltType, vecType_};
    std::memcpy(guest::ptr(type_), type, sizeof type);
    const uint32_t array[] = {0, basic::kStringType, 2, 3, 4};
    std::memcpy(guest::ptr(array_), array, sizeof array);
    std::memcpy(guest::ptr(base + 0x480), "12", 3);
    const uint32_t data[] = {1, 7, 2, std::bit_cast<uint32_t>(2.5f), 4, base + 0x480, 9, 0, 0, 0};
    std::memcpy(guest::ptr(data_), data, sizeof data);
    for (int i = 0; i < 8; ++i) guest::store32(variables_ + 4 * i, i % 2 ? liveString() : object(i % 4 == 0));
  }

  std::mt19937_64 rng_;
  uint64_t callsLeft_;
  uint32_t runCallsLeft_ = 0;
  bool fixturesMade_ = false;
  bool trace_ = envNumber("KORVA_FUZZ_TRACE", 0) != 0;
  std::vector<Routine> routines_;
  const Routine* current_ = nullptr;
  std::chrono::steady_clock::time_point callStart_;
  std::map<std::string, int> calls_;
  std::vector<std::string> problems_;
  std::vector<uint32_t> handles_;  // integer results of this run
  void* scratch_ = nullptr;
  void* codePage_ = nullptr;  // code memory, not the running program's
  uint32_t type_ = 0, vecType_ = 0, array_ = 0, data_ = 0, variables_ = 0;
};

Fuzzer* g_fuzzer = nullptr;

}  // namespace
}  // namespace korva::test
