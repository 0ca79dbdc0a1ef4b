#include <SDL2/SDL_image.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

#include "render/imagefile/image_file.h"
#include "imagefile/pictures.h"

namespace korva {
namespace {

using test::Bytes;
using test::colourAt;
using test::kept;

uint32_t pixel(const Surface& s, int x, int y) { return s.format().read(s.row(y) + x * s.format().bytesPerPixel); }

void expectPicture(const Surface& s, int w, int h, const PixelLayout& layout) {
  ASSERT_EQ(s.width(), w);
  ASSERT_EQ(s.height(), h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) ASSERT_EQ(pixel(s, x, y), kept(colourAt(x, y), layout)) << x << "," << y;
}

// The file name decides how many bytes detection sees, so every name here is relative.
TEST(LoadPicture, TypeFromContentsThenExtension) {
  test::InTempDir dir;
  const Bytes png = test::pngFile(6, 4);
  struct Case {
    const char* name;
    Bytes contents;
    bool loads;
    const char* why;
  } cases[] = {
      {"a.png", png, true, "too short a name for the signature: found by extension"},
      {"a.PNG", png, true, "extensions compare without regard to case"},
      {"./a.png", png, true, "the text after the first '.' is looked up by its last part"},
      {"picture.bmp", png, true, "a long enough name lets the contents decide"},
      {"pngfile1", png, true, "no extension needed when the signature is seen"},
      {"pngfile", png, false, "seven bytes show no signature and there is no '.'"},
      {"a.jpeg", png, false, "the extension picks the JPEG decoder, which refuses a PNG"},
      {"a.gif", png, false, "not one of our extensions"},
      {"picture.png", test::gifFile(), false, "a GIF is never read, whatever its name"},
      {"picture.tif", test::tiffHeader(), false, "recognised but unsupported"},
      {"noext", Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9}, false, "no signature and no '.'"},
      {"short.bmp", Bytes{'B', 'M', 0, 0}, false, "a header cut short"},
      {"b.bmp", test::bmpFile(6, 4), true, "BMP"},
      {"c.pcx", test::pcx8File(6, 4), true, "PCX with a palette"},
      {"c24.pcx", test::pcx24File(6, 4), true, "PCX with three planes"},
  };
  for (const Case& k : cases) {
    test::writeFile(k.name, k.contents);
    auto s = loadPicture(k.name, PixelLayout::xrgb8888(), false);
    EXPECT_EQ(s != nullptr, k.loads) << k.name << ": " << k.why;
    if (s) {
      SCOPED_TRACE(k.name);
      expectPicture(*s, 6, 4, PixelLayout::xrgb8888());
    }
  }
}

TEST(LoadPicture, DecodersRefusedAreOnesSdlImageCouldRead) {
  // The GIF case above proves something only if the library would have read it.
  Bytes gif = test::gifFile();
  SDL_RWops* rw = SDL_RWFromConstMem(gif.data(), int(gif.size()));
  SDL_Surface* s = IMG_LoadGIF_RW(rw);
  SDL_RWclose(rw);
  ASSERT_NE(s, nullptr) << IMG_GetError();
  SDL_FreeSurface(s);
}

TEST(LoadPicture, NamesThatAreNotPictureFiles) {
  test::InTempDir dir;
  test::writeFile("x.png", test::pngFile(2, 2));
  mkdir("folder.png", 0700);
  mkdir("sub", 0700);
  test::writeFile("sub/k.png", test::pngFile(2, 2));
  EXPECT_EQ(loadPicture("missing.png", PixelLayout::xrgb8888(), false), nullptr);
  EXPECT_EQ(loadPicture("folder.png", PixelLayout::xrgb8888(), false), nullptr);
  EXPECT_EQ(loadPicture("", PixelLayout::xrgb8888(), false), nullptr);
  EXPECT_EQ(loadPicture("x.png", PixelLayout{12, 0, 0xF00, 0xF0, 0xF}, false), nullptr) << "no such layout";
  EXPECT_NE(loadPicture("sub\\k.png", PixelLayout::xrgb8888(), false), nullptr) << "'\\' separates directories";
}

TEST(LoadPicture, EveryLayoutGetsItsOwnPixelsWithAlphaOpaque) {
  test::InTempDir dir;
  test::writeFile("picture.png", test::pngFile(7, 5));  // alpha varies, down to 0
  for (PixelLayout layout : {PixelLayout::rgb565(), PixelLayout::rgb555(), PixelLayout::rgb888(),
                             PixelLayout::xrgb8888(), PixelLayout::argb8888()}) {
    SCOPED_TRACE(testing::Message() << layout.depth << " bits, red mask " << std::hex << layout.redMask);
    for (bool system : {false, true}) {
      auto s = loadPicture("picture.png", layout, system);
      ASSERT_NE(s, nullptr);
      EXPECT_EQ(s->format().layout(), layout);
      EXPECT_EQ(s->systemMemory(), system);
      expectPicture(*s, 7, 5, layout);
    }
  }
}

TEST(LoadPicture, JpegColoursSurviveWithinItsLoss) {
  test::InTempDir dir;
  // Four flat 8 x 8 quadrants: their centres come back within a few steps.
  static const uint32_t quadrant[4] = {0xFFD02020, 0xFF20C040, 0xFF3040E0, 0xFFF0F0F0};
  auto colour = [](int x, int y) { return quadrant[(x / 8) + 2 * (y / 8)]; };
  test::writeFile("d.jpg", test::jpegFile(16, 16, colour));
  auto s = loadPicture("d.jpg", PixelLayout::xrgb8888(), false);
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(s->width(), 16);
  ASSERT_EQ(s->height(), 16);
  for (int q = 0; q < 4; ++q) {
    int x = (q % 2) * 8 + 4, y = (q / 2) * 8 + 4;
    uint32_t got = pixel(*s, x, y), want = quadrant[q];
    EXPECT_EQ(got >> 24, 0xFFu);
    for (int shift : {0, 8, 16}) EXPECT_NEAR(int(got >> shift & 0xFF), int(want >> shift & 0xFF), 12) << q;
  }
}

// What saveBmp writes, loadPicture reads back unchanged, padding and all.
TEST(LoadPicture, SavedBmpRoundTrips) {
  test::InTempDir dir;
  for (PixelLayout layout : {PixelLayout::rgb565(), PixelLayout::rgb888(), PixelLayout::xrgb8888()}) {
    for (int w : {1, 5, 8}) {
      SCOPED_TRACE(testing::Message() << layout.depth << " bits, width " << w);
      auto canvas = test::colourCanvas(w, 3, layout);
      ASSERT_TRUE(saveBmp(*canvas, "round.bmp"));
      auto s = loadPicture("round.bmp", layout, false);
      ASSERT_NE(s, nullptr);
      expectPicture(*s, w, 3, layout);
    }
  }
}

}  // namespace
}  // namespace korva

namespace korva {
namespace {

// "\" separates folders in every name a program gives, pictures' included, even where a
// file of that very name exists: a name means the same file to every command.
TEST(LoadPicture, BackslashesSeparateFoldersAsInEveryOtherFileName) {
  test::InTempDir dir;
  mkdir("sub", 0755);
  test::writeFile("sub/pic.bmp", test::bmpFile(6, 4));
  test::writeFile("sub\\pic.bmp", Bytes{'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'});
  auto surface = loadPicture("sub\\pic.bmp", PixelLayout::xrgb8888(), true);
  ASSERT_NE(surface, nullptr);
  EXPECT_EQ(surface->width(), 6);
}

}  // namespace
}  // namespace korva
