#include "app/debuggers.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace korva {
namespace {

bool messageBoxesAllowed() {
  if (std::getenv("KORVA_NO_MESSAGEBOX")) return false;
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) return false;
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  return !(driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0));
}

}  // namespace

void writeErrorLine(const std::string& text) {
  std::string line = text;
  for (char& c : line)
    if (c == '\n' || c == '\r') c = ' ';
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

void showMessageBox(const char* caption, const std::string& text) {
  if (messageBoxesAllowed()) SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text.c_str(), nullptr);
}

void StandaloneDebugger::debugError(const char* message) {
  writeErrorLine(message);
  showMessageBox("Error!", message);
}

void ConsoleDebugger::debugLog(const char* text) { writeErrorLine(text); }

}  // namespace korva
