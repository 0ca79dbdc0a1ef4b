#include "app/replay/log_stream.h"

#include <fcntl.h>
#include <unistd.h>
#include <zstd.h>

#include <cerrno>
#include <cstring>

namespace korva::replay {
namespace {

// Enough to compress well, small enough that a long frame is not all held back.
constexpr size_t kQueueLimit = 256 * 1024;
constexpr size_t kHeaderReadSize = 512;

ZSTD_CCtx* cctx(void* p) { return static_cast<ZSTD_CCtx*>(p); }
ZSTD_DCtx* dctx(void* p) { return static_cast<ZSTD_DCtx*>(p); }

}  // namespace

LogWriter::~LogWriter() {
  finish();
  ZSTD_freeCCtx(cctx(stream_));
}

std::unique_ptr<LogWriter> LogWriter::create(const std::string& path, const Header& header, std::string& why) {
  std::unique_ptr<LogWriter> w(new LogWriter());
  w->fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (w->fd_ < 0) {
    why = "cannot write " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  w->stream_ = ZSTD_createCCtx();
  if (!w->stream_) {
    why = "cannot start compressing the recording";
    return nullptr;
  }
  ZSTD_CCtx_setParameter(cctx(w->stream_), ZSTD_c_compressionLevel, 3);
  std::string head = encodeHeader(header);
  w->writeOut(head.data(), head.size());
  if (!w->failure_.empty()) {
    why = w->failure_;
    return nullptr;
  }
  return w;
}

void LogWriter::append(std::string_view bytes) {
  if (finished_ || !stream_) return;
  pending_.append(bytes);
  appended_ += bytes.size();
  if (pending_.size() >= kQueueLimit) compress(ZSTD_e_continue);
}

void LogWriter::flush() {
  if (!finished_ && stream_) compress(ZSTD_e_flush);
}

void LogWriter::finish() {
  if (finished_) return;
  if (stream_ && fd_ >= 0) compress(ZSTD_e_end);
  finished_ = true;
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

void LogWriter::compress(int mode) {
  ZSTD_inBuffer in{pending_.data(), pending_.size(), 0};
  out_.resize(ZSTD_CStreamOutSize());
  for (;;) {
    ZSTD_outBuffer out{out_.data(), out_.size(), 0};
    size_t left = ZSTD_compressStream2(cctx(stream_), &out, &in, static_cast<ZSTD_EndDirective>(mode));
    if (ZSTD_isError(left)) {
      if (failure_.empty()) failure_ = std::string("compressing the recording failed: ") + ZSTD_getErrorName(left);
      break;
    }
    writeOut(out.dst, out.pos);
    bool done = mode == ZSTD_e_continue ? in.pos == in.size : left == 0;
    if (done) break;
  }
  pending_.clear();
}

void LogWriter::writeOut(const void* data, size_t n) {
  const char* p = static_cast<const char*>(data);
  while (n > 0 && failure_.empty() && fd_ >= 0) {
    ssize_t k = ::write(fd_, p, n);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) {
      failure_ = std::string("writing the recording failed: ") + std::strerror(errno);
      break;
    }
    p += k;
    n -= static_cast<size_t>(k);
    written_ += static_cast<uint64_t>(k);
  }
}

LogReader::~LogReader() {
  if (fd_ >= 0) ::close(fd_);
  ZSTD_freeDCtx(dctx(stream_));
}

std::unique_ptr<LogReader> LogReader::open(const std::string& path, std::string& why) {
  std::unique_ptr<LogReader> r(new LogReader());
  r->fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (r->fd_ < 0) {
    why = "cannot read " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  if (!r->start(why)) return nullptr;
  return r;
}

std::unique_ptr<LogReader> LogReader::fromBytes(std::string bytes, std::string& why) {
  std::unique_ptr<LogReader> r(new LogReader());
  r->memory_ = std::move(bytes);
  if (!r->start(why)) return nullptr;
  return r;
}

bool LogReader::start(std::string& why) {
  while (in_.size() < kHeaderReadSize && !inEnd_) readInput();
  size_t used = decodeHeader(in_, header_, why);
  if (!used) return false;
  inPos_ = used;
  stream_ = ZSTD_createDCtx();
  if (!stream_) {
    why = "cannot start reading the recording";
    return false;
  }
  // A hostile frame may not ask for a window beyond 128 MiB.
  ZSTD_DCtx_setParameter(dctx(stream_), ZSTD_d_windowLogMax, 27);
  return true;
}

bool LogReader::readInput() {
  in_.erase(0, inPos_);
  inPos_ = 0;
  constexpr size_t kChunk = 64 * 1024;
  size_t at = in_.size();
  if (fd_ < 0) {
    size_t n = std::min(kChunk, memory_.size() - memoryAt_);
    in_.append(memory_, memoryAt_, n);
    memoryAt_ += n;
    if (n == 0) inEnd_ = true;
    return n > 0;
  }
  in_.resize(at + kChunk);
  ssize_t k;
  do k = ::read(fd_, in_.data() + at, kChunk);
  while (k < 0 && errno == EINTR);
  in_.resize(at + (k > 0 ? static_cast<size_t>(k) : 0));
  if (k <= 0) inEnd_ = true;
  return k > 0;
}

bool LogReader::refill() {
  if (!problem_.empty()) return false;
  out_.resize(ZSTD_DStreamOutSize());
  outPos_ = 0;
  for (;;) {
    if (inPos_ == in_.size()) {
      if (!inEnd_) readInput();
      if (inPos_ == in_.size()) {
        if (!frameDone_) problem_ = "the recording ends early (the run did not end cleanly)";
        out_.clear();
        return false;
      }
    }
    ZSTD_inBuffer in{in_.data(), in_.size(), inPos_};
    ZSTD_outBuffer out{out_.data(), out_.size(), 0};
    size_t r = ZSTD_decompressStream(dctx(stream_), &out, &in);
    inPos_ = in.pos;
    if (ZSTD_isError(r)) {
      problem_ = std::string("the recording is damaged (") + ZSTD_getErrorName(r) + ")";
      out_.clear();
      return false;
    }
    frameDone_ = r == 0;
    if (out.pos > 0) {
      out_.resize(out.pos);
      return true;
    }
  }
}

bool LogReader::read(void* dst, size_t n) {
  char* d = static_cast<char*>(dst);
  while (n > 0) {
    if (outPos_ == out_.size() && !refill()) return false;
    size_t k = std::min(n, out_.size() - outPos_);
    std::memcpy(d, out_.data() + outPos_, k);
    outPos_ += k;
    d += k;
    n -= k;
  }
  return true;
}

}  // namespace korva::replay
