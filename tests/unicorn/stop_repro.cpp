// Reproduction, on bare Unicorn: a run stopped from another thread and restarted at EIP
// loses or repeats work; flushing from inside the hooks that guest code passes does not.
//
//   unicorn_stop_repro [seconds-per-case] [period-us]
//
// Prints, for each guest program and method, the interventions (stops or in-band flushes
// and stops), the faults found, and faults per million interventions. The block programs
// are acted on every millisecond at most: each flush makes them translate everything again.
#include <cstdio>
#include <algorithm>
#include <cstdlib>

#include "unicorn/bare_cpu.h"

int main(int argc, char** argv) {
  double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
  uint32_t period = argc > 2 ? static_cast<uint32_t>(std::atoi(argv[2])) : 50;
  using bare::Method;
  using bare::Program;
  std::printf("%-14s %-42s %12s %10s %10s %10s %8s %s\n", "program", "method", "interventions", "skipped",
              "repeated", "per 1M", "result", "error");
  for (Program p : {Program::Counter, Program::Calls, Program::Blocks, Program::ReturnBlocks}) {
    for (Method m : {Method::OutsideStop, Method::OutsideStopFlush, Method::InBand, Method::InBandWithBlocks}) {
      // The loops are sized from a short trial so that each case runs about the seconds
      // asked for. Every flush makes the block programs translate all their blocks again,
      // so they run a fixed number of passes and are flushed less often.
      bool blocks = p == Program::Blocks || p == Program::ReturnBlocks;
      uint32_t n = blocks ? 50 : p == Program::Calls ? 200000 : 20000000;
      if (!blocks) {
        bare::Outcome trial = bare::run(p, Method::InBand, n, 1000000);
        double scale = trial.seconds > 0 ? seconds / trial.seconds : 1;
        n = static_cast<uint32_t>(std::min(4e9, n * scale));
      }
      bare::Outcome o = bare::run(p, m, n, blocks ? std::max(period, 1000u) : period);
      uint64_t faults = o.skipped + o.repeated;
      double perMillion = o.interventions ? faults * 1e6 / double(o.interventions) : 0;
      std::printf("%-14s %-42s %12llu %10llu %10llu %10.0f %8s %s\n", bare::name(p), bare::name(m),
                  static_cast<unsigned long long>(o.interventions), static_cast<unsigned long long>(o.skipped),
                  static_cast<unsigned long long>(o.repeated), perMillion, o.resultRight ? "right" : "WRONG",
                  o.error.c_str());
      std::fflush(stdout);
    }
  }
  return 0;
}
