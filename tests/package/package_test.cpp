// korva --package: a folder (or archive) that runs with only the base system outside it.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "app/package/base_system.h"
#include "app/package/elf_file.h"
#include "package/package_support.h"
#include "support/programs.h"

namespace fs = std::filesystem;

namespace korva::test {
namespace {

// One package of the parts program for the whole suite, with its media as the assets.
class Package : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    source_ = tempDir() + "/package-source";
    writeMedia(source_);
    folder_ = tempDir() + "/package_parts";
    made_ = runCommand(buildDir() + "/korva --package " + programPath("package_parts") + " -o " + folder_ +
                       " --assets " + source_ + "/media/");
  }
  void SetUp() override { ASSERT_EQ(made_.exitCode, 0) << made_.errors; }
  static std::string source_, folder_;
  static ProcessResult made_;
};
std::string Package::source_, Package::folder_;
ProcessResult Package::made_;

std::vector<uint8_t> bytesOf(const fs::path& path) {
  std::string text = readText(path.string());
  return {text.begin(), text.end()};
}

TEST_F(Package, HoldsTheGameItsLibrariesFilesAndAReadme) {
  EXPECT_EQ(made_.output.rfind("Packaged package_parts in " + folder_ + ": ", 0), 0u) << made_.output;
  EXPECT_NE(made_.output.find("with glibc 2."), std::string::npos) << made_.output;
  for (const char* file : {"package_parts", "README.txt", "share/fonts/DejaVuSansMono.ttf",
                           "share/fonts/DejaVuSansMono.LICENSE.txt", "share/fontconfig/fonts.conf",
                           "share/soundfonts/default.sf2", "media/song.mid", "media/tune.mod", "media/picture.png",
                           "lib/libSDL2-2.0.so.0", "lib/libSDL2_image-2.0.so.0", "lib/libfreetype.so.6",
                           "lib/libfontconfig.so.1", "lib/libsndfile.so.1", "lib/libopenmpt.so.0",
                           "lib/libfluidsynth.so.3", "lib/libenet.so.7", "lib/libunicorn.so.2"})
    EXPECT_TRUE(fs::is_regular_file(folder_ + "/" + file)) << file;
  EXPECT_TRUE(fs::perms::owner_exec == (fs::status(folder_ + "/package_parts").permissions() & fs::perms::owner_exec));
  for (const fs::directory_entry& e : fs::directory_iterator(folder_ + "/lib"))
    EXPECT_FALSE(package::isBaseLibrary(e.path().filename().string())) << e.path();
  EXPECT_FALSE(fs::is_empty(folder_ + "/licences"));
  const std::string readme = readText(folder_ + "/README.txt");
  EXPECT_NE(readme.find("./package_parts"), std::string::npos);
  EXPECT_NE(readme.find("libstdc++.so.6"), std::string::npos);
  EXPECT_NE(readme.find("(in media/)"), std::string::npos);
}

TEST_F(Package, EveryLibraryEveryFileNeedsIsInTheFolderOrTheBaseSystem) {
  std::string error;
  auto exe = package::readElfDynamic(bytesOf(folder_ + "/package_parts"), error);
  ASSERT_TRUE(exe) << error;
  EXPECT_EQ(exe->rpath, "$ORIGIN/lib");
  for (const fs::directory_entry& e : fs::directory_iterator(folder_ + "/lib")) {
    auto lib = package::readElfDynamic(bytesOf(e.path()), error);
    ASSERT_TRUE(lib) << e.path() << ": " << error;
    // A RUNPATH would hide lib/ from the library's own dependencies.
    EXPECT_EQ(lib->runpath, "") << e.path();
    for (const std::string& needed : lib->needed)
      EXPECT_TRUE(package::isBaseLibrary(needed) || fs::exists(folder_ + "/lib/" + needed))
          << e.path().filename() << " needs " << needed;
  }
}

TEST_F(Package, ItRunsFromItsOwnLibrariesWhereverItIsStartedFrom) {
  const std::string elsewhere = tempDir() + "/elsewhere";
  fs::create_directories(elsewhere);
  ProcessResult r = runCommand("cd " + elsewhere + " && LD_DEBUG=libs " + folder_ +
                               "/package_parts --headless --frames 1 --screenshot shots mtpf");
  ASSERT_EQ(r.exitCode, 0) << r.errors.substr(r.errors.size() - std::min<size_t>(r.errors.size(), 2000));
  for (const std::string& file : initialisedLibraries(r.errors)) {
    const bool carried = file.rfind(folder_ + "/lib/", 0) == 0;
    // SDL looks for a few of the system's own by itself (device events): there or not.
    const bool systems = package::isBaseLibrary(fileName(file)) || fileName(file) == "libudev.so.1";
    EXPECT_TRUE(carried || systems) << file;
  }
  // It worked in its own folder, and the player's names stayed the player's.
  EXPECT_EQ(readText(folder_ + "/args.txt"), "mtpf\r\n");
  EXPECT_EQ(readText(folder_ + "/results.txt").substr(0, 2), "m ");
  EXPECT_EQ(readText(folder_ + "/results.txt").find(" 0\r\n"), std::string::npos) << readText(folder_ + "/results.txt");
  EXPECT_TRUE(fs::exists(elsewhere + "/shots/frame-000001.png"));
}

