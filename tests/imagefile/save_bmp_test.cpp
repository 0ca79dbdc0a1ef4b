#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "render/imagefile/image_file.h"
#include "imagefile/pictures.h"

namespace korva {
namespace {

using test::Bytes;

uint32_t field(const Bytes& b, size_t at, int size) {
  uint32_t v = 0;
  for (int i = size - 1; i >= 0; --i) v = v << 8 | b.at(at + i);
  return v;
}

bool exists(const char* path) {
  struct stat st;
  return stat(path, &st) == 0;
}

TEST(SaveBmp, HeadersOfAOnePixelCanvas) {
  test::InTempDir dir;
  auto c = test::colourCanvas(1, 1, PixelLayout::xrgb8888());
  test::writeFile("one.bmp", Bytes(1000, 0x55));  // an older, longer file is cut
  ASSERT_TRUE(saveBmp(*c, "one.bmp"));
  Bytes b = test::readFile("one.bmp");
  ASSERT_EQ(b.size(), 58u);
  struct {
    size_t at;
    int size;
    uint32_t value;
  } fields[] = {
      {0, 2, 0x4D42}, {2, 4, 58}, {6, 2, 0}, {8, 2, 0}, {10, 4, 54}, {14, 4, 40}, {18, 4, 1}, {22, 4, 1},
      {26, 2, 1},     {28, 2, 24}, {30, 4, 0}, {34, 4, 0}, {38, 4, 0}, {42, 4, 0}, {46, 4, 0}, {50, 4, 0},
  };
  for (auto f : fields) EXPECT_EQ(field(b, f.at, f.size), f.value) << "offset " << f.at;
  uint32_t c0 = test::colourAt(0, 0);
  EXPECT_EQ(b[54], uint8_t(c0));
  EXPECT_EQ(b[55], uint8_t(c0 >> 8));
  EXPECT_EQ(b[56], uint8_t(c0 >> 16));
  EXPECT_EQ(b[57], 0);
}

// The whole surface, whatever the origin and viewport: bottom row first, blue, green, red,
// rows padded with zeros to four bytes.
TEST(SaveBmp, RowsBottomUpInBgrPaddedToFourBytes) {
  test::InTempDir dir;
  const int rowSizes[] = {0, 4, 8, 12, 12, 16};
  for (PixelLayout layout : {PixelLayout::rgb565(), PixelLayout::rgb888(), PixelLayout::xrgb8888(),
                             PixelLayout::argb8888()}) {
    for (int w = 1; w <= 5; ++w) {
      SCOPED_TRACE(testing::Message() << layout.depth << " bits, width " << w);
      const int h = 3, rowSize = rowSizes[w];
      auto c = test::colourCanvas(w, h, layout);
      c->setOrigin(1, 1);
      c->setViewport(0, 0, 1, 1);
      c->setHandle(1, 2);
      ASSERT_TRUE(saveBmp(*c, "rows.bmp"));
      Bytes b = test::readFile("rows.bmp");
      ASSERT_EQ(b.size(), size_t(54 + h * rowSize));
      EXPECT_EQ(field(b, 2, 4), uint32_t(54 + h * rowSize));
      EXPECT_EQ(field(b, 18, 4), uint32_t(w));
      EXPECT_EQ(field(b, 22, 4), uint32_t(h));
      for (int r = 0; r < h; ++r) {
        const uint8_t* row = b.data() + 54 + r * rowSize;
        for (int x = 0; x < w; ++x) {
          uint32_t want = test::kept(test::colourAt(x, h - 1 - r), layout);
          EXPECT_EQ(row[3 * x], uint8_t(want)) << x << "," << r;
          EXPECT_EQ(row[3 * x + 1], uint8_t(want >> 8)) << x << "," << r;
          EXPECT_EQ(row[3 * x + 2], uint8_t(want >> 16)) << x << "," << r;
        }
        for (int p = 3 * w; p < rowSize; ++p) EXPECT_EQ(row[p], 0) << "padding of row " << r;
      }
    }
  }
}

TEST(SaveBmp, FailuresAreReported) {
  test::InTempDir dir;
  auto c = test::colourCanvas(4, 4, PixelLayout::xrgb8888());
  EXPECT_FALSE(saveBmp(*c, "no/such/folder/x.bmp"));
  mkdir("taken", 0700);
  EXPECT_FALSE(saveBmp(*c, "taken"));
  if (access("/dev/full", W_OK) == 0) {  // opens, but every write fails: only the flush can tell
    EXPECT_FALSE(saveBmp(*c, "/dev/full"));
  }
  c->surface().markLost();
  EXPECT_FALSE(saveBmp(*c, "lost.bmp"));
  EXPECT_FALSE(exists("lost.bmp")) << "nothing to write, so no file is made";
  EXPECT_EQ(c->lockCount(), 0);
}

}  // namespace
}  // namespace korva
