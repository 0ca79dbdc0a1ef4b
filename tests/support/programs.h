// Running compiled test programs from tests.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace korva::test {

// The bytes of the module image NAME.kbm built by korva_guest_program (fails the test when
// missing).
std::vector<uint8_t> programImage(const std::string& name);

struct ProgramRun {
  bool linked = false;
  std::string linkError;            // the failure text when not linked
  std::string endedBy;              // the message that ended the run; empty for a normal or quiet end
  std::vector<std::string> errors;  // run-time errors reported, in order
  std::vector<std::string> ends;    // end reports ("Program has ended", ...)
  std::vector<std::string> logs;    // DebugLog texts
};

// The entry of NAME.kbm linked into this process, linked at the first call only; 0 (and a
// failed test) when it does not link.
uint32_t linkedProgram(const std::string& name);

// Links and runs the image in this process, through execute with a recording debugger.
ProgramRun runImage(const std::vector<uint8_t>& image, bool debug = false);
ProgramRun runProgram(const std::string& name, bool debug = false);
// Runs code linked already.
ProgramRun runEntry(uint32_t entry, bool debug = false, const std::string& commandLine = "");

}  // namespace korva::test
