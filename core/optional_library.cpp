#include "core/optional_library.h"

#include <dlfcn.h>

#include <cstdio>

namespace korva {

OptionalLibrary::OptionalLibrary(std::string soname, std::string purpose)
    : soname_(std::move(soname)), purpose_(std::move(purpose)) {}

bool OptionalLibrary::load() {
  std::call_once(loadOnce_, [this] {
    // Local: the library's names must not take the place of anyone else's. A packaged
    // game's executable finds it in the package's lib/ folder through its own search path.
    handle_ = dlopen(soname_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
      const char* why = dlerror();
      missing(why ? why : "not found");
    }
  });
  return handle_ != nullptr;
}

void* OptionalLibrary::function(const char* name) const { return handle_ ? dlsym(handle_, name) : nullptr; }

void OptionalLibrary::missing(const std::string& why) {
  std::call_once(sayOnce_, [&] {
    std::fprintf(stderr, "korva: no %s: %s could not be loaded (%s)\n", purpose_.c_str(), soname_.c_str(), why.c_str());
  });
}

OptionalLibrary& optionalLibrary(OptionalPart part) {
  // The file names of the versions the run-time is built against (checked where each is bound).
  static OptionalLibrary pictures("libSDL2_image-2.0.so.0", "PNG, JPEG or PCX pictures");
  static OptionalLibrary tracker("libopenmpt.so.0", "tracker music");
  static OptionalLibrary midi("libfluidsynth.so.3", "MIDI music");
  static OptionalLibrary network("libenet.so.7", "networking");
  static OptionalLibrary emulator("libunicorn.so.2", "emulated CPU");
  switch (part) {
    case OptionalPart::Pictures: return pictures;
    case OptionalPart::TrackerMusic: return tracker;
    case OptionalPart::MidiMusic: return midi;
    case OptionalPart::Network: return network;
    case OptionalPart::EmulatedCpu: break;
  }
  return emulator;
}

}  // namespace korva
