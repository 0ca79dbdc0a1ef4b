#include "soundengine/private/quiet_libraries.h"

#include <SDL2/SDL.h>
#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace korva::sound {
namespace {

std::mutex g_lock;
std::string g_lastMessage;

void remember(const char* text) {
  std::lock_guard lock(g_lock);
  g_lastMessage = text;
}

// ALSA's error handler, for every message of the process: the library also complains
// from SDL's device-watching thread, long after the device was opened.
extern "C" void silentAlsaError(const char*, int, const char*, int, const char* format, ...) {
  char text[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  remember(text);
}

using AlsaErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);

// SDL loads ALSA itself when it tries it; loading it first here lets the handler be set
// before SDL's first call. Where ALSA is not installed there is nothing to silence.
void silenceAlsa() {
  static std::once_flag once;
  std::call_once(once, [] {
    void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!alsa) return;
    using SetHandler = int (*)(AlsaErrorHandler);
    if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler"))) set(&silentAlsaError);
  });
}

void keepSdlLog(void*, int, SDL_LogPriority, const char* message) { remember(message); }

}  // namespace

QuietSoundLibraries::QuietSoundLibraries() {
  silenceAlsa();
  {
    std::lock_guard lock(g_lock);
    g_lastMessage.clear();
  }
  SDL_LogOutputFunction previous = nullptr;
  SDL_LogGetOutputFunction(&previous, &previousLogData_);
  previousLog_ = reinterpret_cast<void*>(previous);
  SDL_LogSetOutputFunction(&keepSdlLog, nullptr);
}

QuietSoundLibraries::~QuietSoundLibraries() {
  SDL_LogSetOutputFunction(reinterpret_cast<SDL_LogOutputFunction>(previousLog_), previousLogData_);
}

std::string QuietSoundLibraries::reason(const char* sdlError) const {
  if (sdlError && *sdlError) return sdlError;
  std::lock_guard lock(g_lock);
  return g_lastMessage.empty() ? "no audio device" : g_lastMessage;
}

}  // namespace korva::sound
