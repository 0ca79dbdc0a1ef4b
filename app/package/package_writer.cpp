#include "app/package/package_writer.h"

#include <filesystem>
#include <fstream>
#include <optional>
#include <set>

#include "app/package/base_system.h"
#include "app/package/elf_file.h"
#include "app/package/licences.h"
#include "app/package/run_tool.h"
#include "app/package/runtime_libraries.h"
#include "core/package_folder.h"
#include "link/image_source.h"
#include "render/fonts/font.h"
#include "soundengine/sound_engine.h"

namespace fs = std::filesystem;

namespace korva::package {
namespace {

// Read instead of the system's: the game sees no font of the system, only the files of
// share/fonts/, which it adds itself (so it looks the same everywhere).
constexpr const char* kFontConfig =
    "<?xml version=\"1.0\"?>\n"
    "<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n"
    "<!-- The game sees only the font files in ../fonts/, which it adds itself at start. -->\n"
    "<fontconfig>\n"
    "</fontconfig>\n";

std::optional<std::vector<uint8_t>> readWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return std::nullopt;
  std::vector<uint8_t> bytes(static_cast<size_t>(in.tellg()));
  in.seekg(0);
  if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) return std::nullopt;
  return bytes;
}

bool writeWhole(const fs::path& path, std::span<const uint8_t> bytes) {
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

bool writeText(const fs::path& path, std::string_view text) {
  return writeWhole(path, {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

std::string writeExecutable(const PackagePlan& plan, const fs::path& folder, PackageReport& report) {
  // Debug information is for korva's developers; without it the executable is a twentieth
  // of the size.
  fs::path stripped = folder / (".stripped-" + plan.name);
  ToolResult strip = runTool({"strip", "--strip-debug", "-o", stripped.string(), plan.korva});
#if defined(__aarch64__)
  // Packaging on another processor's machine (an x86-64 one running this arm64 build under
  // emulation), whose own strip does not know arm64 files: the cross binutils' does.
  if (!strip.started || strip.exitCode != 0)
    strip = runTool({"aarch64-linux-gnu-strip", "--strip-debug", "-o", stripped.string(), plan.korva});
#endif
  std::string source = plan.korva;
  if (strip.started && strip.exitCode == 0) {
    source = stripped.string();
  } else {
    report.notes.push_back("strip (binutils) could not be run: the executable keeps its debug information");
  }
  std::string error = bundle(source, plan.image, (folder / plan.name).string(), CarriedKind::Package);
  std::error_code ec;
  fs::remove(stripped, ec);
  return error;
}

std::string writeLibraries(const fs::path& folder, std::vector<std::string>& systemFiles) {
  std::string missing;
  std::vector<RuntimeLibrary> libraries = runtimeLibraries(missing);
  if (!missing.empty()) return missing;
  for (const RuntimeLibrary& library : libraries) {
    fs::path target = folder / "lib" / library.name;
    if (fs::exists(target)) return "two libraries are called " + library.name;
    std::optional<std::vector<uint8_t>> bytes = readWhole(library.path);
    if (!bytes) return "cannot read " + library.path;
    // Its own dependencies are then looked for in lib/ first.
    runpathToOwnFolder(*bytes);
    if (!writeWhole(target, *bytes)) return "cannot write " + target.string();
    systemFiles.push_back(library.path);
  }
  return {};
}

std::string writeShared(const fs::path& folder, std::vector<std::string>& systemFiles, PackageReport& report) {
  fs::path share = folder / kPackagedFonts;
  if (!writeWhole(share / "DejaVuSansMono.ttf", defaultFontFace()) ||
      !writeText(share / "DejaVuSansMono.LICENSE.txt", defaultFontLicence()) ||
      !writeText(folder / kPackagedFontConfig, kFontConfig))
    return "cannot write the fonts into " + share.string();
  std::string soundFont = sound::findSoundFont();
  if (soundFont.empty()) {
    report.notes.push_back("no General MIDI sound font is installed here: the game will play no MIDI music");
    return {};
  }
  std::error_code ec;
  fs::create_directories((folder / kPackagedSoundFont).parent_path(), ec);
  if (!fs::copy_file(soundFont, folder / kPackagedSoundFont, ec)) return "cannot copy the sound font " + soundFont;
  systemFiles.push_back(soundFont);
  return {};
}

// "assets", also of "examples/game/assets/".
std::string assetsName(const PackagePlan& plan) {
  fs::path from = fs::path(plan.assets).lexically_normal();
  if (!from.has_filename()) from = from.parent_path();
  return from.filename().string();
}

std::string writeAssets(const PackagePlan& plan, const fs::path& folder) {
  if (plan.assets.empty()) return {};
  fs::path from(plan.assets);
  std::string name = assetsName(plan);
  static const std::set<std::string> taken = {"lib", "share", "licences", "README.txt"};
  if (name.empty() || name == "." || name == ".." || taken.count(name) || name == plan.name)
    return "the assets folder cannot be called \"" + name + "\" in the package";
  std::error_code ec;
  if (!fs::is_directory(from, ec)) return plan.assets + " is not a folder";
  fs::copy(from, folder / name, fs::copy_options::recursive, ec);
  if (ec) return "cannot copy " + plan.assets + ": " + ec.message();
  return {};
}

// Every library each file needs is in lib/ or the base system's; and how new a C and C++
// library the files need, together.
std::string checkPackage(const fs::path& folder, const std::string& name, PackageReport& report) {
  std::set<std::string> carried;
  std::vector<fs::path> files = {folder / name};
  for (const fs::directory_entry& e : fs::directory_iterator(folder / "lib")) {
    carried.insert(e.path().filename().string());
    files.push_back(e.path());
  }
  std::vector<std::string> versions;
  for (const fs::path& file : files) {
    std::optional<std::vector<uint8_t>> bytes = readWhole(file);
    std::string error;
    std::optional<ElfDynamic> d = bytes ? readElfDynamic(*bytes, error) : std::nullopt;
    if (!d) return file.filename().string() + ": " + (bytes ? error : "cannot be read");
    for (const std::string& needed : d->needed)
      if (!carried.count(needed) && !isBaseLibrary(needed))
        return file.filename().string() + " needs " + needed + ", which is neither in lib/ nor in the base system";
    versions.insert(versions.end(), d->versionsNeeded.begin(), d->versionsNeeded.end());
  }
  report.glibc = highestVersion(versions, "GLIBC_");
  report.glibcxx = highestVersion(versions, "GLIBCXX_");
  return {};
}

void count(const fs::path& folder, PackageReport& report) {
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(folder)) {
    if (!e.is_regular_file()) continue;
    ++report.files;
    report.bytes += e.file_size();
  }
}

std::string fillPackage(const PackagePlan& plan, const fs::path& folder, PackageReport& report) {
  std::vector<std::string> systemFiles;
  std::string error = writeExecutable(plan, folder, report);
  if (error.empty()) error = writeLibraries(folder, systemFiles);
  if (error.empty()) error = writeShared(folder, systemFiles, report);
  if (error.empty()) error = writeAssets(plan, folder);
  if (error.empty()) error = checkPackage(folder, plan.name, report);
  if (!error.empty()) return error;
  std::string why;
  if (writeLicences(systemFiles, (folder / "licences").string(), why).empty())
    report.notes.push_back("no licence files were written: " + why);
  if (!writeText(folder / "README.txt", readmeText(plan.name, plan.assets.empty() ? "" : assetsName(plan), report)))
    return "cannot write " + (folder / "README.txt").string();
  count(folder, report);
  return {};
}

}  // namespace

std::string writePackage(const PackagePlan& plan, const std::string& folderName, PackageReport& report) {
  fs::path folder(folderName);
  std::error_code ec;
  if (fs::exists(folder, ec) && !(fs::is_directory(folder, ec) && fs::is_empty(folder, ec)))
    return folderName + " already exists and is not an empty folder";
  fs::create_directories(folder / "lib", ec);
  if (ec) return "cannot make " + folderName + ": " + ec.message();
  std::string error = fillPackage(plan, folder, report);
  // Half a package would pass for a whole one.
  if (!error.empty()) fs::remove_all(folder, ec);
  return error;
}

}  // namespace korva::package
