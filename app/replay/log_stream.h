// The recording on disk: the header, then the events through one zstd stream. The writer
// hands what it has to the kernel at every flush, so a run that crashes keeps everything up
// to its last flush, and the reader takes such a file as far as it goes.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "app/replay/log_format.h"

namespace korva::replay {

class LogWriter {
 public:
  ~LogWriter();
  // Creates (or replaces) path and writes the header; null with why set when it cannot.
  static std::unique_ptr<LogWriter> create(const std::string& path, const Header& header, std::string& why);

  // Queues encoded event bytes; compressed and written once enough are queued.
  void append(std::string_view bytes);
  // Compresses and writes everything queued, so it survives a crash of the process.
  void flush();
  // Ends the stream; nothing can be appended after. Idempotent.
  void finish();
  // Why writing failed (the disk is full...); empty while all is well.
  const std::string& failure() const { return failure_; }
  uint64_t bytesWritten() const { return written_; }
  uint64_t bytesAppended() const { return appended_; }

 private:
  LogWriter() = default;
  void compress(int mode);
  void writeOut(const void* data, size_t n);

  int fd_ = -1;
  void* stream_ = nullptr;  // ZSTD_CCtx
  std::string pending_;
  std::string out_;
  std::string failure_;
  uint64_t written_ = 0, appended_ = 0;
  bool finished_ = false;
};

// Reads the events back; a ByteSource over the decompressed stream.
class LogReader final : public ByteSource {
 public:
  ~LogReader() override;
  // Opens path and reads its header; null with why set when it is no recording this
  // korva reads.
  static std::unique_ptr<LogReader> open(const std::string& path, std::string& why);
  // The same over bytes held in memory (tests, fuzzing).
  static std::unique_ptr<LogReader> fromBytes(std::string bytes, std::string& why);

  const Header& header() const { return header_; }
  bool read(void* dst, size_t n) override;
  // Why the stream stopped early: damaged data, or a file that ends inside the stream
  // (a run that did not end cleanly). Empty while the stream is whole.
  const std::string& problem() const { return problem_; }
  // True once the stream has ended where the writer ended it.
  bool endedCleanly() const { return frameDone_ && inEnd_; }

 private:
  LogReader() = default;
  bool start(std::string& why);
  bool refill();
  bool readInput();

  int fd_ = -1;
  std::string memory_;  // the whole file, for fromBytes
  size_t memoryAt_ = 0;
  void* stream_ = nullptr;  // ZSTD_DCtx
  Header header_;
  std::string in_;
  size_t inPos_ = 0;
  std::string out_;
  size_t outPos_ = 0;
  bool inEnd_ = false;
  bool frameDone_ = false;
  std::string problem_;
};

}  // namespace korva::replay
