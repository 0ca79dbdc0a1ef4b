// Reading a program file named by the user, with a reason a user can act on when it is
// not a program: what the file is instead, or where its image is cut short.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace korva {

struct ProgramFile {
  std::vector<uint8_t> image;  // the module image, when problem is empty
  std::string problem;         // e.g. "no such file", "is a PNG picture, not a program"
  bool ok() const { return problem.empty(); }
};

// No real program comes near this; /dev/zero or a huge file must not fill memory.
constexpr uint64_t kMaxProgramFileBytes = uint64_t{256} << 20;

// The module image in the file at path: a module image itself, or a Windows executable
// carrying one as resource RT_RCDATA 1111. Only regular files are read, never blocking
// on a FIFO or a device.
ProgramFile readProgramFile(const std::string& path);

// What a file's first bytes say it is, when it is plainly not a module image: "is a PNG
// picture, not a program"; empty when nothing is recognised.
std::string recogniseForeignFile(std::span<const uint8_t> head);

}  // namespace korva
