// The libraries a package never carries, because every system it runs on has them and they
// must be the system's own: the C library's files (they go with the system's kernel
// interface and its dynamic loader) and the C++ and compiler support libraries (the
// system's graphics drivers load them too, and two copies in one process do not mix).
// Everything else a game needs travels in its package.
#pragma once
#include <string_view>
#include <vector>

namespace korva::package {

// soname as a library names it ("libc.so.6").
bool isBaseLibrary(std::string_view soname);

// The list, as shown to the author and the player.
const std::vector<std::string_view>& baseLibraries();

}  // namespace korva::package
