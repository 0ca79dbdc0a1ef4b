// The byte stream behind every stream handle a program holds: files and TCP connections
// alike, read and written by the same commands and by the bank commands.
#pragma once
#include <cstdint>

namespace korva::io {

// Every stream is in the set of live streams (the handle registry, kind Stream) from its
// construction to its destruction, whatever its kind.
class Stream {
 public:
  Stream();
  virtual ~Stream();
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  // Copies up to count bytes into buffer; returns how many arrived (0 for count <= 0).
  virtual int32_t read(void* buffer, int32_t count) = 0;
  // Returns how many of the count bytes were taken.
  virtual int32_t write(const void* buffer, int32_t count) = 0;
  // Bytes that can be read now without waiting.
  virtual int32_t avail() = 0;
  // 0 while more data may come; the end's value depends on the kind.
  virtual int32_t eof() = 0;

  uint32_t handle() const { return handle_; }
  // The live stream under handle, or null.
  static Stream* find(uint32_t handle);
  // The same, but in debug mode a handle that is no live stream raises "Stream does not exist".
  static Stream* checked(int32_t handle);

 private:
  uint32_t handle_;
};

}  // namespace korva::io
