#include "app/replay/log_format.h"

#include <algorithm>
#include <cstring>

namespace korva::replay {
namespace {

constexpr size_t kHeaderFixed = 8 + 4 + 4 + 8 + 4 + 1;

uint64_t fixedAt(std::string_view b, size_t at, int bytes) {
  uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v |= uint64_t(static_cast<uint8_t>(b[at + i])) << (8 * i);
  return v;
}

uint32_t zigzag(uint32_t word) {
  int32_t v = static_cast<int32_t>(word);
  return (static_cast<uint32_t>(v) << 1) ^ static_cast<uint32_t>(v >> 31);
}
uint32_t unzigzag(uint64_t z) {
  uint32_t u = static_cast<uint32_t>(z);
  return (u >> 1) ^ (0u - (u & 1));
}

void putBytes(std::string& out, std::string_view bytes) {
  putVarint(out, bytes.size());
  out.append(bytes);
}

// Reads what an event holds, failing with the reason at the first thing out of bounds.
class Reader {
 public:
  Reader(ByteSource& source, std::string& why) : source_(source), why_(why) {}

  bool byte(uint8_t& b) { return raw(&b, 1); }
  bool varint(uint64_t& v, uint64_t max) {
    v = 0;
    for (int shift = 0; shift < 64; shift += 7) {
      uint8_t b;
      if (!byte(b)) return false;
      v |= uint64_t(b & 0x7F) << shift;
      if (!(b & 0x80)) {
        if (v > max) return fail("a number past its limit");
        return true;
      }
    }
    return fail("a number longer than ten bytes");
  }
  bool fixed(uint64_t& v, int bytes) {
    uint8_t b[8];
    if (!raw(b, bytes)) return false;
    v = 0;
    for (int i = 0; i < bytes; ++i) v |= uint64_t(b[i]) << (8 * i);
    return true;
  }
  // n bytes, read in slices so that a length the file lies about costs no more memory
  // than the file really holds.
  bool bytes(std::string& out, uint64_t n) {
    out.clear();
    constexpr uint64_t kSlice = 1 << 20;
    while (n > 0) {
      size_t part = static_cast<size_t>(std::min(n, kSlice));
      size_t at = out.size();
      out.resize(at + part);
      if (!raw(out.data() + at, part)) return false;
      n -= part;
    }
    return true;
  }
  bool sized(std::string& out, uint64_t max) {
    uint64_t n;
    return varint(n, max) && bytes(out, n);
  }
  bool fail(const char* what) {
    if (why_.empty()) why_ = what;
    return false;
  }

