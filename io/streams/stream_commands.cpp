// Values read from and written to any stream: little-endian, short reads never an error.
#include <algorithm>
#include <bit>
#include <cstring>
#include <string>
#include <vector>

#include "basic/strings.h"
#include "io/commands.h"
#include "io/stream.h"

namespace korva::io {

static_assert(std::endian::native == std::endian::little, "stream values are little-endian");

namespace {

// Reads width bytes into the low end of a zeroed word: what does not arrive stays zero.
uint32_t readWord(int32_t handle, int32_t width) {
  uint32_t value = 0;
  if (Stream* s = Stream::checked(handle)) s->read(&value, width);
  return value;
}

void writeWord(int32_t handle, uint32_t value, int32_t width) {
  if (Stream* s = Stream::checked(handle)) s->write(&value, width);
}

// Text read straight into a string in guest memory, as it arrives: the run-time holds the
// string and one chunk beyond it, never more than guest memory can still take.
class GrowingText {
 public:
  GrowingText() : text_(vxStrNew({})) {}
  ~GrowingText() {
    if (text_) vxStrRelease(text_);
  }
  GrowingText(const GrowingText&) = delete;
  GrowingText& operator=(const GrowingText&) = delete;

  // Room for up to want more bytes after the text, at least a page's worth: where it goes
  // and how much (room), or null when guest memory has not even that.
  char* extend(int32_t want, int32_t& room) {
    for (room = want;; room /= 2) {
      if (char* p = vxStrTryResize(text_, length_ + static_cast<size_t>(room))) return p + length_;
      if (room <= kLeastRoom) return nullptr;
    }
  }
  // Of the room given, the first n bytes are text.
  void keep(int32_t n) {
    length_ += static_cast<size_t>(n);
    vxStrResize(text_, length_);
  }
  // The string, owned by the caller.
  vxStr* release() {
    vxStr* s = text_;
    text_ = nullptr;
    return s;
  }

 private:
  static constexpr int32_t kLeastRoom = 4096;
  vxStr* text_;
  size_t length_ = 0;
};

// Strings and lines are read a chunk at a time, so a length field that lies, or a line
// without end, costs only the bytes that really arrive. A string's chunks double from the
// first after each full one, up to the largest.
constexpr int32_t kFirstChunk = 64 * 1024;
constexpr int32_t kChunk = 1 << 20;

// Reads count bytes and keeps those before the first zero byte. A text guest memory cannot
// take gives the empty string, and the stream is given up.
vxStr* readText(Stream& s, int32_t count) {
  GrowingText text;
  std::vector<char> discard;
  bool cut = false;
  for (int32_t remaining = count, next = kFirstChunk; remaining > 0; next = std::min(next * 2, kChunk)) {
    int32_t chunk = std::min(remaining, next), got;
    if (cut) {
      // Past the cut the bytes are still consumed, through a buffer of bounded size.
      discard.resize(static_cast<size_t>(chunk));
      got = s.read(discard.data(), chunk);
    } else {
      char* at = text.extend(chunk, chunk);
      if (!at) {
        s.abandon();
        return vxStrNew({});
      }
      got = std::max(s.read(at, chunk), 0);
      const void* zero = std::memchr(at, 0, static_cast<size_t>(got));
      text.keep(zero ? static_cast<int32_t>(static_cast<const char*>(zero) - at) : got);
      cut = zero != nullptr;
    }
    if (got < chunk) break;
    remaining -= got;
  }
  return text.release();
}

void writeText(int32_t handle, vxStr* text, bool line) {
  Stream* s = nullptr;
  try {
    s = Stream::checked(handle);
  } catch (...) {
    vxStrRelease(text);
    throw;
  }
  if (s) {
    std::string_view t = vxStrView(text);
    auto length = static_cast<int32_t>(t.size());
    if (!line) s->write(&length, 4);
    s->write(t.data(), length);
    if (line) s->write("\r\n", 2);
  }
  vxStrRelease(text);
}

}  // namespace

int32_t Eof(int32_t stream) {
  Stream* s = Stream::checked(stream);
  return s ? s->eof() : 0;
}

int32_t ReadAvail(int32_t stream) {
  Stream* s = Stream::checked(stream);
  return s ? s->avail() : 0;
}

int32_t ReadByte(int32_t stream) { return static_cast<int32_t>(readWord(stream, 1)); }
int32_t ReadShort(int32_t stream) { return static_cast<int32_t>(readWord(stream, 2)); }
int32_t ReadInt(int32_t stream) { return static_cast<int32_t>(readWord(stream, 4)); }
float ReadFloat(int32_t stream) { return std::bit_cast<float>(readWord(stream, 4)); }

vxStr* ReadString(int32_t stream) {
  Stream* s = Stream::checked(stream);
  if (!s) return vxStrNew({});
  Stream::Call call(*s);
  int32_t length = 0;
  if (s->read(&length, 4) < 4 || length <= 0) return vxStrNew({});
  return readText(*s, length);
}

vxStr* ReadLine(int32_t stream) {
  Stream* s = Stream::checked(stream);
  if (!s) return vxStrNew({});
  Stream::Call call(*s);
  GrowingText line;
  // Most lines are short: the first look is small, later ones grow.
  for (int32_t want = 256;; want = std::min(want * 2, kChunk)) {
    int32_t room;
    char* at = line.extend(want, room);
    if (!at) {
      // A line longer than guest memory can take ends as on a stream error.
      s->abandon();
      break;
    }
    const int32_t got = s->readUntil(at, room, '\n');
    const bool ended = got < room || (got > 0 && at[got - 1] == '\n');
    // Carriage returns go wherever they are; the line feed ends the line.
    int32_t kept = 0;
    for (int32_t i = 0; i < got; ++i)
      if (at[i] != '\r' && at[i] != '\n') at[kept++] = at[i];
    line.keep(kept);
    if (ended) break;
  }
  return line.release();
}

void WriteByte(int32_t stream, int32_t value) { writeWord(stream, static_cast<uint32_t>(value), 1); }
void WriteShort(int32_t stream, int32_t value) { writeWord(stream, static_cast<uint32_t>(value), 2); }
void WriteInt(int32_t stream, int32_t value) { writeWord(stream, static_cast<uint32_t>(value), 4); }
void WriteFloat(int32_t stream, float value) { writeWord(stream, std::bit_cast<uint32_t>(value), 4); }
void WriteString(int32_t stream, vxStr* text) { writeText(stream, text, false); }
void WriteLine(int32_t stream, vxStr* text) { writeText(stream, text, true); }

}  // namespace korva::io
