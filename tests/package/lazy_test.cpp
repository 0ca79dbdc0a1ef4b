// The optional libraries load when a program first needs them, each with its own part, and
// a missing one costs only that part: its command's soft failure and one line naming it.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>

#include <algorithm>
#include <filesystem>

#include "core/optional_library.h"
#include "guest/backend.h"
#include "package/package_support.h"
#include "support/programs.h"

namespace korva::test {
namespace {

struct Part {
  const char* letter;
  OptionalPart part;
  const char* purpose;  // as the missing line says it
};
const Part kParts[] = {{"m", OptionalPart::MidiMusic, "MIDI music"},
                       {"t", OptionalPart::TrackerMusic, "tracker music"},
                       {"p", OptionalPart::Pictures, "PNG, JPEG or PCX pictures"},
                       {"n", OptionalPart::Network, "networking"}};

class Lazy : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = tempDir() + "/lazy-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    writeMedia(folder_);
  }
  // Runs the parts program in the test's folder, korva's command line prefixed by prefix.
  ProcessResult runParts(const std::string& letters, const std::string& prefix = "") {
    return runCommand("cd " + folder_ + " && " + prefix + buildDir() + "/korva " + programPath("package_parts") +
                      " " + letters);
  }
  std::string results() { return readText(folder_ + "/results.txt"); }
  std::string folder_;
};

std::set<std::string> optionalLibrariesIn(const std::set<std::string>& files) {
  std::set<std::string> found;
  for (const std::string& file : files)
    for (const Part& p : kParts)
      if (fileName(file) == optionalLibrary(p.part).soname()) found.insert(p.letter);
  return found;
}

TEST_F(Lazy, AnEmptyProgramLoadsNoOptionalLibrary) {
  ProcessResult r = runParts("", "LD_DEBUG=libs ");
  ASSERT_EQ(r.exitCode, 0) << r.errors;
  std::set<std::string> started = initialisedLibraries(r.errors);
  ASSERT_FALSE(started.empty()) << "no loader report";
  EXPECT_EQ(optionalLibrariesIn(started), std::set<std::string>{});
}

TEST_F(Lazy, EachPartLoadsItsOwnLibraryAndNoOther) {
  for (const Part& p : kParts) {
    ProcessResult r = runParts(p.letter, "LD_DEBUG=libs ");
    ASSERT_EQ(r.exitCode, 0) << p.letter << r.errors.substr(r.errors.size() - std::min<size_t>(r.errors.size(), 2000));
    EXPECT_EQ(optionalLibrariesIn(initialisedLibraries(r.errors)), std::set<std::string>{p.letter}) << p.letter;
    // The network part may find its port taken by another test; the others must work.
    if (std::string(p.letter) != "n") {
      EXPECT_NE(results(), std::string(p.letter) + " 0\r\n") << p.letter;
    }
  }
}

