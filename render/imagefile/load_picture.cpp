// Reading pictures: our own type detection and header checks in front of SDL2_image's
// decoders, then the pixels converted with the target format's own writer.
#include <SDL2/SDL.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/regular_file.h"
#include "render/imagefile/image_file.h"
#include "core/paths.h"
#include "render/imagefile/private/image_library.h"
#include "render/imagefile/private/picture_type.h"

namespace korva {

namespace {

using picture::Type;

struct CloseRw {
  void operator()(SDL_RWops* rw) const { SDL_RWclose(rw); }
};
struct FreeSurface {
  void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using RwPtr = std::unique_ptr<SDL_RWops, CloseRw>;
using SdlSurfacePtr = std::unique_ptr<SDL_Surface, FreeSurface>;

// Some decoders ignore a short read and go on with whatever their buffer held. Past the end
// of the file they get zeros instead, which every decoder rejects at once and the same way
// each time.
Sint64 zeroPastEndSize(SDL_RWops* rw) { return SDL_RWsize(static_cast<SDL_RWops*>(rw->hidden.unknown.data1)); }
Sint64 zeroPastEndSeek(SDL_RWops* rw, Sint64 offset, int whence) {
  return SDL_RWseek(static_cast<SDL_RWops*>(rw->hidden.unknown.data1), offset, whence);
}
size_t zeroPastEndRead(SDL_RWops* rw, void* to, size_t size, size_t count) {
  size_t got = SDL_RWread(static_cast<SDL_RWops*>(rw->hidden.unknown.data1), to, size, count);
  if (got < count) std::memset(static_cast<uint8_t*>(to) + got * size, 0, (count - got) * size);
  return got;
}
size_t refuseWrite(SDL_RWops*, const void*, size_t, size_t) { return 0; }
int zeroPastEndClose(SDL_RWops* rw) {
  int result = SDL_RWclose(static_cast<SDL_RWops*>(rw->hidden.unknown.data1));
  SDL_FreeRW(rw);
  return result;
}

RwPtr openPicture(const std::string& fileName) {
  int fd = openRegularFile(hostPath(fileName));
  FILE* stream = fd < 0 ? nullptr : fdopen(fd, "rb");
  if (!stream) {
    if (fd >= 0) close(fd);
    return nullptr;
  }
  SDL_RWops* file = SDL_RWFromFP(stream, SDL_TRUE);
  if (!file) {
    std::fclose(stream);
    return nullptr;
  }
  SDL_RWops* rw = SDL_AllocRW();
  if (!rw) {
    SDL_RWclose(file);
    return nullptr;
  }
  rw->type = SDL_RWOPS_UNKNOWN;
  rw->hidden.unknown.data1 = file;
  rw->size = zeroPastEndSize;
  rw->seek = zeroPastEndSeek;
  rw->read = zeroPastEndRead;
  rw->write = refuseWrite;
  rw->close = zeroPastEndClose;
  return RwPtr(rw);
}

// Each type's own decoder: the generic loader would sniff and read any format it knows.
// BMP is SDL's own, so a program of BMP pictures never loads the picture library.
SDL_Surface* decode(Type type, SDL_RWops* rw) {
  if (type == Type::Bmp) return SDL_LoadBMP_RW(rw, 0);
  const ImageFunctions* lib = imageLibrary();
  if (!lib) return nullptr;
  switch (type) {
    case Type::Jpeg: return lib->IMG_LoadJPG_RW(rw);
    case Type::Pcx: return lib->IMG_LoadPCX_RW(rw);
    case Type::Png: return lib->IMG_LoadPNG_RW(rw);
    default: return nullptr;
  }
}

bool withinLimit(int64_t w, int64_t h) { return w >= 1 && h >= 1 && w <= kMaxPictureSide && h <= kMaxPictureSide; }

// While a picture loads, the decoder's pixels (at most four bytes each) live beside the new
// surface's: both must fit in what is left of the pixel budget.
bool withinBudget(int64_t w, int64_t h, const PixelLayout& layout) {
  const uint64_t bytes = uint64_t(w) * uint64_t(h) * uint64_t(4 + layout.depth / 8);
  return bytes <= Surface::kPixelBudget - std::min(Surface::pixelBytesInUse(), Surface::kPixelBudget);
}

SdlSurfacePtr decodeFile(const std::string& fileName, const PixelLayout& layout) {
  RwPtr rw = openPicture(fileName);
  if (!rw) return nullptr;
  uint8_t head[picture::kMaxSniff];
  size_t got = SDL_RWread(rw.get(), head, 1, picture::sniffLength(fileName));
  Type type = picture::detect(head, got);
  if (type == Type::Unknown) type = picture::fromExtension(fileName);
  if (type == Type::Unknown || type == Type::Other) return nullptr;

  if (SDL_RWseek(rw.get(), 0, RW_SEEK_SET) != 0) return nullptr;
  auto claimed = picture::claimedSize(type, rw.get());
  if (!claimed || !withinLimit(claimed->width, claimed->height)) return nullptr;
  // Refused before the decoder allocates what the header claims.
  const Sint64 fileBytes = SDL_RWsize(rw.get());
  if (fileBytes < 0 || claimed->leastFileBytes > uint64_t(fileBytes)) return nullptr;
  if (!withinBudget(claimed->width, claimed->height, layout)) return nullptr;
  if (SDL_RWseek(rw.get(), 0, RW_SEEK_SET) != 0) return nullptr;
  SdlSurfacePtr decoded(decode(type, rw.get()));
  if (!decoded || !withinLimit(decoded->w, decoded->h)) return nullptr;
  return decoded;
}

}  // namespace

std::unique_ptr<Surface> loadPicture(const std::string& fileName, const PixelLayout& layout, bool systemMemory) {
  if (fileName.empty() || !layout.valid()) return nullptr;
  SdlSurfacePtr decoded = decodeFile(fileName, layout);
  if (!decoded) return nullptr;
  auto out = Surface::create(decoded->w, decoded->h, layout, systemMemory);
  if (!out || SDL_LockSurface(decoded.get()) != 0) return nullptr;
  // One known layout to read from, whatever the file held (palettes, 16-bit channels,
  // keys), a band of rows at a time: a whole converted copy would hold the picture thrice.
  constexpr int kBandRows = 64;
  const PixelFormat& f = out->format();
  bool ok = true;
  for (int top = 0; ok && top < decoded->h; top += kBandRows) {
    const int rows = std::min(kBandRows, decoded->h - top);
    const SDL_PixelFormat& from = *decoded->format;
    SdlSurfacePtr band(SDL_CreateRGBSurfaceFrom(static_cast<uint8_t*>(decoded->pixels) + ptrdiff_t(top) * decoded->pitch,
                                                decoded->w, rows, from.BitsPerPixel, decoded->pitch, from.Rmask,
                                                from.Gmask, from.Bmask, from.Amask));
    if (band && from.palette) SDL_SetSurfacePalette(band.get(), from.palette);
    SdlSurfacePtr argb(band ? SDL_ConvertSurfaceFormat(band.get(), SDL_PIXELFORMAT_ARGB8888, 0) : nullptr);
    if (!argb || SDL_LockSurface(argb.get()) != 0) {
      ok = false;
      break;
    }
    for (int y = 0; y < rows; ++y) {
      auto* from = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) + ptrdiff_t(y) * argb->pitch);
      uint8_t* to = out->row(top + y);
      for (int x = 0; x < argb->w; ++x, to += f.bytesPerPixel) f.write(to, from[x] | 0xFF000000u);
    }
    SDL_UnlockSurface(argb.get());
  }
  SDL_UnlockSurface(decoded.get());
  return ok ? std::move(out) : nullptr;
}

}  // namespace korva
