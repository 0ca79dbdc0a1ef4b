#include "app/replay/pictures.h"

#include <SDL2/SDL.h>
#include <xxhash.h>

#include <cstring>
#include <filesystem>

#include "guest/memory.h"
#include "render/canvas/canvas.h"
#include "render/canvas/surface.h"
#include "render/display/display_formats.h"
#include "render/imagefile/image_file.h"

namespace korva::replay {

bool takePicture(const Canvas& canvas, Picture& picture) {
  const Surface& s = canvas.surface();
  if (s.lost() || !s.pixels() || s.width() <= 0 || s.height() <= 0) return false;
  picture.width = static_cast<uint32_t>(s.width());
  picture.height = static_cast<uint32_t>(s.height());
  picture.pixels.resize(size_t{picture.width} * picture.height);
  if (SDL_ConvertPixels(s.width(), s.height(), sdlFormatOf(s.format().layout()), s.pixels(), s.pitch(),
                        SDL_PIXELFORMAT_RGB888, picture.pixels.data(), s.width() * 4) != 0)
    return false;
  for (uint32_t& p : picture.pixels) p &= 0xFFFFFF;  // the unused byte is no part of the picture
  return true;
}

uint64_t pictureHash(const Picture& picture) {
  XXH3_state_t* state = XXH3_createState();
  XXH3_64bits_reset(state);
  uint32_t sides[2] = {picture.width, picture.height};
  XXH3_64bits_update(state, sides, sizeof sides);
  XXH3_64bits_update(state, picture.pixels.data(), picture.pixels.size() * 4);
  uint64_t h = XXH3_64bits_digest(state);
  XXH3_freeState(state);
  return h;
}

uint64_t frameHash(const Canvas& canvas, Picture& scratch) {
  const Surface& s = canvas.surface();
  const PixelLayout layout = s.format().layout();
  if (s.lost() || !s.pixels() || s.width() <= 0 || s.height() <= 0 || layout.depth != 32 ||
      layout.redMask != 0xFF0000 || layout.greenMask != 0xFF00 || layout.blueMask != 0xFF) {
    if (!takePicture(canvas, scratch)) scratch = Picture{};
    return pictureHash(scratch);
  }
  // The pixels are 0xRRGGBB words already, but for the byte above: hashed a row at a time,
  // that byte cleared, with no copy of the whole picture.
  XXH3_state_t* state = XXH3_createState();
  XXH3_64bits_reset(state);
  uint32_t sides[2] = {static_cast<uint32_t>(s.width()), static_cast<uint32_t>(s.height())};
  XXH3_64bits_update(state, sides, sizeof sides);
  scratch.pixels.resize(static_cast<size_t>(s.width()));
  for (int y = 0; y < s.height(); ++y) {
    const uint8_t* row = s.row(y);
    for (int x = 0; x < s.width(); ++x) {
      uint32_t p;
      std::memcpy(&p, row + 4 * x, 4);
      scratch.pixels[static_cast<size_t>(x)] = p & 0xFFFFFF;
    }
    XXH3_64bits_update(state, scratch.pixels.data(), scratch.pixels.size() * 4);
  }
  uint64_t h = XXH3_64bits_digest(state);
  XXH3_freeState(state);
  return h;
}

uint64_t guestMemoryHash() {
  guest::UsedMemory used = guest::usedMemory();
  XXH3_state_t* state = XXH3_createState();
  XXH3_64bits_reset(state);
  XXH3_64bits_update(state, guest::ptr(guest::kCodeBase), used.codeEnd - guest::kCodeBase);
  XXH3_64bits_update(state, guest::ptr(guest::kHeapBase), used.heapEnd - guest::kHeapBase);
  uint64_t h = XXH3_64bits_digest(state);
  XXH3_freeState(state);
  return h;
}

std::string pictureDelta(const Picture& picture, const Picture& previous) {
  std::string bytes(picture.pixels.size() * 4, '\0');
  std::memcpy(bytes.data(), picture.pixels.data(), bytes.size());
  if (previous.width == picture.width && previous.height == picture.height) {
    auto* out = reinterpret_cast<uint32_t*>(bytes.data());
    for (size_t i = 0; i < picture.pixels.size(); ++i) out[i] ^= previous.pixels[i];
  }
  return bytes;
}

bool applyPictureDelta(const std::string& bytes, uint32_t width, uint32_t height, Picture& previous) {
  const size_t count = size_t{width} * height;
  if (bytes.size() != count * 4) return false;
  const bool sameSides = previous.width == width && previous.height == height;
  if (!sameSides) previous.pixels.assign(count, 0);
  previous.width = width;
  previous.height = height;
  for (size_t i = 0; i < count; ++i) {
    uint32_t d;
    std::memcpy(&d, bytes.data() + i * 4, 4);
    previous.pixels[i] = (sameSides ? previous.pixels[i] ^ d : d) & 0xFFFFFF;
  }
  return true;
}

bool savePicture(const Picture& picture, const std::string& path, std::string& error) {
  if (picture.pixels.empty()) {
    error = "no picture";
    return false;
  }
  return savePngXrgb(picture.pixels.data(), static_cast<int>(picture.width), static_cast<int>(picture.height), path,
                     error);
}

}  // namespace korva::replay
