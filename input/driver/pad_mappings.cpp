#include "input/driver/pad_mappings.h"

#include <SDL2/SDL.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/regular_file.h"

namespace korva {
namespace {

// SDL's own database is about half a megabyte; anything far larger is not a mapping file.
constexpr size_t kMaxMappingBytes = size_t{8} << 20;

}  // namespace

int addPadMappings(const std::string& path) {
  // Read here rather than by SDL: only a regular file, so a FIFO cannot hold the game.
  FileDescriptor fd(openRegularFile(path));
  if (!fd) return 0;
  std::vector<char> text;
  char chunk[65536];
  for (ssize_t n; (n = read(fd.get(), chunk, sizeof chunk)) > 0;) {
    if (text.size() + static_cast<size_t>(n) > kMaxMappingBytes) {
      std::fprintf(stderr, "korva: %s is too large for pad mappings; ignored\n", path.c_str());
      return -1;
    }
    text.insert(text.end(), chunk, chunk + n);
  }
  if (text.empty()) return 0;
  const int added = SDL_GameControllerAddMappingsFromRW(SDL_RWFromConstMem(text.data(), static_cast<int>(text.size())), 1);
  if (added < 0) std::fprintf(stderr, "korva: no pad mappings from %s: %s\n", path.c_str(), SDL_GetError());
  return added;
}

void addPlayerPadMappings() {
  if (const char* folder = std::getenv("KORVA_GAME_FOLDER"); folder && *folder)
    addPadMappings(std::string(folder) + "/gamecontrollerdb.txt");
  if (const char* file = std::getenv("SDL_GAMECONTROLLERCONFIG_FILE"); file && *file) addPadMappings(file);
}

}  // namespace korva
