#include "core/regular_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace korva {
namespace {
std::atomic<FileOpenHook*> g_hook{nullptr};
}  // namespace

void setFileOpenHook(FileOpenHook* hook) { g_hook.store(hook); }

int openRegularFile(const std::string& path, int flags, mode_t mode) {
  if (FileOpenHook* hook = g_hook.load(std::memory_order_acquire)) return hook->open(path, flags, mode);
  return openRegularFileDirectly(path, flags, mode);
}

int openRegularFileDirectly(const std::string& path, int flags, mode_t mode) {
  // Opening a device can act on it (a tape rewinds), so what is known not to be a regular
  // file is not opened at all.
  struct stat st {};
  if (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    errno = EINVAL;
    return -1;
  }
  // O_NONBLOCK only for the open itself: on a FIFO it returns at once (or fails for want
  // of a reader) instead of waiting for the other end.
  int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, mode);
  if (fd < 0) return -1;
  // What was opened may not be what was looked at: the name can change in between.
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    ::close(fd);
    errno = EINVAL;
    return -1;
  }
  return fd;
}

FileDescriptor::~FileDescriptor() {
  if (fd_ >= 0) ::close(fd_);
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.release();
  }
  return *this;
}

}  // namespace korva
