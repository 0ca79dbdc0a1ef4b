// What the packager reads from the shared libraries and the executable it ships: their
// dynamic section (the libraries each needs, its own name and search paths) and the symbol
// versions each needs (how new a C library it takes). Only 64-bit little-endian files are
// read; every offset is checked against the file.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace korva::package {

struct ElfDynamic {
  std::vector<std::string> needed;  // DT_NEEDED, in order
  std::string soname;
  std::string rpath, runpath;
  std::vector<std::string> versionsNeeded;  // "GLIBC_2.34", "GLIBCXX_3.4.30"...
  size_t runpathEntry = 0;                  // file offset of the DT_RUNPATH entry; 0: none
  size_t runpathText = 0;                   // file offset of its text
};

// The dynamic section of an ELF file's bytes; nothing, with error saying why, when the
// file is not a 64-bit little-endian ELF file with one, or a part of it lies outside.
std::optional<ElfDynamic> readElfDynamic(std::span<const uint8_t> bytes, std::string& error);

// Turns a library's DT_RUNPATH into a DT_RPATH naming its own folder ($ORIGIN), in place. A
// RUNPATH serves only the library's own dependencies and hides the executable's search
// path from them, and the system folder it names would be searched before the package's;
// as an RPATH of $ORIGIN the package's folder comes first, and the executable's path after
// it. False when the file has no RUNPATH (or also an RPATH, which the loader then ignores).
bool runpathToOwnFolder(std::vector<uint8_t>& bytes);

// The highest version of a family ("GLIBC_", "GLIBCXX_") among names, compared part by
// part ("2.34" > "2.4"); empty when none is of the family.
std::string highestVersion(const std::vector<std::string>& names, const std::string& family);

}  // namespace korva::package
