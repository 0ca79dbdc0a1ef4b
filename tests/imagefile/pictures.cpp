#include "imagefile/pictures.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <bit>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "render/imagefile/image_file.h"

namespace korva::test {

uint32_t colourAt(int x, int y) {
  return 0xFF000000u | uint32_t(x * 37 + 20) % 256 << 16 | uint32_t(y * 53 + 10) % 256 << 8 | uint32_t(x * 11 + y * 29 + 100) % 256;
}
uint32_t alphaAt(int x, int y) { return uint32_t(x * 50 + y * 20) % 256; }

Bytes readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string& path, const Bytes& bytes) {
  // A new file rather than a truncated one: ext4 flushes a truncated file to disk on close,
  // which makes thousands of small writes take half a minute.
  std::remove(path.c_str());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

uint32_t crc32(const uint8_t* data, size_t n) {
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) {
    c ^= data[i];
    for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
  }
  return ~c;
}

uint32_t kept(uint32_t argb, const PixelLayout& l) {
  auto keep = [](uint32_t v, int shift, uint32_t mask) {
    int bits = std::popcount(mask);
    uint32_t top = 0xFFu << (8 - bits) & 0xFF;
    return (v >> shift & top) << shift;
  };
  return 0xFF000000u | keep(argb, 16, l.redMask) | keep(argb, 8, l.greenMask) | keep(argb, 0, l.blueMask);
}

namespace {

SDL_Surface* argbSurface(int w, int h, uint32_t (*colour)(int, int), bool alpha) {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint32_t v = colour(x, y);
      if (alpha) v = (v & 0xFFFFFF) | alphaAt(x, y) << 24;
      reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + y * s->pitch)[x] = v;
    }
  return s;
}

std::string scratch(const char* name) { return (std::filesystem::temp_directory_path() / name).string() + std::to_string(getpid()); }

void put16(Bytes& b, size_t at, uint32_t v) {
  b[at] = uint8_t(v);
  b[at + 1] = uint8_t(v >> 8);
}

Bytes pcxHeader(int w, int h, int planes, int bytesPerLine) {
  Bytes b(128, 0);
  b[0] = 0x0A, b[1] = 5, b[2] = 1, b[3] = 8;
  put16(b, 8, w - 1);
  put16(b, 10, h - 1);
  put16(b, 12, 72);
  put16(b, 14, 72);
  b[65] = uint8_t(planes);
  put16(b, 66, bytesPerLine);
  put16(b, 68, 1);
  return b;
}

// Runs of up to 63; a lone byte below 0xC0 stands for itself.
void pcxEncode(Bytes& out, const Bytes& line) {
  for (size_t i = 0; i < line.size();) {
    size_t n = 1;
    while (i + n < line.size() && line[i + n] == line[i] && n < 63) ++n;
    if (n > 1 || line[i] >= 0xC0) out.push_back(uint8_t(0xC0 | n));
    out.push_back(line[i]);
    i += n;
  }
}

}  // namespace

Bytes pngFile(int w, int h) {
  SDL_Surface* s = argbSurface(w, h, colourAt, true);
  std::string path = scratch("korva_test_png");
  EXPECT_EQ(IMG_SavePNG(s, path.c_str()), 0) << IMG_GetError();
  SDL_FreeSurface(s);
  Bytes b = readFile(path);
  std::remove(path.c_str());
  return b;
}

Bytes jpegFile(int w, int h, uint32_t (*colour)(int, int)) {
  SDL_Surface* s = argbSurface(w, h, colour, false);
  std::string path = scratch("korva_test_jpg");
  EXPECT_EQ(IMG_SaveJPG(s, path.c_str(), 100), 0) << IMG_GetError();
  SDL_FreeSurface(s);
  Bytes b = readFile(path);
  std::remove(path.c_str());
  return b;
}

Bytes pcx8File(int w, int h) {
  int bpl = (w + 1) & ~1;  // lines have an even number of bytes
  Bytes b = pcxHeader(w, h, 1, bpl);
  Bytes palette(768, 0);
  for (int y = 0; y < h; ++y) {
    Bytes line(bpl, 0);
    for (int x = 0; x < w; ++x) {
      // Colour index = position, with the first rows repeated so the encoder makes runs.
      int i = (y * w + x) % 256;
      uint32_t c = colourAt(x, y);
      palette[i * 3] = uint8_t(c >> 16), palette[i * 3 + 1] = uint8_t(c >> 8), palette[i * 3 + 2] = uint8_t(c);
      line[x] = uint8_t(i);
    }
    pcxEncode(b, line);
  }
  b.push_back(0x0C);
  b.insert(b.end(), palette.begin(), palette.end());
  return b;
}

