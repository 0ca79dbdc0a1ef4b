// Which shared libraries the run-time needs on this system: those this process has loaded
// once every optional library is loaded too, as the dynamic loader found them. What the
// loader found is what the package must carry, whatever distribution this is.
#pragma once
#include <string>
#include <vector>

namespace korva::package {

struct RuntimeLibrary {
  std::string name;  // as the loader looked for it ("libSDL2-2.0.so.0")
  std::string path;  // where it found it
};

// Every library but the base system's, in the order they were loaded; error names an
// optional library that cannot be loaded here.
std::vector<RuntimeLibrary> runtimeLibraries(std::string& error);

}  // namespace korva::package
