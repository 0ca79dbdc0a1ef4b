// The small file-system commands: they pass names through and fail silently, so a program
// learns of a failure only through FileType, FileSize or CurrentDir.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "basic/strings.h"
#include "io/commands.h"
#include "io/files/files.h"
#include "io/files/paths.h"
#include "core/regular_file.h"

namespace korva::io {
namespace {

// The first entry of the directory search for a name whose last part holds wildcards, in
// the order the system lists them: "" when none matches.
std::string firstMatch(const std::string& path) {
  size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  std::string pattern = slash == std::string::npos ? path : path.substr(slash + 1);
  DIR* d = opendir(dir.c_str());
  if (!d) return {};
  std::string found;
  while (dirent* e = readdir(d)) {
    if (wildcardMatch(pattern, e->d_name)) {
      found = (slash == std::string::npos ? std::string() : dir) + e->d_name;
      break;
    }
  }
  closedir(d);
  return found;
}

// Copies the bytes of one open file into another; false when any of them is lost.
bool copyBytes(int in, int out) {
  constexpr size_t kChunk = 128 * 1024;
  std::unique_ptr<char[]> buffer(new char[kChunk]);
  for (;;) {
    ssize_t n = ::read(in, buffer.get(), kChunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    for (ssize_t done = 0; done < n;) {
      ssize_t w = ::write(out, buffer.get() + done, static_cast<size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return false;
      done += w;
    }
  }
}

void copyFile(const std::string& from, const std::string& to) {
  FileDescriptor in(openRegularFile(from));
  struct stat source {}, target {};
  if (!in || fstat(in.get(), &source) != 0) return;
  // A file copied onto itself would be emptied before a byte was read.
  if (stat(to.c_str(), &target) == 0 && target.st_dev == source.st_dev && target.st_ino == source.st_ino) return;
  FileDescriptor out(openRegularFile(to, O_WRONLY | O_CREAT | O_TRUNC, source.st_mode & 0777));
  if (out) copyBytes(in.get(), out.get());
}

}  // namespace

vxStr* CurrentDir() {
  std::unique_ptr<char, decltype(&std::free)> cwd(getcwd(nullptr, 0), &std::free);
  return vxStrNew(cwd ? cwd.get() : "");
}

void ChangeDir(vxStr* dir) { (void)chdir(hostPath(takeText(dir)).c_str()); }
void CreateDir(vxStr* dir) { mkdir(hostPath(takeText(dir)).c_str(), 0777); }
void DeleteDir(vxStr* dir) { rmdir(hostPath(takeText(dir)).c_str()); }
void DeleteFile(vxStr* name) { unlink(hostPath(takeText(name)).c_str()); }

void CopyFile(vxStr* from, vxStr* to) {
  std::string source = hostPath(vxStrView(from)), target = hostPath(vxStrView(to));
  vxStrRelease(from);
  if (to != from) vxStrRelease(to);
  copyFile(source, target);
}

int32_t FileType(vxStr* name) {
  struct stat st {};
  if (stat(hostPath(takeText(name)).c_str(), &st) != 0) return 0;
  return S_ISDIR(st.st_mode) ? 2 : 1;
}

int32_t FileSize(vxStr* name) {
  std::string path = hostPath(takeText(name));
  if (hasWildcard(path)) path = firstMatch(path);
  struct stat st {};
  if (path.empty() || stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return 0;
  return static_cast<int32_t>(static_cast<uint32_t>(st.st_size));
}

}  // namespace korva::io
