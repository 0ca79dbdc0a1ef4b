#include "app/package/runtime_libraries.h"

#include <link.h>

#include <filesystem>

#include "app/package/base_system.h"
#include "core/optional_library.h"

namespace korva::package {

std::vector<RuntimeLibrary> runtimeLibraries(std::string& error) {
  for (OptionalPart part : kOptionalParts) {
    OptionalLibrary& library = optionalLibrary(part);
    if (!library.load() && error.empty()) error = library.soname() + " (" + library.purpose() + ") is not installed here";
  }
  std::vector<RuntimeLibrary> found;
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* data) {
        // The executable itself has no name here, the kernel's virtual library no file.
        if (!info->dlpi_name || info->dlpi_name[0] != '/') return 0;
        std::string name = std::filesystem::path(info->dlpi_name).filename().string();
        if (!isBaseLibrary(name)) static_cast<std::vector<RuntimeLibrary>*>(data)->push_back({name, info->dlpi_name});
        return 0;
      },
      &found);
  return found;
}

}  // namespace korva::package
