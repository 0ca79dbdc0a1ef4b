// Reading what shipped files need, and giving a library's own folder to its dependencies.
#include "app/package/elf_file.h"

#include <elf.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "app/package/base_system.h"
#include "package/package_support.h"

namespace korva::package {
namespace {

std::vector<uint8_t> bytesOf(const std::string& path) {
  std::string text = test::readText(path);
  return {text.begin(), text.end()};
}

bool has(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

TEST(ElfFile, KorvaNeedsNoOptionalLibraryAndSearchesItsOwnLibFolder) {
  std::string error;
  auto d = readElfDynamic(bytesOf(test::buildDir() + "/korva"), error);
  ASSERT_TRUE(d) << error;
  EXPECT_TRUE(has(d->needed, "libSDL2-2.0.so.0"));
  EXPECT_TRUE(has(d->needed, "libc.so.6"));
  for (const char* optional : {"libSDL2_image-2.0.so.0", "libopenmpt.so.0", "libfluidsynth.so.3", "libenet.so.7"})
    EXPECT_FALSE(has(d->needed, optional)) << optional;
  // Old-style, so the libraries' own dependencies are looked for there too.
  EXPECT_EQ(d->rpath, "$ORIGIN/lib");
  EXPECT_EQ(d->runpath, "");
  EXPECT_FALSE(highestVersion(d->versionsNeeded, "GLIBC_").empty());
}

// A small library with a RUNPATH, made here: the system's may not have one.
std::vector<uint8_t> libraryWithRunpath() {
  std::string dir = test::tempDir();
  std::string source = dir + "/runpath.c";
  std::ofstream(source) << "int answer(void) { return 42; }\n";
  auto r = test::runCommand("cc -shared -fPIC -o " + dir + "/librunpath.so " + source +
                            " -Wl,-soname,librunpath.so.1,--enable-new-dtags,-rpath,/usr/lib/some/private/folder -lm");
  EXPECT_EQ(r.exitCode, 0) << r.errors;
  return bytesOf(dir + "/librunpath.so");
}

TEST(ElfFile, ARunpathBecomesAnRpathOfTheLibrarysOwnFolder) {
  std::vector<uint8_t> bytes = libraryWithRunpath();
  std::string error;
  auto before = readElfDynamic(bytes, error);
  ASSERT_TRUE(before) << error;
  EXPECT_EQ(before->soname, "librunpath.so.1");
  EXPECT_EQ(before->runpath, "/usr/lib/some/private/folder");
  EXPECT_EQ(before->rpath, "");

  ASSERT_TRUE(runpathToOwnFolder(bytes));
  auto after = readElfDynamic(bytes, error);
  ASSERT_TRUE(after) << error;
  EXPECT_EQ(after->runpath, "");
  EXPECT_EQ(after->rpath, "$ORIGIN");
  EXPECT_EQ(after->needed, before->needed);
  EXPECT_EQ(after->soname, before->soname);
  // Nothing left to change the second time.
  EXPECT_FALSE(runpathToOwnFolder(bytes));
}

TEST(ElfFile, HighestVersionComparesPartByPart) {
  const struct {
    std::vector<std::string> names;
    std::string family, highest;
  } cases[] = {
      {{"GLIBC_2.2.5", "GLIBC_2.34", "GLIBC_2.4", "GLIBC_PRIVATE", "GLIBCXX_3.4.30"}, "GLIBC_", "2.34"},
      {{"GLIBC_2.2.5", "GLIBC_2.34", "GLIBCXX_3.4.9", "GLIBCXX_3.4.30", "CXXABI_1.3.13"}, "GLIBCXX_", "3.4.30"},
      {{"GLIBC_2.9", "GLIBC_2.10"}, "GLIBC_", "2.10"},
      {{"GLIBC_2.3", "GLIBC_2.3.4"}, "GLIBC_", "2.3.4"},
      {{"ALSA_0.9", "GLIBC_PRIVATE"}, "GLIBC_", ""},
      {{}, "GLIBC_", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(highestVersion(c.names, c.family), c.highest) << c.family << c.highest;
}

std::vector<uint8_t> header64() {
  std::vector<uint8_t> b(sizeof(Elf64_Ehdr), 0);
  std::memcpy(b.data(), ELFMAG, SELFMAG);
  b[EI_CLASS] = ELFCLASS64;
  b[EI_DATA] = ELFDATA2LSB;
  Elf64_Ehdr h;
  std::memcpy(&h, b.data(), sizeof h);
  h.e_phentsize = sizeof(Elf64_Phdr);
  h.e_phoff = 1u << 20;  // far past the end
  h.e_phnum = 1;
  std::memcpy(b.data(), &h, sizeof h);
  return b;
}

TEST(ElfFile, FilesThatAreNotWhatTheySeemGiveAReason) {
  std::vector<uint8_t> thirtyTwo = header64();
  thirtyTwo[EI_CLASS] = ELFCLASS32;
  std::vector<uint8_t> cut = header64();
  cut.resize(20);
  const struct {
    const char* what;
    std::vector<uint8_t> bytes;
    const char* error;
  } cases[] = {
      {"empty", {}, "not an ELF file"},
      {"text", {'#', '!', '/', 'b', 'i', 'n'}, "not an ELF file"},
      {"32-bit", thirtyTwo, "not a 64-bit little-endian ELF file"},
      {"header cut short", cut, "not an ELF file"},
      {"program headers outside", header64(), "program headers lie outside the file"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(readElfDynamic(c.bytes, error)) << c.what;
    EXPECT_EQ(error, c.error) << c.what;
  }
}

TEST(ElfFile, DamagedLibrariesNeverReadOutsideTheFile) {
  // Every offset and count in a real library, scrambled: the reader answers or refuses,
  // and the sanitizer build would see any read past the bytes.
  std::vector<uint8_t> original = libraryWithRunpath();
  std::mt19937 random(28);
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> bytes = original;
    const size_t span = round % 2 ? 4096 : bytes.size();  // the headers, or anywhere
    for (int flips = 1 + round % 8; flips > 0; --flips)
      bytes[random() % std::min(span, bytes.size())] = static_cast<uint8_t>(random());
    if (round % 5 == 0) bytes.resize(random() % bytes.size());
    std::string error;
    auto d = readElfDynamic(bytes, error);
    if (!d) {
      EXPECT_FALSE(error.empty());
    }
    runpathToOwnFolder(bytes);
  }
}

TEST(BaseSystem, OnlyTheCLibraryAndTheCompilersSupportLibrariesStay) {
#if defined(__aarch64__)
  const char* loader = "ld-linux-aarch64.so.1";
  const char* otherLoader = "ld-linux-x86-64.so.2";
#else
  const char* loader = "ld-linux-x86-64.so.2";
  const char* otherLoader = "ld-linux-aarch64.so.1";
#endif
  const struct {
    const char* soname;
    bool base;
  } cases[] = {
      {"libc.so.6", true},          {"libm.so.6", true},           {loader, true},
      {"libpthread.so.0", true},    {"libdl.so.2", true},          {"librt.so.1", true},
      {"libstdc++.so.6", true},     {"libgcc_s.so.1", true},       {"libSDL2-2.0.so.0", false},
      {"libz.so.1", false},         {"libasound.so.2", false},     {"libX11.so.6", false},
      {"libfluidsynth.so.3", false}, {"libunicorn.so.2", false},   {"libc.so.7", false},
      {otherLoader, false},
  };
  for (const auto& c : cases) EXPECT_EQ(isBaseLibrary(c.soname), c.base) << c.soname;
}

}  // namespace
}  // namespace korva::package