// Where this system keeps the library, to hide it from one run.
std::string libraryFile(const std::string& soname) {
  void* handle = dlopen(soname.c_str(), RTLD_LAZY | RTLD_LOCAL);
  if (!handle) return {};
  link_map* map = nullptr;
  std::string file;
  if (dlinfo(handle, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name) file = map->l_name;
  dlclose(handle);
  std::error_code ec;
  return file.empty() ? file : std::filesystem::canonical(file, ec).string();
}

// A private mount namespace where a file can be covered up, when this system gives one.
std::string hidingPrefix() {
  for (std::string unshare : {"unshare --mount --propagation private", "unshare --user --map-root-user --mount"})
    if (runCommand(unshare + " true").exitCode == 0) return unshare;
  return {};
}

TEST_F(Lazy, AMissingLibraryCostsItsPartASoftFailureAndOneLine) {
  const std::string unshare = hidingPrefix();
  if (unshare.empty()) GTEST_SKIP() << "no mount namespace to hide a library in (unshare is refused here)";
  for (const Part& p : kParts) {
    const OptionalLibrary& library = optionalLibrary(p.part);
    std::string file = libraryFile(library.soname());
    ASSERT_FALSE(file.empty()) << library.soname() << " is not installed";
    // The part twice: the line is said once, and the second try fails as softly.
    const std::string twice = std::string(p.letter) + p.letter;
    ProcessResult r = runCommand(unshare + " sh -c 'mount --bind /dev/null " + file + " && cd " + folder_ + " && " +
                                 buildDir() + "/korva " + programPath("package_parts") + " " + twice + "'");
    EXPECT_EQ(r.exitCode, 0) << p.letter;
    EXPECT_EQ(results(), std::string(p.letter) + " 0\r\n" + p.letter + " 0\r\n");
    const std::string line = std::string("korva: no ") + p.purpose + ": " + library.soname() + " could not be loaded (";
    EXPECT_EQ(r.errors.rfind(line, 0), 0u) << r.errors;
    EXPECT_EQ(std::count(r.errors.begin(), r.errors.end(), '\n'), 1) << r.errors;
  }
}

TEST_F(Lazy, TheEmulatorIsLoadedOnlyForTheEmulatedCpu) {
  const std::string emulator = optionalLibrary(OptionalPart::EmulatedCpu).soname();
  auto started = [&](const std::string& cpu) {
    ProcessResult r = runParts("", "KORVA_CPU=" + cpu + " LD_DEBUG=libs ");
    EXPECT_EQ(r.exitCode, 0) << cpu;
    for (const std::string& file : initialisedLibraries(r.errors))
      if (fileName(file) == emulator) return true;
    return false;
  };
  EXPECT_TRUE(started("emulated"));
  if (!guest::nativeUnavailableReason().empty()) GTEST_SKIP() << "the native CPU cannot run here";
  EXPECT_FALSE(started("native"));
}

TEST_F(Lazy, WithoutTheEmulatorOnlyTheEmulatedCpuFailsToStart) {
  const std::string unshare = hidingPrefix();
  if (unshare.empty()) GTEST_SKIP() << "no mount namespace to hide a library in (unshare is refused here)";
  const OptionalLibrary& library = optionalLibrary(OptionalPart::EmulatedCpu);
  std::string file = libraryFile(library.soname());
  ASSERT_FALSE(file.empty()) << library.soname() << " is not installed";
  auto hidden = [&](const std::string& cpu) {
    return runCommand(unshare + " sh -c 'mount --bind /dev/null " + file + " && cd " + folder_ + " && KORVA_CPU=" +
                      cpu + " " + buildDir() + "/korva " + programPath("package_parts") + " t'");
  };
  ProcessResult r = hidden("emulated");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.errors.rfind("korva: no emulated CPU: " + library.soname() + " could not be loaded (", 0), 0u) << r.errors;
  EXPECT_NE(r.errors.find("\nkorva: the emulated CPU cannot run here: " + library.soname() + " could not be loaded\n"),
            std::string::npos)
      << r.errors;
  if (!guest::nativeUnavailableReason().empty()) GTEST_SKIP() << "the native CPU cannot run here";
  r = hidden("native");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.errors, "");
  EXPECT_NE(results(), "t 0\r\n");
}

TEST(OptionalLibrary, OneThatCannotBeLoadedIsSaidOnceAndHasNoFunctions) {
  OptionalLibrary absent("libkorva-no-such-library.so.9", "nothing in particular");
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(absent.load());
  EXPECT_FALSE(absent.load());
  absent.missing("asked again");
  std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(said.rfind("korva: no nothing in particular: libkorva-no-such-library.so.9 could not be loaded (", 0), 0u)
      << said;
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  EXPECT_EQ(absent.function("anything"), nullptr);
}

TEST(OptionalLibrary, EveryPartsLibraryLoadsUnderTheNameTheRunTimeUses) {
  // The names are written in the run-time; a new version of a library under another name
  // would otherwise go unnoticed until a player missed the part.
  for (OptionalPart part : kOptionalParts) {
    OptionalLibrary& library = optionalLibrary(part);
    EXPECT_TRUE(library.load()) << library.soname();
  }
}

}  // namespace
}  // namespace korva::test
