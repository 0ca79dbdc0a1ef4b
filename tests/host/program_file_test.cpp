// Files that are not programs: korva says which file and why, and never hangs on one.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "support/process.h"
#include "support/programs.h"

namespace korva {
namespace {

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> prefix(const std::vector<uint8_t>& bytes, size_t n) {
  return std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(std::min(n, bytes.size())));
}

struct Unusable {
  const char* name;
  std::string path;
  std::string reason;  // the second line is "<path>: <reason>"
};

std::vector<Unusable> unusableFiles() {
  std::string dir = test::tempDir() + "/unusable";
  mkdir(dir.c_str(), 0755);
  std::vector<uint8_t> game = test::programImage("game");
  uint32_t code = game[0] | game[1] << 8 | game[2] << 16 | uint32_t(game[3]) << 24;
  auto truncatedCode = [&](size_t have) {
    return "truncated: the image says " + std::to_string(code) + " bytes of code, the file has " +
           std::to_string(have - 4);
  };
  writeBytes(dir + "/empty.kbm", {});
  std::ofstream(dir + "/notes.txt") << "PRINT \"hello\"\nEND\n";
  writeBytes(dir + "/cut16.kbm", prefix(game, 16));
  writeBytes(dir + "/cut1000.kbm", prefix(game, 1000));
  writeBytes(dir + "/half.kbm", prefix(game, game.size() / 2));
  writeBytes(dir + "/less-one.kbm", prefix(game, game.size() - 1));
  std::vector<uint8_t> mz(256, 0);
  mz[0] = 'M';
  mz[1] = 'Z';
  writeBytes(dir + "/other.exe", mz);
  mkfifo((dir + "/fifo").c_str(), 0644);
  writeBytes(dir + "/picture.png", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                    0, 0, 0, 1, 0, 0, 0, 1, 8, 2, 0, 0, 0, 0x90, 0x77, 0x53, 0xDE});
  std::string programs = test::programPath("raise", "");
  programs = programs.substr(0, programs.rfind('/'));
  EXPECT_GT(code, game.size() / 2) << "the cut files must end inside the code";
  return {
      {"missing", dir + "/no-such-file.kbm", "no such file"},
      {"directory", dir, "is a directory"},
      {"empty", dir + "/empty.kbm", "empty"},
      {"text", dir + "/notes.txt", "is a text file, not a program"},
      {"png", dir + "/picture.png", "is a PNG picture, not a program"},
      {"elf64", test::buildDir() + "/korva", "is a 64-bit ELF executable, not a Korva program"},
      {"elf32object", programs + "/raise.raise.o",
       "is a 32-bit ELF object, not a program: turn it into a module image with elf2image"},
      {"truncated16", dir + "/cut16.kbm", truncatedCode(16)},
      {"truncated1000", dir + "/cut1000.kbm", truncatedCode(1000)},
      {"truncatedHalf", dir + "/half.kbm", truncatedCode(game.size() / 2)},
      {"truncatedByOne", dir + "/less-one.kbm", "truncated: the table of absolute fixups runs past the end of the file"},
      {"windowsWithoutProgram", dir + "/other.exe", "a Windows program without a Korva program inside"},
      {"device", "/dev/zero", "is a device, not a file"},
      {"fifo", dir + "/fifo", "is a FIFO, not a file"},
  };
}

TEST(ProgramFile, EachUnusableFileIsNamedWithItsReason) {
  std::string korva = test::buildDir() + "/korva";
  for (const Unusable& u : unusableFiles()) {
    SCOPED_TRACE(u.name);
    // The timeout only separates "ended by itself" from a hang; it is not a speed check.
    auto r = test::runCommand("timeout 20 " + korva + " --bundle '" + u.path + "' -o /dev/null || true; timeout 20 " +
                              korva + " '" + u.path + "'");
    EXPECT_EQ(r.exitCode, 255);
    std::string expected = "Unable to run Korva Basic module\n" + u.path + ": " + u.reason + "\n";
    EXPECT_EQ(r.errors, expected + expected);
  }
}

TEST(ProgramFile, OptionsAreNeverTakenForFiles) {
  std::string korva = test::buildDir() + "/korva";
  for (const char* help : {"-h", "--help"}) {
    auto r = test::runCommand(korva + " " + help);
    EXPECT_EQ(r.exitCode, 0) << help;
    EXPECT_NE(r.output.find("usage: korva"), std::string::npos) << help;
  }
  for (const char* version : {"-v", "--version"}) {
    auto r = test::runCommand(korva + " " + version);
    EXPECT_EQ(r.exitCode, 0) << version;
    EXPECT_EQ(r.output.rfind("korva ", 0), 0u) << version;
  }
  auto r = test::runCommand(korva + " -x " + test::programPath("raise"));
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(r.errors.rfind("korva: unknown option -x\n", 0), 0u) << r.errors;
  // After "--" a name that starts with a dash is the program's.
  r = test::runCommand("cd " + test::tempDir() + " && " + korva + " -- -no-such-program");
  EXPECT_EQ(r.exitCode, 255);
  EXPECT_EQ(r.errors, "Unable to run Korva Basic module\n-no-such-program: no such file\n");
}

}  // namespace
}  // namespace korva
