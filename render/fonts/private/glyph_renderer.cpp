#include "render/fonts/private/glyph_renderer.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "core/regular_file.h"
#include "render/canvas/canvas.h"
#include "render/fonts/font.h"

namespace korva::fonts {

namespace {

constexpr int kDefaultHeight = 12;
constexpr int kMaxHeight = 1024;

// Bytes 0x80 - 0x9F of Windows-1252; 0 marks the five bytes it leaves undefined.
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// A face file read through a descriptor of our own (regular files only: FreeType's own
// open would wait for ever on a FIFO). FreeType closes it with the face.
unsigned long readAt(FT_Stream stream, unsigned long offset, unsigned char* buffer, unsigned long count) {
  if (count == 0) return offset <= stream->size ? 0 : 1;  // a seek
  ssize_t n = pread(static_cast<int>(stream->descriptor.value), buffer, count, static_cast<off_t>(offset));
  return n > 0 ? static_cast<unsigned long>(n) : 0;
}
void closeFile(FT_Stream stream) {
  if (stream->descriptor.value >= 0) ::close(static_cast<int>(stream->descriptor.value));
  stream->descriptor.value = -1;
}

}  // namespace

uint32_t unicodeOf(uint8_t code) {
  if (code >= 0x80 && code < 0xA0 && kCp1252High[code - 0x80]) return kCp1252High[code - 0x80];
  return code;
}

bool cellMetrics(int requested, int unitsPerEm, int ascender, int descender, CellMetrics& out) {
  if (requested == 0) requested = kDefaultHeight;
  if (requested > kMaxHeight || requested < -kMaxHeight || unitsPerEm <= 0) return false;
  int extent = ascender + descender;
  if (ascender < 0 || descender < 0 || extent <= 0) return false;
  if (requested > 0) {
    out.height = requested;
    out.emSize64 = std::lround(64.0 * requested * unitsPerEm / extent);
  } else {
    out.emSize64 = 64L * -requested;
    out.height = std::max(1L, std::lround(double(-requested) * extent / unitsPerEm));
  }
  out.ascent = static_cast<int>(std::lround(double(out.height) * ascender / extent));
  return out.emSize64 > 0;
}

struct GlyphRenderer::Impl {
  FT_Library library = nullptr;
  FT_StreamRec file{};  // lives as long as the face
  FT_Face face = nullptr;
  bool symbolMap = false;
  bool synthBold = false, synthItalic = false;
  int underlineTop = 0, underlineRows = 0;
  ~Impl() {
    if (face) FT_Done_Face(face);
    if (library) FT_Done_FreeType(library);
  }
};

GlyphRenderer::~GlyphRenderer() = default;

std::unique_ptr<GlyphRenderer> GlyphRenderer::open(const FaceSource& source, int height, int flags) {
  std::unique_ptr<GlyphRenderer> r(new GlyphRenderer);
  r->impl_ = std::make_unique<Impl>();
  r->flags_ = flags;
  Impl& d = *r->impl_;
  if (FT_Init_FreeType(&d.library)) return nullptr;
  FT_Error error;
  if (source.file.empty()) {
    auto bytes = bundledFace();
    error = FT_New_Memory_Face(d.library, bytes.data(), static_cast<FT_Long>(bytes.size()), 0, &d.face);
  } else {
    int fd = openRegularFile(source.file);
    struct stat st {};
    if (fd < 0 || fstat(fd, &st) != 0) {
      if (fd >= 0) ::close(fd);
      return nullptr;
    }
    d.file.size = static_cast<unsigned long>(st.st_size);
    d.file.descriptor.value = fd;
    d.file.read = &readAt;
    d.file.close = &closeFile;
    FT_Open_Args args{};
    args.flags = FT_OPEN_STREAM;
    args.stream = &d.file;
    error = FT_Open_Face(d.library, &args, source.index, &d.face);
  }
  if (error) return nullptr;
  FT_Face face = d.face;
  if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0) {
    if (FT_Select_Charmap(face, FT_ENCODING_MS_SYMBOL) == 0)
      d.symbolMap = true;
    else if (face->num_charmaps > 0)
      FT_Set_Charmap(face, face->charmaps[0]);
  }

