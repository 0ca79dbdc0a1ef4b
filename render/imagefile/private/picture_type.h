// How a picture file's type is told and what size its header claims.
#pragma once

#include <SDL2/SDL_rwops.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace korva::picture {

// Other is a type we recognise by its signature but do not read (TIFF, Sun raster, the
// portable any-maps): such a file is refused, never retried by its extension.
enum class Type { Unknown, Bmp, Jpeg, Pcx, Png, Other };

// The bytes detection may look at: as many as the name has characters, at most 16.
constexpr size_t kMaxSniff = 16;
inline size_t sniffLength(std::string_view fileName) { return fileName.size() < kMaxSniff ? fileName.size() : kMaxSniff; }

// Unknown when no signature fits within the bytes given.
Type detect(const uint8_t* bytes, size_t count);

// From the text after the first "." of the name, compared without regard to case by the
// part after its last "."; Unknown when there is no "." or no match.
Type fromExtension(std::string_view fileName);

struct Size {
  int64_t width = 0, height = 0;
  // The fewest bytes in which a file of the type can hold such a picture: its pixel data at
  // the best compression the format allows. A shorter file lies about its size.
  uint64_t leastFileBytes = 0;
};

// The size the header at the stream's current position claims, read without decoding; null
// when the header is not one of the type (signature, structure or a side below 1). The
// stream is left at some position inside the header.
std::optional<Size> claimedSize(Type type, SDL_RWops* rw);

}  // namespace korva::picture
