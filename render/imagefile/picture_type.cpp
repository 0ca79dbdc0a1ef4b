#include <algorithm>
#include <cctype>
#include <cstring>
#include <initializer_list>

#include "render/imagefile/private/picture_type.h"

namespace korva::picture {

namespace {

constexpr uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

bool startsWith(const uint8_t* b, size_t n, std::initializer_list<uint8_t> sig) {
  if (n < sig.size()) return false;
  return std::memcmp(b, sig.begin(), sig.size()) == 0;
}

// Manufacturer 10, a known version, run-length encoding.
bool pcxSignature(const uint8_t* b, size_t n) {
  return n >= 3 && b[0] == 0x0A && (b[1] == 0 || (b[1] >= 2 && b[1] <= 5)) && b[2] == 1;
}

uint32_t le16(const uint8_t* p) { return p[0] | p[1] << 8; }
uint32_t le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint32_t be16(const uint8_t* p) { return p[0] << 8 | p[1]; }
uint32_t be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

bool readExactly(SDL_RWops* rw, void* to, size_t n) { return SDL_RWread(rw, to, 1, n) == n; }

// How many pixels one byte of a file can stand for at most, for the compressed layouts:
// deflate gives at most 1032 bytes for one, PCX runs 63 for two, a BMP run 255 for two,
// and a Huffman-coded JPEG needs a bit per block of 64 pixels. Arithmetic coding has no
// such floor; its bound is only generous.
constexpr uint64_t kDeflateRatio = 1032;
constexpr uint64_t kPcxRatio = 32;
constexpr uint64_t kBmpRunRatio = 256;
constexpr uint64_t kJpegHuffmanRatio = 512;
constexpr uint64_t kJpegArithmeticRatio = 65536;

std::optional<Size> sized(int64_t w, int64_t h, uint64_t leastFileBytes) {
  if (w < 1 || h < 1) return std::nullopt;
  return Size{w, h, leastFileBytes};
}

uint64_t rowBytes(int64_t width, int bits) { return (static_cast<uint64_t>(width) * bits + 7) / 8; }

std::optional<Size> bmpSize(SDL_RWops* rw) {
  uint8_t h[34] = {};
  size_t got = SDL_RWread(rw, h, 1, sizeof h);
  if (got < 26 || h[0] != 'B' || h[1] != 'M') return std::nullopt;
  // The old core header has 16-bit sides; every later one 32-bit signed, a negative height
  // meaning rows stored top-down.
  int64_t width, height;
  int bits;
  uint32_t compression = 0;
  if (le32(h + 14) == 12) {
    width = le16(h + 18), height = le16(h + 20), bits = int(le16(h + 24));
  } else {
    if (got < sizeof h) return std::nullopt;
    width = int32_t(le32(h + 18)), height = int32_t(le32(h + 22));
    bits = int(le16(h + 28)), compression = le32(h + 30);
    if (height < 0) height = -height;
  }
  if (width < 1 || height < 1) return std::nullopt;
  bits = std::clamp(bits, 1, 64);
  // Uncompressed rows are padded to four bytes; the last one need not be.
  bool plain = compression == 0 || compression == 3 || compression == 6;
  uint64_t least = plain ? (rowBytes(width, bits) + 3) / 4 * 4 * uint64_t(height - 1) + rowBytes(width, bits)
                         : uint64_t(width) * uint64_t(height) / kBmpRunRatio;
  return sized(width, height, least);
}

std::optional<Size> pngSize(SDL_RWops* rw) {
  uint8_t h[26];
  if (!readExactly(rw, h, sizeof h) || std::memcmp(h, kPng, 8) != 0 || std::memcmp(h + 12, "IHDR", 4) != 0)
    return std::nullopt;
  int64_t width = be32(h + 16), height = be32(h + 20);
  if (width < 1 || height < 1) return std::nullopt;
  // Channels by colour type (grey, -, RGB, palette, grey and alpha, -, RGBA); each row
  // starts with its filter byte.
  static constexpr int kChannels[7] = {1, 1, 3, 1, 2, 1, 4};
  const int bits = std::max<int>(h[24], 1) * (h[25] < 7 ? kChannels[h[25]] : 1);
  return sized(width, height, uint64_t(height) * (1 + rowBytes(width, bits)) / kDeflateRatio);
}

// Beyond the size, the line layout: decoders size their line buffers from it, and some read
// the byte count as signed or trust it to hold a whole line.
std::optional<Size> pcxSize(SDL_RWops* rw) {
  uint8_t h[68];
  if (!readExactly(rw, h, sizeof h) || !pcxSignature(h, sizeof h)) return std::nullopt;
  int64_t width = int64_t(le16(h + 8)) - le16(h + 4) + 1, height = int64_t(le16(h + 10)) - le16(h + 6) + 1;
  const int bits = h[3], planes = h[65];
  const int64_t lineBytes = le16(h + 66);
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8) return std::nullopt;
  if (planes < 1 || planes > 4) return std::nullopt;
  if (width > 0 && (lineBytes < (width * bits + 7) / 8 || lineBytes >= 0x8000)) return std::nullopt;
  if (width < 1 || height < 1) return std::nullopt;
  return sized(width, height, uint64_t(height) * uint64_t(planes) * uint64_t(lineBytes) / kPcxRatio);
}

// Walks the marker segments up to the first start-of-frame. Every step moves forward by at
// least one byte, so a hostile file ends the walk at its end.
std::optional<Size> jpegSize(SDL_RWops* rw) {
  uint8_t b[2];
  if (!readExactly(rw, b, 2) || b[0] != 0xFF || b[1] != 0xD8) return std::nullopt;
  for (;;) {
    uint8_t marker;
    if (!readExactly(rw, &marker, 1) || marker != 0xFF) return std::nullopt;
    do  // fill bytes may pad a marker
      if (!readExactly(rw, &marker, 1)) return std::nullopt;
    while (marker == 0xFF);
    if (marker == 0xD9 || marker == 0xDA) return std::nullopt;  // image data before any frame
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
    if (!readExactly(rw, b, 2)) return std::nullopt;
    uint32_t length = be16(b);
    if (length < 2) return std::nullopt;
    bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      uint8_t f[5];  // precision, height, width
      if (length < 2 + sizeof f || !readExactly(rw, f, sizeof f)) return std::nullopt;
      const uint64_t pixels = uint64_t(be16(f + 3)) * be16(f + 1);
      return sized(be16(f + 3), be16(f + 1), pixels / (marker >= 0xC9 ? kJpegArithmeticRatio : kJpegHuffmanRatio));
    }
    // Seeking past the end succeeds; the next read then finds the end.
    if (SDL_RWseek(rw, length - 2, RW_SEEK_CUR) < 0) return std::nullopt;
  }
}

}  // namespace