  if (FT_IS_SCALABLE(face)) {
    // The cell is split as the face's own Windows line metrics split it, when it has them.
    int ascender = face->ascender, descender = -face->descender;
    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
      ascender = os2->usWinAscent;
      descender = os2->usWinDescent;
    }
    if (!cellMetrics(height, face->units_per_EM, ascender, descender, r->metrics_)) return nullptr;
    if (FT_Set_Char_Size(face, 0, r->metrics_.emSize64, 72, 72)) return nullptr;
  } else {
    // A bitmap face: the strike closest to the height asked for.
    if (face->num_fixed_sizes <= 0) return nullptr;
    int want = height == 0 ? 12 : std::abs(height), best = 0;
    for (int i = 1; i < face->num_fixed_sizes; ++i)
      if (std::abs(face->available_sizes[i].height - want) < std::abs(face->available_sizes[best].height - want))
        best = i;
    if (FT_Select_Size(face, best)) return nullptr;
    r->metrics_.height = face->available_sizes[best].height;
    r->metrics_.ascent = static_cast<int>((face->size->metrics.ascender + 63) >> 6);
  }
  if (r->metrics_.height <= 0) return nullptr;

  d.synthBold = (flags & kFontBold) && !(face->style_flags & FT_STYLE_FLAG_BOLD);
  d.synthItalic = (flags & kFontItalic) && !(face->style_flags & FT_STYLE_FLAG_ITALIC);
  if (flags & kFontUnderline) {
    long position = 0, thickness = 0;
    if (FT_IS_SCALABLE(face)) {
      position = FT_MulFix(face->underline_position, face->size->metrics.y_scale);
      thickness = FT_MulFix(face->underline_thickness, face->size->metrics.y_scale);
    }
    d.underlineRows = std::max(1, static_cast<int>((thickness + 32) >> 6));
    d.underlineTop = r->metrics_.ascent - static_cast<int>(std::lround(position / 64.0)) - d.underlineRows / 2;
    d.underlineTop = std::clamp(d.underlineTop, 0, std::max(0, r->metrics_.height - d.underlineRows));
  }

  // The byte range the face has glyphs for; codes between without one show its blank glyph.
  int first = -1, last = -1;
  for (int c = 32; c <= 255; ++c) {
    uint32_t u = d.symbolMap ? 0xF000u + c : unicodeOf(static_cast<uint8_t>(c));
    if (FT_Get_Char_Index(face, u) == 0) continue;
    if (first < 0) first = c;
    last = c;
  }
  if (first >= 0) {
    r->first_ = first;
    r->last_ = last;
  }
  return r;
}

std::string GlyphRenderer::family() const {
  const char* name = impl_->face->family_name;
  return name ? name : "";
}

bool GlyphRenderer::load(uint8_t code) {
  Impl& d = *impl_;
  uint32_t u = d.symbolMap ? 0xF000u + code : unicodeOf(code);
  if (FT_Load_Char(d.face, u, FT_LOAD_TARGET_MONO)) return false;
  FT_GlyphSlot slot = d.face->glyph;
  if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
    if (d.synthBold) FT_GlyphSlot_Embolden(slot);
    if (d.synthItalic) FT_GlyphSlot_Oblique(slot);
  }
  return true;
}

int GlyphRenderer::advance(uint8_t code) {
  if (!load(code)) return 0;
  return std::max(0, static_cast<int>((impl_->face->glyph->advance.x + 32) >> 6));
}

void GlyphRenderer::render(uint8_t code, Canvas& canvas, int x, int y, int width) {
  Impl& d = *impl_;
  const int height = metrics_.height;
  if (d.underlineRows > 0)
    for (int row = d.underlineTop; row < d.underlineTop + d.underlineRows && row < height; ++row)
      for (int col = 0; col < width; ++col) canvas.setPixelFast(x + col, y + row, 0xFFFFFFFF);
  if (!load(code)) return;
  FT_GlyphSlot slot = d.face->glyph;
  if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_MONO)) return;
  const FT_Bitmap& bitmap = slot->bitmap;
  if (bitmap.pixel_mode != FT_PIXEL_MODE_MONO && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) return;
  const int left = slot->bitmap_left, top = metrics_.ascent - slot->bitmap_top;
  for (unsigned row = 0; row < bitmap.rows; ++row) {
    int cy = top + static_cast<int>(row);
    if (cy < 0 || cy >= height) continue;
    // A negative pitch stores the rows bottom-up.
    ptrdiff_t stride = bitmap.pitch < 0 ? -bitmap.pitch : bitmap.pitch;
    unsigned stored = bitmap.pitch < 0 ? bitmap.rows - 1 - row : row;
    const uint8_t* bits = bitmap.buffer + static_cast<ptrdiff_t>(stored) * stride;
    for (unsigned col = 0; col < bitmap.width; ++col) {
      int cx = left + static_cast<int>(col);
      if (cx < 0 || cx >= width) continue;
      bool on = bitmap.pixel_mode == FT_PIXEL_MODE_MONO ? (bits[col >> 3] & (0x80 >> (col & 7))) != 0
                                                        : bits[col] >= 128;
      if (on) canvas.setPixelFast(x + cx, y + cy, 0xFFFFFFFF);
    }
  }
}

}  // namespace korva::fonts
