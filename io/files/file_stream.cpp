#include "io/files/file_stream.h"

#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "core/regular_file.h"

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
  int flags = O_RDWR;
  if (mode == Mode::Read) flags = O_RDONLY;
  if (mode == Mode::Write) flags = O_WRONLY | O_CREAT | O_TRUNC;
  // A directory is no file here, as on the other platform, and a FIFO or a device could
  // block a read or a write for good.
  int fd = openRegularFile(path, flags);
  if (fd < 0) return nullptr;
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

int32_t FileStream::readUntil(char* buffer, int32_t count, char delimiter) {
  int32_t done = 0;
  while (done < count && (start_ < end_ || eof() == 0)) {
    // eof() filled the block when it was empty.
    const char* from = block_.get() + start_;
    int32_t n = std::min(count - done, end_ - start_);
    if (const void* found = std::memchr(from, delimiter, static_cast<size_t>(n)))
      n = static_cast<int32_t>(static_cast<const char*>(found) - from) + 1;
    std::memcpy(buffer + done, from, static_cast<size_t>(n));
    start_ += n;
    pos_ += n;
    done += n;
    if (buffer[done - 1] == delimiter) break;
  }
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
