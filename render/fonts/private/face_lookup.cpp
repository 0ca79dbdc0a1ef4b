#include <fontconfig/fontconfig.h>
#include <strings.h>

#include <filesystem>

#include "core/package_folder.h"
#include "core/regular_file.h"
#include "render/fonts/private/face_source.h"

namespace korva::fonts {

namespace {

bool sameName(const char* a, const std::string& b) { return strcasecmp(a, b.c_str()) == 0; }

// A packaged game's own configuration, and the font files of its package: only those, so
// it looks the same on every system. Files added one by one are never cached, so nothing
// is written into the player's home (nor missed where there is none).
bool usePackagedConfig(const std::string& file) {
  FcConfig* config = FcConfigCreate();
  if (!config) return false;
  bool ok = FcConfigParseAndLoad(config, reinterpret_cast<const FcChar8*>(file.c_str()), FcTrue) &&
            FcConfigBuildFonts(config);
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(packageFolder() + "/" + std::string(kPackagedFonts), ec))
    if (ok && FileDescriptor(openRegularFile(entry.path().string())))
      FcConfigAppFontAddFile(config, reinterpret_cast<const FcChar8*>(entry.path().c_str()));
  ok = ok && FcConfigSetCurrent(config);
  FcConfigDestroy(config);  // the current configuration holds its own reference
  return ok;
}

bool fontconfigReady() {
  static const bool ready = [] {
    std::string packaged = packagedFile(kPackagedFontConfig);
    return (!packaged.empty() && usePackagedConfig(packaged)) || FcInit();
  }();
  return ready;
}

}  // namespace

FaceSource findFace(const std::string& family, bool bold, bool italic) {
  if (!fontconfigReady()) return {};
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return {};
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return {};

  FaceSource found;
  FcChar8* file = nullptr;
  int index = 0;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
    found.file = reinterpret_cast<const char*>(file);
    if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) found.index = index;
  }
  // fontconfig always answers with some face; only one of the asked family is a match.
  bool sameFamily = false;
  FcChar8* name = nullptr;
  for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i)
    sameFamily |= sameName(reinterpret_cast<const char*>(name), family);
  FcPatternDestroy(match);
  if (!sameFamily && strcasecmp(family.c_str(), "courier") == 0) return {};
  return found;
}

bool offerFontFile(const std::string& fileName) {
  // fontconfig opens what it is given and would wait for ever on a FIFO: regular files only.
  FileDescriptor file(openRegularFile(fileName));
  if (!file || !fontconfigReady()) return false;
  return FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(fileName.c_str())) == FcTrue;
}

void withdrawFontFiles() {
  if (FcConfigGetCurrent()) FcConfigAppFontClear(nullptr);
}

}  // namespace korva::fonts
