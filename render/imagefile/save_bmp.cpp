#include <unistd.h>

#include <cstdio>
#include <vector>

#include "core/regular_file.h"
#include "render/imagefile/image_file.h"
#include "core/paths.h"

namespace korva {

namespace {

constexpr uint32_t kHeaderBytes = 54;

void put16(uint8_t* at, uint32_t v) {
  at[0] = uint8_t(v);
  at[1] = uint8_t(v >> 8);
}
void put32(uint8_t* at, uint32_t v) {
  put16(at, v);
  put16(at + 2, v >> 16);
}

struct Locked {
  Canvas& canvas;
  explicit Locked(Canvas& c) : canvas(c) { canvas.lock(); }
  ~Locked() { canvas.unlock(); }
};

}  // namespace

bool saveBmp(Canvas& canvas, const std::string& fileName) {
  Locked locked(canvas);
  // A lost surface has no pixels to read: say so rather than write a picture of nothing.
  if (!canvas.pixels()) return false;
  int fd = openRegularFile(hostPath(fileName), O_WRONLY | O_CREAT | O_TRUNC);
  FILE* file = fd < 0 ? nullptr : fdopen(fd, "wb");
  if (!file) {
    if (fd >= 0) close(fd);
    return false;
  }

  const uint32_t width = uint32_t(canvas.width()), height = uint32_t(canvas.height());
  const uint32_t rowSize = (width * 3 + 3) & ~3u;
  uint8_t header[kHeaderBytes] = {'B', 'M'};
  put32(header + 2, height * rowSize + kHeaderBytes);
  put32(header + 10, kHeaderBytes);
  put32(header + 14, 40);
  put32(header + 18, width);
  put32(header + 22, height);
  put16(header + 26, 1);
  put16(header + 28, 24);
  bool ok = std::fwrite(header, 1, sizeof header, file) == sizeof header;

  const PixelFormat& f = canvas.format();
  std::vector<uint8_t> row(rowSize, 0);  // the padding bytes stay 0
  for (int y = int(height) - 1; ok && y >= 0; --y) {
    const uint8_t* from = canvas.pixels() + ptrdiff_t(y) * canvas.pitch();
    for (uint32_t x = 0; x < width; ++x, from += f.bytesPerPixel) {
      uint32_t argb = f.read(from);
      row[x * 3] = uint8_t(argb);
      row[x * 3 + 1] = uint8_t(argb >> 8);
      row[x * 3 + 2] = uint8_t(argb >> 16);
    }
    ok = std::fwrite(row.data(), 1, rowSize, file) == rowSize;
  }
  ok = ok && !std::ferror(file);
  // Buffered data reaches the disk only here: a full disk shows up as a failed close.
  if (std::fclose(file) != 0) ok = false;
  return ok;
}

}  // namespace korva
