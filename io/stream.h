// The byte stream behind every stream handle a program holds: files and TCP connections
// alike, read and written by the same commands and by the bank commands.
#pragma once
#include <chrono>
#include <cstdint>
#include <optional>

namespace korva::io {

// Every stream is in the set of live streams (the handle registry, kind Stream) from its
// construction to its destruction, whatever its kind.
class Stream {
 public:
  using Clock = std::chrono::steady_clock;

  // The reads of one command that reads in several steps share one wait: on a stream that
  // waits, the time-out counts from the start of the command, not from each read (so a
  // peer that sends a byte now and then cannot hold a line open for ever).
  class Call {
   public:
    explicit Call(Stream& s) : stream_(s), outer_(s.callStart_) {
      if (!outer_) s.callStart_ = Clock::now();
    }
    ~Call() { stream_.callStart_ = outer_; }
    Call(const Call&) = delete;
    Call& operator=(const Call&) = delete;

   private:
    Stream& stream_;
    std::optional<Clock::time_point> outer_;
  };

  Stream();
  virtual ~Stream();
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  // Copies up to count bytes into buffer; returns how many arrived (0 for count <= 0).
  virtual int32_t read(void* buffer, int32_t count) = 0;
  // As read, but stops after the first byte equal to delimiter, which is copied too; what
  // follows it stays in the stream.
  virtual int32_t readUntil(char* buffer, int32_t count, char delimiter);
  // The command reading gave up on what the stream holds (a string or line longer than
  // guest memory can take): a connection fails as on an error; a file stays as it is.
  virtual void abandon() {}
  // Returns how many of the count bytes were taken.
  virtual int32_t write(const void* buffer, int32_t count) = 0;
  // Bytes that can be read now without waiting.
  virtual int32_t avail() = 0;
  // 0 while more data may come; the end's value depends on the kind.
  virtual int32_t eof() = 0;
  // Which kind of stream: the file and TCP commands take only their own.
  enum class Kind { File, Tcp, Other };
  virtual Kind kind() const { return Kind::Other; }

  uint32_t handle() const { return handle_; }
  // The live stream under handle, or null.
  static Stream* find(uint32_t handle);
  // The same, but in debug mode a handle that is no live stream raises "Stream does not exist".
  static Stream* checked(int32_t handle);

 protected:
  // Where a read that waits starts counting its time-out: the start of the current Call,
  // else now.
  Clock::time_point waitStart() const { return callStart_ ? *callStart_ : Clock::now(); }

 private:
  uint32_t handle_;
  std::optional<Clock::time_point> callStart_;
};

}  // namespace korva::io
