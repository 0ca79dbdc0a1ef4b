// Opening a file the program names. Only regular files are opened, and the open never
// waits: a FIFO without a writer, a device or a socket could hold the program for good, so
// each is refused at once, as a missing file is. Every loader and command that opens a
// file by name goes through here.
#pragma once
#include <fcntl.h>
#include <sys/types.h>

#include <string>

namespace korva {

// A descriptor (close-on-exec, blocking as files are) on the regular file at path, opened
// with flags (O_RDONLY, O_RDWR, O_WRONLY | O_CREAT | O_TRUNC...); -1 when path names no
// regular file or cannot be opened so. Creating makes a regular file with mode.
int openRegularFile(const std::string& path, int flags = O_RDONLY, mode_t mode = 0666);
// The same, without asking the hook below.
int openRegularFileDirectly(const std::string& path, int flags = O_RDONLY, mode_t mode = 0666);

// Sees every open made through openRegularFile and answers it: a recorder notes what was
// read, a replay hands out what was recorded. Called on the thread that opens.
class FileOpenHook {
 public:
  virtual ~FileOpenHook() = default;
  // A descriptor as openRegularFile gives it, or -1 with errno set.
  virtual int open(const std::string& path, int flags, mode_t mode) = 0;
};
// Process-wide; null: files are opened directly.
void setFileOpenHook(FileOpenHook* hook);

// A descriptor closed when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  ~FileDescriptor();
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept;
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  // Hands the descriptor over; this one holds none after.
  int release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

}  // namespace korva
