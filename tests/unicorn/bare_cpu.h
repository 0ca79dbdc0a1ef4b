// Bare Unicorn, without Korva: small 32-bit guest programs whose results are known in
// advance, run while the translation cache is flushed or the engine stopped again and
// again, by the method under study. Used by the reproduction program and by the test that
// guards what the emulated backend relies on.
#pragma once
#include <cstdint>
#include <string>

namespace bare {

enum class Program {
  Counter,       // a memory counter and a register counter step together
  Calls,         // compiled-style loop calling an "int 0x80; ret" stub, summing its results
  Blocks,        // thousands of distinct blocks chained by direct jumps, looped
  ReturnBlocks,  // the same blocks chained by "push; ret" only
};

enum class Method {
  OutsideStop,       // another thread stops the engine; the run restarts from EIP
  OutsideStopFlush,  // the same, flushing the translation cache before each restart
  InBand,            // another thread only raises a flag; hooks flush or stop from inside
  InBandWithBlocks,  // InBand, with a block hook as well
};

struct Outcome {
  uint64_t interventions = 0;  // stops (outside) or flushes and stops (in band)
  uint64_t calls = 0;          // routine calls seen by the interrupt hook (Calls)
  uint64_t skipped = 0;        // breaks in the call sequence forward, or counts lost
  uint64_t repeated = 0;       // breaks backward (calls made again), or counts added twice
  bool resultRight = false;    // the program's final sum is the one expected
  std::string error;           // engine error or unexpected end, empty when none
  double seconds = 0;
};

// Runs program with `iterations` loop passes; the other thread acts every periodUs.
Outcome run(Program program, Method method, uint32_t iterations, uint32_t periodUs);

const char* name(Program p);
const char* name(Method m);

}  // namespace bare
