// Pixel formats of 16, 24 and 32 bits and the conversions between their native pixel
// values and 32-bit ARGB (alpha 31-24, red 23-16, green 15-8, blue 7-0).
#pragma once

#include <cstdint>

namespace korva {

// The masks that describe a surface's pixels.
struct PixelLayout {
  int depth = 32;  // 16, 24 or 32
  uint32_t alphaMask = 0, redMask = 0xFF0000, greenMask = 0xFF00, blueMask = 0xFF;

  static constexpr PixelLayout rgb565() { return {16, 0, 0xF800, 0x07E0, 0x001F}; }
  static constexpr PixelLayout rgb555() { return {16, 0, 0x7C00, 0x03E0, 0x001F}; }
  static constexpr PixelLayout rgb888() { return {24, 0, 0xFF0000, 0xFF00, 0xFF}; }
  static constexpr PixelLayout xrgb8888() { return {32, 0, 0xFF0000, 0xFF00, 0xFF}; }
  static constexpr PixelLayout argb8888() { return {32, 0xFF000000, 0xFF0000, 0xFF00, 0xFF}; }

  // Depth 16, 24 or 32 and masks that fit in the pixel and do not overlap.
  bool valid() const;
  bool operator==(const PixelLayout&) const = default;
};

struct PixelFormat {
  enum Channel { Alpha, Red, Green, Blue };
  struct Shift {
    uint8_t low = 0;   // lowest set bit of the mask
    uint8_t down = 0;  // where the channel's top bits sit in ARGB, counted from bit 0
  };
  using Writer = void (*)(const PixelFormat&, uint8_t* at, uint32_t argb);
  using Reader = uint32_t (*)(const PixelFormat&, const uint8_t* at);

  int depth = 0;
  int bytesPerPixel = 0;
  uint32_t alphaMask = 0, redMask = 0, greenMask = 0, blueMask = 0;
  uint32_t fillBits = 0;
  Shift shifts[4];
  Writer writer = nullptr;
  Reader reader = nullptr;

  // Every bit that belongs to some channel: native values are compared under it, so the
  // unused top byte of a 32-bit pixel without alpha never makes two colours differ.
  uint32_t channelBits = 0;

  PixelFormat() = default;
  explicit PixelFormat(const PixelLayout& layout) { set(layout); }
  void set(const PixelLayout& layout);
  PixelLayout layout() const { return {depth, alphaMask, redMask, greenMask, blueMask}; }

  uint32_t toNative(uint32_t argb) const;
  uint32_t toARGB(uint32_t native) const;

  void write(void* at, uint32_t argb) const { writer(*this, static_cast<uint8_t*>(at), argb); }
  uint32_t read(const void* at) const { return reader(*this, static_cast<const uint8_t*>(at)); }

  // Raw native value of bytesPerPixel bytes, and its store.
  uint32_t loadNative(const void* at) const;
  void storeNative(void* at, uint32_t native) const;

 private:
  // Per channel: a native value is ((argb >> writeRight) << writeLeft) & mask and back.
  uint8_t writeRight_[4] = {}, writeLeft_[4] = {};
  friend struct PixelCodecs;
};

}  // namespace korva
