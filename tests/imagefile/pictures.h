// Picture files made inside the tests: PNG and JPEG through SDL2_image's writers, PCX by
// hand, GIF and TIFF as fixed bytes. Tests run in a fresh directory of their own, so short
// relative names (whose length decides how much of a file detection sees) are real.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "render/canvas/canvas.h"

namespace korva::test {

using Bytes = std::vector<uint8_t>;

// Opaque test colour of a picture pixel; alpha too, where a format keeps it.
uint32_t colourAt(int x, int y);
uint32_t alphaAt(int x, int y);

Bytes pngFile(int w, int h);  // RGBA, with alphaAt as alpha
Bytes jpegFile(int w, int h, uint32_t (*colour)(int x, int y));
Bytes pcx8File(int w, int h);   // palette of colourAt, run-length encoded
Bytes pcx24File(int w, int h);  // three planes
Bytes gifFile();                // 1 x 1
Bytes tiffHeader();
// A canvas of colourAt in the given layout, and its BMP file through saveBmp.
std::unique_ptr<Canvas> colourCanvas(int w, int h, const PixelLayout& layout);
Bytes bmpFile(int w, int h);

Bytes readFile(const std::string& path);
void writeFile(const std::string& path, const Bytes& bytes);
uint32_t crc32(const uint8_t* data, size_t n);

// Little- and big-endian fields written into a file's bytes.
void put16le(Bytes& b, size_t at, uint32_t v);
void put32le(Bytes& b, size_t at, uint32_t v);
void put16be(Bytes& b, size_t at, uint32_t v);
void put32be(Bytes& b, size_t at, uint32_t v);
// Recomputes every chunk's checksum, so mutations get past the CRC into the decoder.
void fixPngCrcs(Bytes& b);
// Real 8 x 8 pictures whose headers claim another size.
Bytes bmpClaiming(int64_t w, int64_t h);
Bytes pngClaiming(uint32_t w, uint32_t h);
Bytes pcxClaiming(uint32_t w, uint32_t h);
Bytes jpegClaiming(uint32_t w, uint32_t h);

// What a layout keeps of an opaque colour: the top bits of narrow channels.
uint32_t kept(uint32_t argb, const PixelLayout& layout);

// Makes a fresh directory the working directory for the life of the object.
class InTempDir {
 public:
  InTempDir();
  ~InTempDir();
  const std::string& path() const { return path_; }

 private:
  std::string path_, previous_;
};

}  // namespace korva::test
