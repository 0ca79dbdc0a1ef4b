#include "render/canvas/pixel_format.h"

#include <bit>
#include <cstring>
#include <initializer_list>

namespace korva {

namespace {

constexpr int kBase[4] = {24, 16, 8, 0};  // alpha, red, green, blue

constexpr int lowBit(uint32_t m) { return m ? std::countr_zero(m) : 0; }
constexpr int runLength(uint32_t m) { return m ? std::countr_one(m >> lowBit(m)) : 0; }
constexpr int downShift(uint32_t m, int base) { return m ? 8 - runLength(m) + base : base; }

// The host is little-endian, so a pixel's bytes are the low bytes of its value.
template <int Bpp>
inline void store(uint8_t* at, uint32_t v) {
  std::memcpy(at, &v, Bpp);
}
template <int Bpp>
inline uint32_t load(const uint8_t* at) {
  uint32_t v = 0;
  std::memcpy(&v, at, Bpp);
  return v;
}

// Moves a channel between its ARGB byte and its mask: the top source bit of the byte lands
// on the mask's top bit. Shift amounts are worked out when the masks are known.
constexpr uint32_t toMask(uint32_t argb, uint32_t mask, int base) {
  if (!mask) return 0;
  int top = 31 - std::countl_zero(mask);
  int by = top - (base + 7);
  return (by >= 0 ? argb << by : argb >> -by) & mask;
}
constexpr uint32_t fromMask(uint32_t native, uint32_t mask, int base) {
  if (!mask) return 0;
  int top = 31 - std::countl_zero(mask);
  int by = (base + 7) - top;
  return by >= 0 ? (native & mask) << by : (native & mask) >> -by;
}

}  // namespace

// The specialised routines; a friend so the run-time generic forms can use the shifts.
struct PixelCodecs {
  // Masks known when compiling (5-6-5 and 5-5-5): every shift folds to a constant.
  template <int Bpp, uint32_t A, uint32_t R, uint32_t G, uint32_t B>
  static void writeFixed(const PixelFormat&, uint8_t* at, uint32_t argb) {
    store<Bpp>(at, toMask(argb, A, 24) | toMask(argb, R, 16) | toMask(argb, G, 8) | toMask(argb, B, 0));
  }
  template <int Bpp, uint32_t A, uint32_t R, uint32_t G, uint32_t B>
  static uint32_t readFixed(const PixelFormat& f, const uint8_t* at) {
    uint32_t n = load<Bpp>(at);
    return fromMask(n, A, 24) | fromMask(n, R, 16) | fromMask(n, G, 8) | fromMask(n, B, 0) | f.fillBits;
  }

  // Standard colour masks: the value is the pixel.
  template <int Bpp, uint32_t Keep>
  static void writeDirect(const PixelFormat&, uint8_t* at, uint32_t argb) {
    store<Bpp>(at, argb & Keep);
  }
  template <int Bpp>
  static uint32_t readDirect(const PixelFormat& f, const uint8_t* at) {
    return load<Bpp>(at) | f.fillBits;
  }

  // Any other masks: per-channel shifts kept in the format.
  template <int Bpp>
  static void writeShifted(const PixelFormat& f, uint8_t* at, uint32_t argb) {
    uint32_t v = 0;
    const uint32_t masks[4] = {f.alphaMask, f.redMask, f.greenMask, f.blueMask};
    for (int c = 0; c < 4; ++c) v |= ((argb >> f.writeRight_[c]) << f.writeLeft_[c]) & masks[c];
    store<Bpp>(at, v);
  }
  template <int Bpp>
  static uint32_t readShifted(const PixelFormat& f, const uint8_t* at) {
    uint32_t n = load<Bpp>(at), v = 0;
    const uint32_t masks[4] = {f.alphaMask, f.redMask, f.greenMask, f.blueMask};
    for (int c = 0; c < 4; ++c) v |= ((n & masks[c]) >> f.writeLeft_[c]) << f.writeRight_[c];
    return v | f.fillBits;
  }

