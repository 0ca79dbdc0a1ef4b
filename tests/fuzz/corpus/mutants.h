// Mutants of a file's bytes, and what the corpus passes share: the seed and how many
// rounds.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace korva::test {

using Bytes = std::vector<uint8_t>;

// Fixed, so that a failure names its mutant and repeats; KORVA_FUZZ_SEED explores others
// and KORVA_FUZZ_ROUNDS runs that many times the mutants of the default pass.
inline uint64_t fuzzNumber(const char* name, uint64_t fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::strtoull(v, nullptr, 10) : fallback;
}
inline uint64_t fuzzSeed() { return fuzzNumber("KORVA_FUZZ_SEED", 20250101); }
inline int fuzzRounds() { return static_cast<int>(fuzzNumber("KORVA_FUZZ_ROUNDS", 1)); }
inline bool fuzzTrace() { return fuzzNumber("KORVA_FUZZ_TRACE", 0) != 0; }

// What a hostile file does to a good one: cuts it short, changes bytes anywhere or in the
// header (where decoders trust most), flips a bit, writes an extreme 32-bit value where a
// length or a count may be, repeats or zeroes a stretch.
inline Bytes mutate(const Bytes& base, std::mt19937_64& rng) {
  Bytes b = base;
  auto below = [&](size_t n) { return n ? size_t(rng() % n) : 0; };
  const int kinds = 1 + int(below(3));
  for (int k = 0; k < kinds && !b.empty(); ++k) {
    switch (below(7)) {
      case 0: b.resize(below(b.size())); break;
      case 1:
        for (size_t n = 1 + below(8); n--;) b[below(b.size())] = uint8_t(rng());
        break;
      case 2:
        for (size_t n = 1 + below(4); n--;) b[below(std::min<size_t>(b.size(), 64))] = uint8_t(rng());
        break;
      case 3: b[below(b.size())] ^= uint8_t(1u << below(8)); break;
      case 4: {
        static const uint32_t extremes[] = {0xFFFFFFFF, 0x7FFFFFFF, 0x80000000, 0, 0x10000, 0xFFFF, 0x7FFFFFF0};
        uint32_t v = extremes[below(std::size(extremes))];
        size_t at = below(b.size());
        for (int i = 0; i < 4 && at + i < b.size(); ++i) b[at + i] = uint8_t(below(2) ? v >> (8 * i) : v >> (24 - 8 * i));
        break;
      }
      case 5: {
        size_t from = below(b.size()), length = 1 + below(std::min<size_t>(b.size() - from, 4096));
        Bytes slice(b.begin() + from, b.begin() + from + length);
        for (size_t n = 1 + below(4); n--;) b.insert(b.begin() + below(b.size() + 1), slice.begin(), slice.end());
        break;
      }
      default: {
        size_t from = below(b.size());
        std::fill(b.begin() + from, b.begin() + from + below(std::min<size_t>(b.size() - from, 256)), 0);
        break;
      }
    }
  }
  return b;
}

}  // namespace korva::test
