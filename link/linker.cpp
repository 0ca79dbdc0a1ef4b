#include "link/linker.h"

#include <cstring>
#include <string_view>

#include "guest/memory.h"
#include "link/registry.h"

namespace korva {
namespace {

// Bounds-checked reading of the image: every read that would run past the data fails.
class Reader {
 public:
  explicit Reader(std::span<const uint8_t> d) : d_(d) {}
  bool u32(uint32_t& v) {
    if (d_.size() - pos_ < 4) return false;
    std::memcpy(&v, d_.data() + pos_, 4);
    pos_ += 4;
    return true;
  }
  bool name(std::string_view& s) {
    const void* end = std::memchr(d_.data() + pos_, 0, d_.size() - pos_);
    if (!end) return false;
    size_t n = static_cast<const uint8_t*>(end) - (d_.data() + pos_);
    s = std::string_view(reinterpret_cast<const char*>(d_.data() + pos_), n);
    pos_ += n + 1;
    return true;
  }
  const uint8_t* take(uint32_t n) {
    if (d_.size() - pos_ < n) return nullptr;
    const uint8_t* p = d_.data() + pos_;
    pos_ += n;
    return p;
  }
  size_t remaining() const { return d_.size() - pos_; }

 private:
  std::span<const uint8_t> d_;
  size_t pos_ = 0;
};

constexpr uint32_t kMinEntry = 5;  // a NUL and an offset

const char* const kTableNames[] = {"symbol table", "table of relative fixups", "table of absolute fixups"};

std::string truncatedTable(int table) {
  return std::string("truncated: the ") + kTableNames[table] + " runs past the end of the file";
}

std::string truncatedCode(uint32_t n, size_t have) {
  return "truncated: the image says " + std::to_string(n) + " bytes of code, the file has " + std::to_string(have);
}

}  // namespace

std::string imageLayoutProblem(std::span<const uint8_t> image) {
  Reader r(image);
  uint32_t n;
  if (!r.u32(n)) return "truncated: too short for a module image (" + std::to_string(image.size()) + " bytes)";
  if (!r.take(n)) return truncatedCode(n, r.remaining());
  for (int table = 0; table < 3; ++table) {
    uint32_t count;
    if (!r.u32(count) || count > r.remaining() / kMinEntry) return truncatedTable(table);
    for (uint32_t i = 0; i < count; ++i) {
      std::string_view name;
      uint32_t off;
      if (!r.name(name) || !r.u32(off)) return truncatedTable(table);
      if (table == 0 ? off >= n : (n < 4 || off > n - 4))
        return "damaged: " + std::string(table == 0 ? "the symbol " : "a fixup of ") + std::string(name) +
               " lies outside the code";
    }
  }
  return {};
}

std::string LinkResult::message() const {
  if (status == MissingSymbol) return "Can't find symbol: " + symbol;
  return "Unable to run Korva Basic module";
}

LinkResult linkImage(std::span<const uint8_t> image, const SymbolTable& runtime) {
  LinkResult result;
  Reader r(image);
  uint32_t n;
  const uint8_t* code;
  if (!r.u32(n) || !(code = r.take(n))) {
    result.problem = imageLayoutProblem(image);
    return result;
  }
  uint8_t* block = static_cast<uint8_t*>(guest::allocCode(n));
  if (!block) {
    result.problem = "its " + std::to_string(n) + " bytes of code do not fit in the program's memory";
    return result;
  }
  std::memcpy(block, code, n);
  uint32_t base = guest::addr(block);
  auto fail = [&](LinkResult::Status s, std::string_view symbol = {}) {
    guest::free(block);
    result.status = s;
    result.symbol = std::string(symbol);
    if (s == LinkResult::Unusable) result.problem = imageLayoutProblem(image);
    return result;
  };

  std::unordered_map<std::string_view, uint32_t> module;
  uint32_t count;
  if (!r.u32(count) || count > r.remaining() / kMinEntry) return fail(LinkResult::Unusable);
  for (uint32_t i = 0; i < count; ++i) {
    std::string_view name;
    uint32_t off;
    if (!r.name(name) || !r.u32(off) || off >= n) return fail(LinkResult::Unusable);
    module[name] = base + off;
  }

  for (bool relative : {true, false}) {
    if (!r.u32(count) || count > r.remaining() / kMinEntry) return fail(LinkResult::Unusable);
    for (uint32_t i = 0; i < count; ++i) {
      std::string_view name;
      uint32_t off;
      if (!r.name(name) || !r.u32(off) || n < 4 || off > n - 4) return fail(LinkResult::Unusable);
      uint32_t target;
      if (auto m = module.find(name); m != module.end()) {
        target = m->second;
      } else if (auto g = runtime.find(std::string(name)); g != runtime.end()) {
        target = g->second;
      } else {
        return fail(LinkResult::MissingSymbol, name);
      }
      uint32_t field;
      std::memcpy(&field, block + off, 4);
      field += relative ? target - (base + off) : target;
      std::memcpy(block + off, &field, 4);
    }
  }
  result.status = LinkResult::Ok;
  result.base = base;
  result.size = n;
  return result;
}

}  // namespace korva