  template <int Bpp>
  static void pick(PixelFormat& f, bool standard) {
    if (standard) {
      f.writer = Bpp == 4 && f.alphaMask == 0 ? &writeDirect<Bpp, 0x00FFFFFF> : &writeDirect<Bpp, 0xFFFFFFFF>;
      f.reader = &readDirect<Bpp>;
    } else {
      f.writer = &writeShifted<Bpp>;
      f.reader = &readShifted<Bpp>;
    }
  }
};

bool PixelLayout::valid() const {
  if (depth != 16 && depth != 24 && depth != 32) return false;
  uint32_t room = depth == 32 ? 0xFFFFFFFFu : (1u << depth) - 1;
  uint32_t all = 0;
  for (uint32_t m : {alphaMask, redMask, greenMask, blueMask}) {
    if ((m & ~room) || (all & m)) return false;
    all |= m;
  }
  return true;
}

void PixelFormat::set(const PixelLayout& l) {
  depth = l.depth;
  bytesPerPixel = l.depth / 8;
  alphaMask = l.alphaMask;
  redMask = l.redMask;
  greenMask = l.greenMask;
  blueMask = l.blueMask;
  channelBits = alphaMask | redMask | greenMask | blueMask;

  const uint32_t masks[4] = {alphaMask, redMask, greenMask, blueMask};
  fillBits = alphaMask ? 0 : 0xFF000000u;
  for (int c = 0; c < 4; ++c) {
    shifts[c].low = static_cast<uint8_t>(lowBit(masks[c]));
    shifts[c].down = static_cast<uint8_t>(downShift(masks[c], kBase[c]));
    if (!masks[c] && c != Alpha) fillBits |= 0xFFu << kBase[c];
    // toNative's (argb >> down) << low, with the two shifts reduced to one of them.
    int by = shifts[c].low - shifts[c].down;
    writeLeft_[c] = static_cast<uint8_t>(by > 0 ? by : 0);
    writeRight_[c] = static_cast<uint8_t>(by < 0 ? -by : 0);
  }

  bool standardColours = redMask == 0xFF0000 && greenMask == 0xFF00 && blueMask == 0xFF;
  bool standard = standardColours && (alphaMask == 0 || alphaMask == 0xFF000000u);
  if (l == PixelLayout::rgb565()) {
    writer = &PixelCodecs::writeFixed<2, 0, 0xF800, 0x07E0, 0x001F>;
    reader = &PixelCodecs::readFixed<2, 0, 0xF800, 0x07E0, 0x001F>;
  } else if (l == PixelLayout::rgb555()) {
    writer = &PixelCodecs::writeFixed<2, 0, 0x7C00, 0x03E0, 0x001F>;
    reader = &PixelCodecs::readFixed<2, 0, 0x7C00, 0x03E0, 0x001F>;
  } else if (bytesPerPixel == 2) {
    PixelCodecs::pick<2>(*this, false);
  } else if (bytesPerPixel == 3) {
    PixelCodecs::pick<3>(*this, standardColours);
  } else {
    PixelCodecs::pick<4>(*this, standard);
  }
}

uint32_t PixelFormat::toNative(uint32_t argb) const {
  const uint32_t masks[4] = {alphaMask, redMask, greenMask, blueMask};
  uint32_t v = 0;
  for (int c = 0; c < 4; ++c) v |= ((argb >> shifts[c].down) << shifts[c].low) & masks[c];
  return v;
}

uint32_t PixelFormat::toARGB(uint32_t native) const {
  const uint32_t masks[4] = {alphaMask, redMask, greenMask, blueMask};
  uint32_t v = 0;
  for (int c = 0; c < 4; ++c) v |= ((native & masks[c]) >> shifts[c].low) << shifts[c].down;
  return v | fillBits;
}

uint32_t PixelFormat::loadNative(const void* at) const {
  uint32_t v = 0;
  std::memcpy(&v, at, bytesPerPixel);
  return v;
}

void PixelFormat::storeNative(void* at, uint32_t native) const { std::memcpy(at, &native, bytesPerPixel); }

}  // namespace korva
