#include "guest/emulated/translation.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>

namespace korva::guest {
namespace {

using Clock = std::chrono::steady_clock;

// 256 MiB: a flush costs about 25 ms and makes the whole buffer resident, so it is kept to
// what a large program's code needs; most runs never flush.
constexpr uint32_t kDefaultBufferMiB = 256;

// Upper bounds of what a block takes in the buffer, measured with Unicorn 2.1.1 on x86-64:
// about 300 bytes a block and up to 750 bytes an instruction (pusha, eight stores), 200 for
// usual code. A block's host code is cut at 64 KiB.
constexpr uint64_t kBytesPerBlock = 512;
constexpr uint64_t kBytesPerInstruction = 1024;
constexpr uint64_t kMostPerBlock = (64 + 4) << 10;

std::atomic<uint32_t> g_bufferBytes{0}, g_sliceMicros{0};
std::atomic<bool> g_overridden{false};
std::atomic<uint64_t> g_flushes{0}, g_stops{0};

uint32_t fromEnvironment(const char* name, uint32_t fallback, uint32_t most) {
  const char* text = std::getenv(name);
  if (!text || !*text) return fallback;
  char* end = nullptr;
  unsigned long v = std::strtoul(text, &end, 10);
  return *end ? fallback : static_cast<uint32_t>(std::min<unsigned long>(v, most));
}

}  // namespace

TranslationLimits translationLimits() {
  if (g_overridden.load()) return {g_bufferBytes.load(), g_sliceMicros.load()};
  static const TranslationLimits fromEnv{
      std::max(1u, fromEnvironment("KORVA_EMULATED_BUFFER_MB", kDefaultBufferMiB, 2047)) << 20,
      fromEnvironment("KORVA_EMULATED_SLICE_US", 0, 3'600'000'000u)};
  return fromEnv;
}

namespace testing {
void setTranslationLimits(TranslationLimits limits) {
  g_bufferBytes = limits.bufferBytes;
  g_sliceMicros = limits.sliceMicros;
  g_overridden = limits.bufferBytes != 0;
}
}  // namespace testing

TranslationCounts translationCounts() { return {g_flushes.load(), g_stops.load()}; }

TranslationBudget::TranslationBudget(TranslationLimits limits)
    : threshold_(limits.bufferBytes / 2), sliceMicros_(limits.sliceMicros), sliceStart_(Clock::now()) {}

bool TranslationBudget::sliceOver() const {
  return sliceMicros_ && Clock::now() - sliceStart_ >= std::chrono::microseconds(sliceMicros_);
}

bool TranslationBudget::afterCall() { return estimate_ >= threshold_ || sliceOver(); }

bool TranslationBudget::atNewBlock(uint32_t instructions) {
  estimate_ += std::min(kBytesPerBlock + kBytesPerInstruction * instructions, kMostPerBlock);
  return estimate_ >= threshold_ || sliceOver();
}

void TranslationBudget::flushed(bool stopped) {
  estimate_ = 0;
  if (sliceMicros_) sliceStart_ = Clock::now();
  g_flushes.fetch_add(1, std::memory_order_relaxed);
  if (stopped) g_stops.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace korva::guest