Bytes pcx24File(int w, int h) {
  int bpl = (w + 1) & ~1;
  Bytes b = pcxHeader(w, h, 3, bpl);
  for (int y = 0; y < h; ++y)
    for (int plane = 0; plane < 3; ++plane) {
      Bytes line(bpl, 0);
      for (int x = 0; x < w; ++x) line[x] = uint8_t(colourAt(x, y) >> (16 - 8 * plane));
      pcxEncode(b, line);
    }
  return b;
}

Bytes gifFile() {
  return {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF,
          0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 0x01, 0, 0x3B};
}

Bytes tiffHeader() { return {'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}; }

std::unique_ptr<Canvas> colourCanvas(int w, int h, const PixelLayout& layout) {
  auto c = Canvas::create(w, h, layout);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) c->setPixel(x, y, colourAt(x, y));
  return c;
}

Bytes bmpFile(int w, int h) {
  auto c = colourCanvas(w, h, PixelLayout::xrgb8888());
  std::string path = scratch("korva_test_bmp");
  EXPECT_TRUE(saveBmp(*c, path));
  Bytes b = readFile(path);
  std::remove(path.c_str());
  return b;
}

InTempDir::InTempDir() {
  char cwd[PATH_MAX];
  if (getcwd(cwd, sizeof cwd)) previous_ = cwd;
  std::string pattern = (std::filesystem::temp_directory_path() / "korva_imagefile_XXXXXX").string();
  if (mkdtemp(pattern.data())) path_ = pattern;
  if (path_.empty() || chdir(path_.c_str()) != 0) ADD_FAILURE() << "no temporary directory";
}

InTempDir::~InTempDir() {
  if (!previous_.empty() && chdir(previous_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << previous_;
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

void put16le(Bytes& b, size_t at, uint32_t v) {
  b.at(at) = uint8_t(v);
  b.at(at + 1) = uint8_t(v >> 8);
}
void put32le(Bytes& b, size_t at, uint32_t v) {
  put16le(b, at, v);
  put16le(b, at + 2, v >> 16);
}
void put16be(Bytes& b, size_t at, uint32_t v) {
  b.at(at) = uint8_t(v >> 8);
  b.at(at + 1) = uint8_t(v);
}
void put32be(Bytes& b, size_t at, uint32_t v) {
  put16be(b, at, v >> 16);
  put16be(b, at + 2, v);
}

// Recomputes every chunk's checksum, so mutations get past the CRC into the decoder.
void fixPngCrcs(Bytes& b) {
  for (size_t at = 8; at + 12 <= b.size();) {
    size_t len = size_t(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
    if (len > b.size() - at - 12) break;
    put32be(b, at + 8 + len, crc32(b.data() + at + 4, len + 4));
    at += 12 + len;
  }
}

// Real small pictures with the size in their headers changed.
Bytes bmpClaiming(int64_t w, int64_t h) {
  Bytes b = bmpFile(8, 8);
  put32le(b, 18, uint32_t(w));
  put32le(b, 22, uint32_t(h));
  return b;
}
Bytes pngClaiming(uint32_t w, uint32_t h) {
  Bytes b = pngFile(8, 8);
  put32be(b, 16, w);
  put32be(b, 20, h);
  fixPngCrcs(b);
  return b;
}
Bytes pcxClaiming(uint32_t w, uint32_t h) {
  Bytes b = pcx8File(8, 8);
  put16le(b, 8, w - 1);
  put16le(b, 10, h - 1);
  return b;
}
Bytes jpegClaiming(uint32_t w, uint32_t h) {
  Bytes b = jpegFile(8, 8, colourAt);
  for (size_t at = 2; at + 9 < b.size(); ++at)
    if (b[at] == 0xFF && b[at + 1] == 0xC0) {
      put16be(b, at + 5, h);
      put16be(b, at + 7, w);
      return b;
    }
  ADD_FAILURE() << "no baseline frame header";
  return b;
}

}  // namespace korva::test
