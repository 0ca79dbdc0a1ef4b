// Picture files: BMP, JPEG, PCX and PNG read into new surfaces, and canvases written out as
// uncompressed 24-bit BMP files (for programs) or PNG files (screenshots).
#pragma once

#include <memory>
#include <string>

#include "render/canvas/canvas.h"
#include "render/canvas/surface.h"

namespace korva {

// The largest width or height a picture file may claim. A header claiming more is refused
// before any pixel memory is allocated, so a tiny hostile file cannot ask for gigabytes.
// At this size a 32-bit picture already takes 1 GiB.
constexpr int kMaxPictureSide = 16384;

// The picture at its own size in a new surface of the given layout, or null on any failure
// (no file, unknown or unsupported type, undecodable or oversized picture).
//
// The type is found from the file's first bytes, but only as many bytes as the file name has
// characters (at most 16): a PNG's eight-byte signature goes unseen behind a name like
// "a.png". Failing that, from the extension: the text after the first "." of the name, and
// of that the part after its last ".". Only BMP, JPEG, PCX and PNG are read; other types are
// refused even where the decoder could read them. Alpha is forced opaque.
std::unique_ptr<Surface> loadPicture(const std::string& fileName, const PixelLayout& layout, bool systemMemory);

// The whole surface (origin, viewport, handle and mask colour play no part) as a 24-bit BMP:
// the bottom row first, each row padded with zeros to four bytes, alpha dropped. False when
// the file cannot be opened or written, or the canvas's pixels cannot be read.
bool saveBmp(Canvas& canvas, const std::string& fileName);

// The whole surface as an 8-bit RGB PNG file (alpha dropped). False, with error saying why,
// when the pixels cannot be read, the picture library cannot be loaded or the file cannot be
// written; a part-written file is removed.
bool savePng(const Canvas& canvas, const std::string& fileName, std::string& error);
// The same for width x height pixels as 32-bit words, red in bits 23-16 (the top byte is
// ignored).
bool savePngXrgb(const uint32_t* pixels, int width, int height, const std::string& fileName, std::string& error);

}  // namespace korva
