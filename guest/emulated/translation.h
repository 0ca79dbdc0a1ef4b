// When the emulated CPU empties its translation cache: decided inside the engine's own
// hooks, never by another thread.
//
// Unicorn 2.1 crashes when its translation buffer fills up (it chains a new block to one
// that the overflow has just thrown away), so the cache is flushed first: when an estimate
// of the buffer in use passes half of it, or, with a slice set, when a slice has run. The
// flush happens where guest state is exact: in the interrupt hook of a routine call, which
// runs outside any block; or, in a program that translates without calling the run-time,
// after a stop from the hook that sees each newly linked block before it runs. A stop from
// another thread would end a block after any memory access with EIP not written back, and a
// run restarted from there repeats or skips work (tests/unicorn shows it on bare Unicorn).
#pragma once
#include <chrono>
#include <cstdint>

namespace korva::guest {

struct TranslationLimits {
  uint32_t bufferBytes;  // the engine's translation buffer; a flush costs about 0.1 ms per MiB
  uint32_t sliceMicros;  // 0, or the longest running time between two flushes
};
// KORVA_EMULATED_BUFFER_MB and KORVA_EMULATED_SLICE_US where set, else the defaults.
TranslationLimits translationLimits();

namespace testing {
// Small limits make a test flush thousands of times a second; {0, 0} restores the above.
void setTranslationLimits(TranslationLimits limits);
}  // namespace testing

struct TranslationCounts {
  uint64_t flushes;  // all flushes, process-wide
  uint64_t stops;    // of which the engine was stopped for, at a new block
};
TranslationCounts translationCounts();

// One run's account of what it has translated since the last flush.
class TranslationBudget {
 public:
  explicit TranslationBudget(TranslationLimits limits);
  // After a routine call: true when the cache is to be flushed now.
  bool afterCall();
  // A block of this many instructions was linked in: true when the engine is to stop
  // before the block runs, so the cache can be flushed.
  bool atNewBlock(uint32_t instructions);
  void flushed(bool stopped);

 private:
  bool sliceOver() const;

  uint64_t estimate_ = 0;
  uint64_t threshold_;
  uint32_t sliceMicros_;
  std::chrono::steady_clock::time_point sliceStart_;
};

}  // namespace korva::guest
