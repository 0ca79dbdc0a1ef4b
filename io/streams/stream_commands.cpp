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

// The first read of a string is this big; later ones double, so a long string costs few
// reads while a length field that lies costs only the bytes that really arrive.
constexpr int32_t kFirstChunk = 64 * 1024;

// Reads count bytes and keeps those before the first zero byte.
std::string readText(Stream& s, int32_t count) {
  std::string text;
  std::vector<char> discard;
  bool cut = false;
  int32_t remaining = count;
  while (remaining > 0) {
    int32_t chunk = std::min<int64_t>(remaining, std::max<int64_t>(kFirstChunk, text.size()));
    int32_t got;
    if (cut) {
      // Past the cut the bytes are still consumed, through a buffer of bounded size.
      chunk = std::min(chunk, kFirstChunk);
      discard.resize(static_cast<size_t>(chunk));
      got = s.read(discard.data(), chunk);
    } else {
      size_t at = text.size();
      text.resize(at + static_cast<size_t>(chunk));
      got = std::max(s.read(text.data() + at, chunk), 0);
      text.resize(at + static_cast<size_t>(got));
      if (const void* zero = std::memchr(text.data() + at, 0, static_cast<size_t>(got))) {
        text.resize(static_cast<size_t>(static_cast<const char*>(zero) - text.data()));
        cut = true;
      }
    }
    if (got < chunk) break;
    remaining -= got;
  }
  return text;
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
  int32_t length = 0;
  if (!s || s->read(&length, 4) < 4 || length <= 0) return vxStrNew({});
  return vxStrNew(readText(*s, length));
}

vxStr* ReadLine(int32_t stream) {
  std::string line;
  if (Stream* s = Stream::checked(stream)) {
    char c;
    while (s->read(&c, 1) == 1 && c != '\n')
      if (c != '\r') line += c;
  }
  return vxStrNew(line);
}

void WriteByte(int32_t stream, int32_t value) { writeWord(stream, static_cast<uint32_t>(value), 1); }
void WriteShort(int32_t stream, int32_t value) { writeWord(stream, static_cast<uint32_t>(value), 2); }
void WriteInt(int32_t stream, int32_t value) { writeWord(stream, static_cast<uint32_t>(value), 4); }
void WriteFloat(int32_t stream, float value) { writeWord(stream, std::bit_cast<uint32_t>(value), 4); }
void WriteString(int32_t stream, vxStr* text) { writeText(stream, text, false); }
void WriteLine(int32_t stream, vxStr* text) { writeText(stream, text, true); }

}  // namespace korva::io
