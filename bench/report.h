// The one line per figure that the collector (bench/collector/) gathers into its table,
// printed beside each benchmark's own output:
//   @korva-bench <TAB> name <TAB> korva <TAB> reference <TAB> unit <TAB> lower|higher
// The name says what the reference is ("... vs fwrite"); a figure without one leaves the
// reference empty.
#pragma once
#include <cstdio>
#include <string>

namespace korva::bench {

enum class Better { Lower, Higher };

inline void compare(const std::string& name, double korva, double reference, const char* unit, Better better) {
  std::printf("@korva-bench\t%s\t%.6g\t%.6g\t%s\t%s\n", name.c_str(), korva, reference, unit,
              better == Better::Lower ? "lower" : "higher");
  std::fflush(stdout);
}

inline void figure(const std::string& name, double korva, const char* unit, Better better) {
  std::printf("@korva-bench\t%s\t%.6g\t\t%s\t%s\n", name.c_str(), korva, unit,
              better == Better::Lower ? "lower" : "higher");
  std::fflush(stdout);
}

}  // namespace korva::bench