Type detect(const uint8_t* b, size_t n) {
  if (n >= 8 && std::memcmp(b, kPng, 8) == 0) return Type::Png;
  if (startsWith(b, n, {0xFF, 0xD8, 0xFF})) return Type::Jpeg;
  if (startsWith(b, n, {'B', 'M'})) return Type::Bmp;
  if (pcxSignature(b, n)) return Type::Pcx;
  if (startsWith(b, n, {'I', 'I', 42, 0}) || startsWith(b, n, {'M', 'M', 0, 42}) ||
      startsWith(b, n, {0x59, 0xA6, 0x6A, 0x95}))
    return Type::Other;
  if (n >= 2 && b[0] == 'P' && b[1] >= '1' && b[1] <= '6') return Type::Other;
  return Type::Unknown;
}

Type fromExtension(std::string_view name) {
  size_t first = name.find('.');
  if (first == std::string_view::npos) return Type::Unknown;
  std::string_view rest = name.substr(first + 1);
  if (size_t last = rest.rfind('.'); last != std::string_view::npos) rest = rest.substr(last + 1);
  auto is = [&](std::string_view ext) {
    if (rest.size() != ext.size()) return false;
    for (size_t i = 0; i < ext.size(); ++i)
      if (std::tolower(static_cast<unsigned char>(rest[i])) != ext[i]) return false;
    return true;
  };
  if (is("bmp")) return Type::Bmp;
  if (is("jpg") || is("jif") || is("jpeg")) return Type::Jpeg;
  if (is("pcx")) return Type::Pcx;
  if (is("png")) return Type::Png;
  return Type::Unknown;
}

std::optional<Size> claimedSize(Type type, SDL_RWops* rw) {
  switch (type) {
    case Type::Bmp: return bmpSize(rw);
    case Type::Jpeg: return jpegSize(rw);
    case Type::Pcx: return pcxSize(rw);
    case Type::Png: return pngSize(rw);
    default: return std::nullopt;
  }
}

}  // namespace korva::picture