TEST_F(Package, ThePlayerCanPutAnotherSdlInPlaceOfTheCarriedOne) {
  // SDL's dynamic API: the carried SDL hands every call to the one the variable names.
  std::error_code ec;
#if defined(__aarch64__)
  const char* multiarch = "aarch64-linux-gnu";
#else
  const char* multiarch = "x86_64-linux-gnu";
#endif
  const std::string systems = fs::canonical(std::string("/usr/lib/") + multiarch + "/libSDL2-2.0.so.0", ec).string();
  if (ec) GTEST_SKIP() << "no system SDL to put in its place";
  ProcessResult r = runCommand("SDL_DYNAMIC_API=" + systems + " LD_DEBUG=libs " + folder_ +
                               "/package_parts --headless --frames 1 f");
  ASSERT_EQ(r.exitCode, 0) << r.errors.substr(r.errors.size() - std::min<size_t>(r.errors.size(), 2000));
  std::set<std::string> started = initialisedLibraries(r.errors);
  EXPECT_TRUE(started.count(systems)) << "the named SDL was not loaded";
  EXPECT_TRUE(started.count(folder_ + "/lib/libSDL2-2.0.so.0"));
}

TEST_F(Package, AnArchiveHoldsOneFolderNamedAfterIt) {
  const std::string archive = tempDir() + "/parts-archive.tar.gz";
  ProcessResult r = runCommand(buildDir() + "/korva --package " + programPath("package_parts") + " -o " + archive);
  ASSERT_EQ(r.exitCode, 0) << r.errors;
  EXPECT_NE(r.output.find(" packed)"), std::string::npos) << r.output;
  ProcessResult list = runCommand("tar -tzf " + archive);
  ASSERT_EQ(list.exitCode, 0);
  std::istringstream lines(list.output);
  size_t entries = 0;
  for (std::string line; std::getline(lines, line); ++entries)
    EXPECT_EQ(line.rfind("parts-archive/", 0), 0u) << line;
  EXPECT_GT(entries, 20u);
  EXPECT_NE(list.output.find("parts-archive/package_parts\n"), std::string::npos);
  EXPECT_NE(list.output.find("parts-archive/lib/libSDL2-2.0.so.0\n"), std::string::npos);
  // Nothing is left beside it.
  for (const fs::directory_entry& e : fs::directory_iterator(tempDir()))
    EXPECT_EQ(e.path().filename().string().rfind(".korva-package-", 0), std::string::npos) << e.path();
}

TEST_F(Package, WhatCannotBePackagedIsSaidAndNothingIsLeftHalfDone) {
  const std::string korva = buildDir() + "/korva --package ";
  const std::string program = programPath("package_parts");
  const std::string taken = tempDir() + "/taken";
  fs::create_directories(taken + "/lib");
  fs::create_directories(source_ + "/lib");
  const struct {
    std::string args;
    int exitCode;
    std::string error;
  } cases[] = {
      {tempDir() + "/no-such.kbm -o " + tempDir() + "/a", 1, "korva: cannot package " + tempDir() + "/no-such.kbm: "},
      {program + " -o " + taken, 1, "korva: cannot package: " + taken + " already exists and is not an empty folder"},
      {program + " -o " + tempDir() + "/b --assets " + tempDir() + "/no-such", 1, "korva: cannot package: "},
      {program + " -o " + tempDir() + "/c --assets " + source_ + "/lib", 1,
       "korva: cannot package: the assets folder cannot be called \"lib\""},
      {program, 2, "korva: --package needs -o OUT\n"},
      {program + " -o", 2, "korva: -o needs a value\n"},
      {program + " -x y", 2, "korva: --package takes -o OUT and --assets DIR, not -x\n"},
      {"-o " + tempDir() + "/d", 2, "korva: --package needs the program first\n"},
  };
  for (const auto& c : cases) {
    ProcessResult r = runCommand(korva + c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.args;
    EXPECT_EQ(r.errors.rfind(c.error, 0), 0u) << c.args << "\n" << r.errors;
  }
  EXPECT_EQ(fs::directory_iterator(taken + "/lib"), fs::directory_iterator()) << "a taken folder is left alone";
  for (const char* half : {"/a", "/b", "/c", "/d"}) EXPECT_FALSE(fs::exists(tempDir() + half)) << half;
}

}  // namespace
}  // namespace korva::test