 private:
  bool raw(void* dst, size_t n) { return source_.read(dst, n) || fail("the recording is cut short"); }
  ByteSource& source_;
  std::string& why_;
};

bool decodeBody(Reader& r, uint64_t prevSeq, Event& e) {
  uint64_t v = 0;
  if (e.tag != Tag::Routine) {
    if (!r.varint(v, UINT64_MAX - prevSeq)) return false;
    e.seq = prevSeq + v;
  } else {
    e.seq = prevSeq;
  }
  uint8_t b = 0;
  switch (e.tag) {
    case Tag::Routine:
      if (!r.varint(v, UINT32_MAX)) return false;
      e.routine = static_cast<uint32_t>(v);
      return r.sized(e.text, kMaxDeclaration);
    case Tag::Value:
      if (!r.varint(v, UINT32_MAX) || !r.byte(b)) return false;
      e.routine = static_cast<uint32_t>(v);
      if ((b & 0x0F) > 3 || (b & 0xC0)) return r.fail("a value of an unknown form");
      e.form = static_cast<Form>(b & 0x0F);
      if (e.form == Form::Word) {
        if (!r.varint(v, UINT32_MAX)) return false;
        e.word = unzigzag(v);
      } else if (e.form == Form::Float) {
        if (!r.fixed(v, 4)) return false;
        e.word = static_cast<uint32_t>(v);
      } else if (e.form == Form::Text && !r.sized(e.text, kMaxText)) {
        return false;
      }
      if ((b & 0x10) && !r.sized(e.bytes, kMaxText)) return false;
      if (b & 0x20) {
        if (!r.varint(v, kMaxHandlesPerCall)) return false;
        e.handles = static_cast<uint32_t>(v);
      }
      return true;
    case Tag::Frame:
      if (!r.byte(b)) return false;
      if ((b & 0x0F) > 1 || (b & 0xC0)) return r.fail("a frame of an unknown kind");
      e.kind = b & 0x0F;
      e.hasMemoryHash = b & 0x10;
      e.hasPicture = b & 0x20;
      if (!r.fixed(e.hash, 8)) return false;
      if (e.hasMemoryHash && !r.fixed(e.memoryHash, 8)) return false;
      if (e.hasPicture) {
        uint64_t w, h;
        if (!r.varint(w, kMaxPictureSide) || !r.varint(h, kMaxPictureSide)) return false;
        e.width = static_cast<uint32_t>(w);
        e.height = static_cast<uint32_t>(h);
        if (w * h * 4 > kMaxPictureBytes) return r.fail("a picture past its limit");
        if (!r.varint(v, kMaxPictureBytes)) return false;
        if (v != w * h * 4) return r.fail("a picture whose size does not match its sides");
        return r.bytes(e.bytes, v);
      }
      return true;
    case Tag::File:
      if (!r.sized(e.text, kMaxPath) || !r.byte(b)) return false;
      if (b & 0xFC) return r.fail("a file of an unknown kind");
      e.kind = b & 1;
      e.carried = b & 2;
      if (!e.kind) return !e.carried || r.fail("data carried for a missing file");
      if (!r.fixed(e.hash, 8) || !r.varint(e.size, kMaxCarried)) return false;
      return !e.carried || r.bytes(e.bytes, e.size);
    case Tag::End:
      if (!r.byte(b)) return false;
      if (b > 2) return r.fail("an end of an unknown kind");
      e.kind = b;
      return e.kind != static_cast<uint8_t>(EndKind::Error) || r.sized(e.text, kMaxDeclaration);
  }
  return false;
}

}  // namespace

void putVarint(std::string& out, uint64_t v) {
  while (v >= 0x80) {
    out.push_back(static_cast<char>((v & 0x7F) | 0x80));
    v >>= 7;
  }
  out.push_back(static_cast<char>(v));
}

void putFixed(std::string& out, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
}

std::string encodeHeader(const Header& h) {
  std::string out(kMagic, sizeof kMagic);
  putFixed(out, h.version, 4);
  putFixed(out, h.flags, 4);
  putFixed(out, h.programHash, 8);
  putFixed(out, h.programSize, 4);
  std::string_view name = std::string_view(h.programName).substr(0, kMaxProgramName);
  out.push_back(static_cast<char>(name.size()));
  out.append(name);
  return out;
}

size_t decodeHeader(std::string_view b, Header& h, std::string& why) {
  if (b.size() < sizeof kMagic || std::memcmp(b.data(), kMagic, sizeof kMagic) != 0) {
    why = "not a korva recording";
    return 0;
  }
  if (b.size() < kHeaderFixed) {
    why = "the recording is cut short in its header";
    return 0;
  }
  h.version = static_cast<uint32_t>(fixedAt(b, 8, 4));
  if (h.version != kFormatVersion) {
    why = "a recording of format version " + std::to_string(h.version) + "; this korva reads version " +
          std::to_string(kFormatVersion);
    return 0;
  }
  h.flags = static_cast<uint32_t>(fixedAt(b, 12, 4));
  if (h.flags & ~kKnownFlags) {
    why = "the recording's header holds unknown flags";
    return 0;
  }
  h.programHash = fixedAt(b, 16, 8);
  h.programSize = static_cast<uint32_t>(fixedAt(b, 24, 4));
  size_t nameLength = static_cast<uint8_t>(b[28]);
  if (b.size() < kHeaderFixed + nameLength) {
    why = "the recording is cut short in its header";
    return 0;
  }
  h.programName.assign(b.substr(kHeaderFixed, nameLength));
  return kHeaderFixed + nameLength;
}

std::string encodeEvent(const Event& e, uint64_t prevSeq) {
  std::string out;
  out.push_back(static_cast<char>(e.tag));
  if (e.tag != Tag::Routine) putVarint(out, e.seq - prevSeq);
  switch (e.tag) {
    case Tag::Routine:
      putVarint(out, e.routine);
      putBytes(out, e.text);
      break;
    case Tag::Value:
      putVarint(out, e.routine);
      out.push_back(static_cast<char>(static_cast<uint8_t>(e.form) | (e.bytes.empty() ? 0 : 0x10) |
                                      (e.handles ? 0x20 : 0)));
      if (e.form == Form::Word) putVarint(out, zigzag(e.word));
      if (e.form == Form::Float) putFixed(out, e.word, 4);
      if (e.form == Form::Text) putBytes(out, e.text);
      if (!e.bytes.empty()) putBytes(out, e.bytes);
      if (e.handles) putVarint(out, e.handles);
      break;
    case Tag::Frame:
      out.push_back(static_cast<char>(e.kind | (e.hasMemoryHash ? 0x10 : 0) | (e.hasPicture ? 0x20 : 0)));
      putFixed(out, e.hash, 8);
      if (e.hasMemoryHash) putFixed(out, e.memoryHash, 8);
      if (e.hasPicture) {
        putVarint(out, e.width);
        putVarint(out, e.height);
        putBytes(out, e.bytes);
      }
      break;
    case Tag::File:
      putBytes(out, e.text);
      out.push_back(static_cast<char>((e.kind ? 1 : 0) | (e.kind && e.carried ? 2 : 0)));
      if (e.kind) {
        putFixed(out, e.hash, 8);
        putVarint(out, e.size);
        if (e.carried) out.append(e.bytes);
      }
      break;
    case Tag::End:
      out.push_back(static_cast<char>(e.kind));
      if (e.kind == static_cast<uint8_t>(EndKind::Error)) putBytes(out, e.text);
      break;
  }
  return out;
}

Decoded decodeEvent(ByteSource& source, uint64_t prevSeq, Event& event, std::string& why) {
  uint8_t tag;
  if (!source.read(&tag, 1)) return Decoded::End;
  if (tag < 1 || tag > 5) {
    why = "an event of an unknown kind";
    return Decoded::Damaged;
  }
  event = Event{};
  event.tag = static_cast<Tag>(tag);
  Reader reader(source, why);
  return decodeBody(reader, prevSeq, event) ? Decoded::Event : Decoded::Damaged;
}

}  // namespace korva::replay
