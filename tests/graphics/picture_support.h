// Pictures for the graphics command tests, made without the run-time's canvas code: a BMP
// reader, a reference rasteriser for fills, plots and copies, and PNG files written with
// SDL2_image.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korva::test {

// RGB pixels (0x00RRGGBB), row 0 at the top.
struct Picture {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;

  Picture() = default;
  Picture(int w, int h, uint32_t fill) : width(w), height(h), pixels(size_t(w) * h, fill) {}
  uint32_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
  uint32_t& at(int x, int y) { return pixels[size_t(y) * width + x]; }
  bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }

  // Fills [l, r) x [t, b), clipped to the clip box and to the picture.
  void fill(int l, int t, int r, int b, uint32_t colour, int cl, int ct, int cr, int cb);
  void fill(int l, int t, int r, int b, uint32_t colour) { fill(l, t, r, b, colour, 0, 0, width, height); }
  void plot(int x, int y, uint32_t colour) { fill(x, y, x + 1, y + 1, colour); }
  // The outline of a rectangle, each edge clipped on its own.
  void outline(int x, int y, int w, int h, uint32_t colour);
  // Copies a w x h block from (sx, sy) to (dx, dy), leaving out what lies outside the source.
  void copy(int sx, int sy, int w, int h, int dx, int dy);
};

// Reads an uncompressed 24-bit BMP as written by SaveBuffer; fails the test when it is not one.
Picture readBmp(const std::string& path);
// Writes the picture as a 24-bit PNG.
void writePng(const Picture& picture, const std::string& path);

// A fresh directory, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace korva::test
