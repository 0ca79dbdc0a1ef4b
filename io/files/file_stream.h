// A disk file as a stream, with its own 4096-byte block buffer so that the bytes read ahead
// can be counted (avail) and reads and writes can be mixed safely at one position.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "io/stream.h"

namespace korva::io {

class FileStream final : public Stream {
 public:
  enum class Mode { Update, Read, Write };
  static constexpr int32_t kBlock = 4096;

  // Null when the file cannot be opened in that mode (a directory never opens).
  static std::unique_ptr<FileStream> open(const std::string& path, Mode mode);
  ~FileStream() override;

  int32_t read(void* buffer, int32_t count) override;
  int32_t readUntil(char* buffer, int32_t count, char delimiter) override;
  int32_t write(const void* buffer, int32_t count) override;
  // The bytes read ahead into the block and not yet handed out.
  int32_t avail() override;
  // 1 when no byte follows the current position; looks ahead without consuming.
  int32_t eof() override;
  Kind kind() const override { return Kind::File; }

  int64_t position() const { return pos_; }
  // False (position unchanged) when the system refuses the position.
  bool seek(int64_t pos);

 private:
  FileStream(int fd, bool readable, bool writable);
  bool flush();
  // Drops the read-ahead, putting the system's position back where the program is.
  void dropReadAhead();
  // Reads the next block; false at the end or on an error.
  bool fill();

  int fd_;
  std::unique_ptr<char[]> block_;
  int32_t start_ = 0, end_ = 0;  // read-ahead: block_[start_, end_)
  int32_t pending_ = 0;          // written into block_[0, pending_), not yet on disk
  int64_t pos_ = 0;              // where the program is, from the start of the file
  bool readable_, writable_;
  bool writeFailed_ = false;  // a lost block: later writes take nothing
};

}  // namespace korva::io
