// Builds module images byte by byte for linker tests.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace korva::test {

struct ImageBuilder {
  std::vector<uint8_t> code;
  std::vector<std::pair<std::string, uint32_t>> symbols, relative, absolute;

  std::vector<uint8_t> bytes() const {
    std::vector<uint8_t> out;
    auto put = [&](uint32_t v) {
      for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    put(static_cast<uint32_t>(code.size()));
    out.insert(out.end(), code.begin(), code.end());
    for (auto* table : {&symbols, &relative, &absolute}) {
      put(static_cast<uint32_t>(table->size()));
      for (auto& [name, off] : *table) {
        out.insert(out.end(), name.begin(), name.end());
        out.push_back(0);
        put(off);
      }
    }
    return out;
  }
};

}  // namespace korva::test
