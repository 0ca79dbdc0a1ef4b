#include "picture_support.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace korva::test {
namespace {

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

}  // namespace

void Picture::fill(int l, int t, int r, int b, uint32_t colour, int cl, int ct, int cr, int cb) {
  l = std::max({l, cl, 0});
  t = std::max({t, ct, 0});
  r = std::min({r, cr, width});
  b = std::min({b, cb, height});
  for (int y = t; y < b; ++y)
    for (int x = l; x < r; ++x) at(x, y) = colour;
}

void Picture::outline(int x, int y, int w, int h, uint32_t colour) {
  if (w <= 0 || h <= 0) return;
  fill(x, y, x + w, y + 1, colour);
  fill(x, y, x + 1, y + h, colour);
  fill(x + w - 1, y, x + w, y + h, colour);
  fill(x, y + h - 1, x + w, y + h, colour);
}

void Picture::copy(int sx, int sy, int w, int h, int dx, int dy) {
  const Picture before = *this;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (before.inside(sx + x, sy + y) && inside(dx + x, dy + y)) at(dx + x, dy + y) = before.at(sx + x, sy + y);
}

Picture readBmp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::vector<uint8_t> b((std::istreambuf_iterator<char>(f)), {});
  Picture p;
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || le32(b, 10) != 54 || (le32(b, 28) & 0xFFFF) != 24) {
    ADD_FAILURE() << path << " is not a 24-bit BMP";
    return p;
  }
  const int w = int(le32(b, 18)), h = int(le32(b, 22));
  const size_t row = (size_t(w) * 3 + 3) & ~size_t(3);
  if (w <= 0 || h <= 0 || b.size() != 54 + row * h) {
    ADD_FAILURE() << path << ": size does not match its header";
    return p;
  }
  p = Picture(w, h, 0);
  for (int y = 0; y < h; ++y) {
    const uint8_t* r = b.data() + 54 + row * size_t(h - 1 - y);  // bottom row first
    for (int x = 0; x < w; ++x) p.at(x, y) = uint32_t(r[x * 3 + 2]) << 16 | r[x * 3 + 1] << 8 | r[x * 3];
  }
  return p;
}

void writePng(const Picture& picture, const std::string& path) {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, picture.width, picture.height, 24, SDL_PIXELFORMAT_RGB24);
  ASSERT_NE(s, nullptr);
  for (int y = 0; y < picture.height; ++y) {
    auto* row = static_cast<uint8_t*>(s->pixels) + y * s->pitch;
    for (int x = 0; x < picture.width; ++x) {
      uint32_t c = picture.at(x, y);
      row[x * 3] = uint8_t(c >> 16);
      row[x * 3 + 1] = uint8_t(c >> 8);
      row[x * 3 + 2] = uint8_t(c);
    }
  }
  EXPECT_EQ(IMG_SavePNG(s, path.c_str()), 0) << IMG_GetError();
  SDL_FreeSurface(s);
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "korva-gfx-XXXXXX").string();
  if (mkdtemp(pattern.data())) path_ = pattern;
  EXPECT_FALSE(path_.empty());
}

TempDir::~TempDir() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

}  // namespace korva::test
