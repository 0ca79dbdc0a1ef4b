#include <gtest/gtest.h>

#include <cstring>

#include "render/canvas/pixel_format.h"

namespace korva {
namespace {

TEST(PixelFormat, Rgb565KeepsTopBitsAndReadsBackWithoutReplication) {
  PixelFormat f(PixelLayout::rgb565());
  EXPECT_EQ(f.bytesPerPixel, 2);
  EXPECT_EQ(f.fillBits, 0xFF000000u);
  EXPECT_EQ(f.toNative(0xFFFFFFFF), 0xFFFFu);
  EXPECT_EQ(f.toARGB(0xFFFF), 0xFFF8FCF8u);  // 248, 252, 248
  EXPECT_EQ(f.toNative(0x00FF0000), 0xF800u);
  EXPECT_EQ(f.toNative(0x0000FF00), 0x07E0u);
  EXPECT_EQ(f.toNative(0x000000FF), 0x001Fu);
  EXPECT_EQ(f.toNative(0x00070307), 0u);  // bits below the channel width are dropped
  EXPECT_EQ(f.shifts[PixelFormat::Red].low, 11);
  EXPECT_EQ(f.shifts[PixelFormat::Red].down, 19);
  EXPECT_EQ(f.shifts[PixelFormat::Alpha].down, 24);
}

TEST(PixelFormat, Rgb555) {
  PixelFormat f(PixelLayout::rgb555());
  EXPECT_EQ(f.toNative(0xFFFFFFFF), 0x7FFFu);
  EXPECT_EQ(f.toARGB(0x7FFF), 0xFFF8F8F8u);
  EXPECT_EQ(f.toNative(0x00008000), 0x0200u);
}

TEST(PixelFormat, AlphaReadsOpaqueOnlyWithoutAlphaMask) {
  EXPECT_EQ(PixelFormat(PixelLayout::xrgb8888()).toARGB(0x00123456), 0xFF123456u);
  EXPECT_EQ(PixelFormat(PixelLayout::rgb888()).toARGB(0x00123456), 0xFF123456u);
  PixelFormat argb(PixelLayout::argb8888());
  EXPECT_EQ(argb.toARGB(0x00123456), 0x00123456u);
  EXPECT_EQ(argb.toNative(0x80123456), 0x80123456u);
  // A missing colour channel reads as full.
  PixelFormat noBlue(PixelLayout{32, 0, 0xFF0000, 0xFF00, 0});
  EXPECT_EQ(noBlue.toARGB(0x123400), 0xFF1234FFu);
}

// The specialised writer and reader must agree with the conversions for every format.
TEST(PixelFormat, WriterAndReaderMatchConversions) {
  const PixelLayout layouts[] = {PixelLayout::rgb565(),   PixelLayout::rgb555(),
                                 PixelLayout::rgb888(),   PixelLayout::xrgb8888(),
                                 PixelLayout::argb8888(), PixelLayout{32, 0, 0xFF, 0xFF00, 0xFF0000},
                                 PixelLayout{16, 0xF000, 0x0F00, 0x00F0, 0x000F}};
  const uint32_t colours[] = {0, 0xFFFFFFFF, 0x80FF0000, 0x4000FF00, 0x000000FF, 0x12345678, 0xDEADBEEF};
  for (const auto& l : layouts) {
    PixelFormat f(l);
    for (uint32_t c : colours) {
      uint8_t px[4] = {0xAA, 0xAA, 0xAA, 0xAA};
      f.write(px, c);
      uint32_t stored = 0;
      std::memcpy(&stored, px, f.bytesPerPixel);
      EXPECT_EQ(stored, f.toNative(c)) << l.depth << " " << std::hex << l.redMask << " " << c;
      EXPECT_EQ(f.read(px), f.toARGB(f.toNative(c))) << l.depth << " " << std::hex << l.redMask << " " << c;
    }
  }
}

TEST(PixelFormat, TwentyFourBitPixelsLeaveTheFourthByteAlone) {
  PixelFormat f(PixelLayout::rgb888());
  uint8_t px[4] = {0, 0, 0, 0x77};
  f.write(px, 0xFFABCDEF);
  EXPECT_EQ(px[0], 0xEF);
  EXPECT_EQ(px[1], 0xCD);
  EXPECT_EQ(px[2], 0xAB);
  EXPECT_EQ(px[3], 0x77);
  EXPECT_EQ(f.read(px), 0xFFABCDEFu);  // the byte above is covered by the fill bits
}

TEST(PixelFormat, XrgbStoresNoAlpha) {
  PixelFormat f(PixelLayout::xrgb8888());
  uint32_t px = 0;
  f.write(&px, 0xFF102030);
  EXPECT_EQ(px, 0x00102030u);
}

TEST(PixelFormat, LayoutValidation) {
  EXPECT_TRUE(PixelLayout::rgb565().valid());
  EXPECT_FALSE((PixelLayout{8, 0, 0xE0, 0x1C, 0x03}.valid()));
  EXPECT_FALSE((PixelLayout{16, 0, 0xFF0000, 0xFF00, 0xFF}.valid()));   // masks too wide
  EXPECT_FALSE((PixelLayout{32, 0, 0xFF0000, 0xFFFF00, 0xFF}.valid()));  // overlapping
}

}  // namespace
}  // namespace korva
