// Running time cut into slices, so the translation cache can be emptied between them.
//
// Unicorn 2.1 crashes when its translation buffer fills up while it chains one block to the
// next (it patches a block it has just thrown away). Hostile code that runs through
// millions of distinct blocks would get there. So a long run is stopped once per slice by
// a watchdog thread, the engine's cache is flushed outside emulation and the run resumes
// where it stopped. The buffer is sized so that no slice can fill it: at several
// microseconds and a few hundred bytes per translated block, a slice of 5 to 7.5 seconds
// fills well under half of 1 GiB (address space: only what is written takes memory).
//
// Slices are long because a stop from another thread is not free: now and then the engine
// does not go on exactly where it stopped (a routine call skipped, about once in a
// thousand stops when stopped every 50 us). Most runs end before their first stop.
#pragma once
#include <cstdint>

struct uc_struct;

namespace korva::guest {

struct TranslationLimits {
  uint32_t bufferBytes;  // the engine's translation buffer
  uint32_t sliceMillis;  // running time between two flushes
};
TranslationLimits translationLimits();

namespace testing {
// Small limits let a test fill the buffer quickly; {0, 0} restores the defaults.
void setTranslationLimits(TranslationLimits limits);
}  // namespace testing

// Stops every engine that runs a slice now, from any thread.
void stopAllSlices();

// While it lives, the watchdog stops uc once each slice.
class Slice {
 public:
  explicit Slice(uc_struct* uc);
  ~Slice();
  Slice(const Slice&) = delete;
  Slice& operator=(const Slice&) = delete;

  // True (once) when the watchdog stopped the engine since the last call.
  bool expired();
  // Starts the next slice.
  void restart();

 private:
  uc_struct* uc_;
};

}  // namespace korva::guest
