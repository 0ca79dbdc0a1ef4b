#include "app/package/base_system.h"

#include <algorithm>

namespace korva::package {

const std::vector<std::string_view>& baseLibraries() {
  static const std::vector<std::string_view> names = {
      // The GNU C library.
      "ld-linux-x86-64.so.2", "libc.so.6", "libm.so.6", "libmvec.so.1", "libpthread.so.0", "libdl.so.2",
      "librt.so.1", "libresolv.so.2", "libutil.so.1", "libanl.so.1", "libnsl.so.1", "libBrokenLocale.so.1",
      "libthread_db.so.1", "libc_malloc_debug.so.0", "libnss_files.so.2", "libnss_dns.so.2",
      "libnss_compat.so.2", "libnss_hesiod.so.2", "libmemusage.so", "libpcprofile.so",
      // GCC's C++ and support libraries.
      "libstdc++.so.6", "libgcc_s.so.1",
      // The kernel's, in every process.
      "linux-vdso.so.1"};
  return names;
}

bool isBaseLibrary(std::string_view soname) {
  const auto& names = baseLibraries();
  return std::find(names.begin(), names.end(), soname) != names.end();
}

}  // namespace korva::package
