// Sanitizer builds carry the leaks of the libraries we use, so every run of korva in that
// build ends quietly unless our own code leaks. Included once, by the executable's main: an
// object file of its own in the static archive would never be linked in.
#pragma once
#if defined(__SANITIZE_ADDRESS__)
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
  return
      // Unicorn keeps 32 bytes of every engine that had a hook, even after uc_close.
      "leak:libunicorn.so\n"
      // fontconfig keeps a few hundred bytes of its configuration after the last reference.
      "leak:libfontconfig.so\n"
      // SDL on X11 starts D-Bus, whose connection buffers live until the process ends.
      "leak:libdbus-1.so\n"
      // libsndfile 1.2.0 leaks the Vorbis header state when it refuses a malformed Ogg file.
      "leak:vorbis_info_init\n";
}
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_options() {
  return "print_suppressions=0";
}
#endif
