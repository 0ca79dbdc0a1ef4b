#include "io/files/file_stream.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace korva::io {
namespace {

// Reads until count bytes, the end of the file or an error; returns the bytes read.
int64_t readFully(int fd, char* p, int64_t count) {
  int64_t done = 0;
  while (done < count) {
    ssize_t n = ::read(fd, p + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

int64_t writeFully(int fd, const char* p, int64_t count) {
  int64_t done = 0;
  while (done < count) {
    ssize_t n = ::write(fd, p + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

}  // namespace

std::unique_ptr<FileStream> FileStream::open(const std::string& path, Mode mode) {
  int flags = O_CLOEXEC | O_NONBLOCK;  // a FIFO without a writer must not block the open
  switch (mode) {
    case Mode::Update: flags |= O_RDWR; break;
    case Mode::Read: flags |= O_RDONLY; break;
    case Mode::Write: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
  }
  int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) return nullptr;
  struct stat st {};
  // Reading a directory opens here but not on the other platform: no file, no stream.
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) ||
      fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<FileStream>(new FileStream(fd, mode != Mode::Write, mode != Mode::Read));
}

FileStream::FileStream(int fd, bool readable, bool writable)
    : fd_(fd), block_(new char[kBlock]), readable_(readable), writable_(writable) {}

FileStream::~FileStream() {
  flush();
  ::close(fd_);
}

bool FileStream::flush() {
  if (pending_ == 0) return true;
  bool ok = writeFully(fd_, block_.get(), pending_) == pending_;
  pending_ = 0;
  if (!ok) writeFailed_ = true;
  return ok;
}

void FileStream::dropReadAhead() {
  if (start_ == end_) return;
  lseek(fd_, pos_, SEEK_SET);
  start_ = end_ = 0;
}

bool FileStream::fill() {
  start_ = 0;
  end_ = static_cast<int32_t>(readFully(fd_, block_.get(), kBlock));
  return end_ > 0;
}

int32_t FileStream::read(void* buffer, int32_t count) {
  if (count > 0 && count <= end_ - start_) {
    // The common case of small values: all of them read ahead already.
    std::memcpy(buffer, block_.get() + start_, static_cast<size_t>(count));
    start_ += count;
    pos_ += count;
    return count;
  }
  if (count <= 0 || !readable_) return 0;
  flush();
  auto* out = static_cast<char*>(buffer);
  int32_t done = 0;
  while (done < count) {
    if (start_ < end_) {
      int32_t n = std::min(count - done, end_ - start_);
      std::memcpy(out + done, block_.get() + start_, static_cast<size_t>(n));
      start_ += n;
      done += n;
      continue;
    }
    // Whole blocks go straight into the caller's memory.
    if (count - done >= kBlock) {
      int64_t direct = (count - done) / kBlock * kBlock;
      int64_t n = readFully(fd_, out + done, direct);
      done += static_cast<int32_t>(n);
      if (n < direct) break;
      continue;
    }
    if (!fill()) break;
  }
  pos_ += done;
  return done;
}

int32_t FileStream::write(const void* buffer, int32_t count) {
  if (count <= 0 || !writable_ || writeFailed_) return 0;
  dropReadAhead();
  const auto* in = static_cast<const char*>(buffer);
  if (pending_ + count <= kBlock) {
    std::memcpy(block_.get() + pending_, in, static_cast<size_t>(count));
    pending_ += count;
    pos_ += count;
    return count;
  }
  if (!flush()) return 0;
  int32_t taken;
  if (count >= kBlock) {
    taken = static_cast<int32_t>(writeFully(fd_, in, count));
    if (taken < count) writeFailed_ = true;
  } else {
    std::memcpy(block_.get(), in, static_cast<size_t>(count));
    pending_ = taken = count;
  }
  pos_ += taken;
  return taken;
}

int32_t FileStream::avail() { return end_ - start_; }

int32_t FileStream::eof() {
  if (start_ < end_) return 0;
  if (!readable_) return 1;
  flush();
  return fill() ? 0 : 1;
}

bool FileStream::seek(int64_t pos) {
  if (pos < 0) return false;
  flush();
  if (lseek(fd_, pos, SEEK_SET) < 0) {
    dropReadAhead();
    return false;
  }
  start_ = end_ = 0;
  pos_ = pos;
  return true;
}

}  // namespace korva::io
