// The routines of the CPU test programs (korva_native.h), and running those programs.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "support/programs.h"

namespace korva::test {

// Runs cpu_<name> with its routines registered; CpuParam() answers params in turn, the
// last one over and over.
ProgramRun runCpuProgram(const std::string& name, std::initializer_list<int32_t> params);
// What the run handed to CpuRecord and CpuRecordFloat, in order.
const std::vector<double>& cpuRecord();

// The CPU backend this process runs guest code on.
bool nativeCpu();

}  // namespace korva::test
