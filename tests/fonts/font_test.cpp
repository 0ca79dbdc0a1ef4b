#include "render/fonts/font.h"

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "fonts/font_helpers.h"
#include "render/fonts/private/glyph_renderer.h"
#include "support/fifo.h"
#include "support/process.h"

namespace korva {
namespace {

using test::countColour;
using test::fontDevice;
using test::pixels;

constexpr char kProportionalFace[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// Points fontconfig at a configuration with no font directories for the test's lifetime.
class NoSystemFonts {
 public:
  NoSystemFonts() {
    std::string conf = test::tempDir() + "/empty-fonts.conf";
    std::ofstream(conf) << "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n";
    const char* old = std::getenv("FONTCONFIG_FILE");
    had_ = old != nullptr;
    if (old) old_ = old;
    setenv("FONTCONFIG_FILE", conf.c_str(), 1);
    FcInitReinitialize();
  }
  ~NoSystemFonts() {
    if (had_)
      setenv("FONTCONFIG_FILE", old_.c_str(), 1);
    else
      unsetenv("FONTCONFIG_FILE");
    FcInitReinitialize();
  }

 private:
  bool had_ = false;
  std::string old_;
};

TEST(DefaultFont, ExistsWithoutAnyInstalledFont) {
  NoSystemFonts none;
  FcFontSet* all = FcConfigGetFonts(nullptr, FcSetSystem);
  ASSERT_TRUE(all == nullptr || all->nfont == 0) << "the empty configuration still lists fonts";
  auto device = fontDevice();
  ASSERT_NE(device, nullptr);
  Font* font = device->defaultFont();
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->height(), 12);
  EXPECT_EQ(font->family(), "DejaVu Sans Mono");
  EXPECT_GT(font->charWidth('A'), 0);
  EXPECT_EQ(device->frontBuffer()->font(), font);
  // Any other face is served too: a missing face is replaced, never a failure.
  Font* other = device->loadFont("No Such Face", 20, kFontBold);
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(other->height(), 20);
}

TEST(DefaultFont, CourierIsTheBundledFaceUnlessTheSystemHasCourier) {
  auto device = fontDevice();
  ASSERT_NE(device, nullptr);
  std::string family = device->defaultFont()->family();
  if (family != "DejaVu Sans Mono") {
    EXPECT_EQ(family.rfind("Courier", 0), 0u) << family;
  }
}

TEST(FontMetrics, HeightsMapOntoCellAndEmSizes) {
  struct Case {
    int requested, ascender, descender;
    bool ok;
    int height, ascent;
    long em64;
  } cases[] = {
      {12, 1900, 500, true, 12, 10, 655},   // cell height as asked: em = 12 * 2048 / 2400
      {-10, 1900, 500, true, 12, 10, 640},  // em size as asked: cell = 10 * 2400 / 2048
      {0, 1900, 500, true, 12, 10, 655},    // the default height
      {1024, 1024, 1024, true, 1024, 512, 65536},
      {1025, 1900, 500, false, 0, 0, 0},
      {-1025, 1900, 500, false, 0, 0, 0},
      {12, 0, 0, false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    fonts::CellMetrics m;
    bool ok = fonts::cellMetrics(c.requested, 2048, c.ascender, c.descender, m);
    ASSERT_EQ(ok, c.ok) << c.requested;
    if (!ok) continue;
    EXPECT_EQ(m.height, c.height) << c.requested;
    EXPECT_EQ(m.ascent, c.ascent) << c.requested;
    EXPECT_EQ(m.emSize64, c.em64) << c.requested;
  }
}

TEST(FontMetrics, BytesAreWindows1252) {
  struct Case {
    uint8_t code;
    uint32_t unicode;
  } cases[] = {{'A', 'A'}, {0x80, 0x20AC}, {0x81, 0x81}, {0x99, 0x2122}, {0x9F, 0x0178}, {0xE9, 0xE9}, {0xFF, 0xFF}};
  for (const Case& c : cases) EXPECT_EQ(fonts::unicodeOf(c.code), c.unicode) << int(c.code);
}

TEST(FontLoading, TooTallIsRefused) {
  auto device = fontDevice();
  size_t canvases = device->liveCanvases();
  EXPECT_EQ(device->loadFont("courier", 5000, 0), nullptr);
  EXPECT_EQ(device->liveCanvases(), canvases);
}

TEST(FontLoading, AFileNameIsLoadedDirectlyAndOfferedToTheSystem) {
  if (!std::filesystem::exists(kProportionalFace)) GTEST_SKIP() << kProportionalFace << " is not installed";
  auto device = fontDevice();
  Font* font = device->loadFont(kProportionalFace, 16, 0);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->family(), "DejaVu Sans");
  EXPECT_EQ(font->height(), 16);
  EXPECT_EQ(device->fontFiles().count(kProportionalFace), 1u);
  // A file that cannot be read falls back on the face named before the first ".".
  Font* missing = device->loadFont("courier.no-such-file", 12, 0);
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(missing->family(), device->defaultFont()->family());
  EXPECT_EQ(device->fontFiles().size(), 1u);
}

// A named pipe is no font file: neither fontconfig nor FreeType gets to wait on it, and
// the name falls back on the face before its first ".", as a missing file's does. A face
// file read through our own descriptor renders as one read by name.
TEST(FontLoading, ANamedPipeIsNoFontFile) {
  auto device = fontDevice();
  test::Fifo pipe(test::tempDir() + "/courier.ttf");
  ASSERT_TRUE(pipe.made());
  Font* font = nullptr;
  EXPECT_TRUE(test::returnsWithin(std::chrono::seconds(5), [&] { font = device->loadFont(pipe.path(), 12, 0); }, {&pipe}));
  ASSERT_NE(font, nullptr);
  Font* missing = device->loadFont(test::tempDir() + "/courier.missing", 12, 0);
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(font->family(), missing->family());
  EXPECT_EQ(device->fontFiles().count(pipe.path()), 0u);
  auto renderer = fonts::GlyphRenderer::open(fonts::FaceSource{pipe.path(), 0}, 12, 0);
  EXPECT_EQ(renderer, nullptr);
  if (std::filesystem::exists(kProportionalFace)) {
    auto face = fonts::GlyphRenderer::open(fonts::FaceSource{kProportionalFace, 0}, 16, 0);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->family(), "DejaVu Sans");
    EXPECT_GT(face->advance('W'), face->advance('i'));
  }
}

TEST(FontMeasure, StringWidthIsTheSumOfAdvancesAndOutOfRangeIsTheDefault) {
  if (!std::filesystem::exists(kProportionalFace)) GTEST_SKIP() << kProportionalFace << " is not installed";
  auto device = fontDevice();
  Font* font = device->loadFont(kProportionalFace, 16, 0);
  ASSERT_NE(font, nullptr);
  ASSERT_NE(font->charWidth('i'), font->charWidth('W'));
  EXPECT_EQ(font->stringWidth("iWi"), 2 * font->charWidth('i') + font->charWidth('W'));
  EXPECT_EQ(font->stringWidth(""), 0);
  EXPECT_GT(font->charWidth(0xE9), 0);  // e acute, measured like any other
  ASSERT_GT(font->first(), 5);
  EXPECT_EQ(font->charWidth(5), font->charWidth(static_cast<uint8_t>(font->defaultChar())));
  EXPECT_EQ(font->cell(5).x, font->cell(static_cast<uint8_t>(font->defaultChar())).x);
}

TEST(FontAtlas, RowsFitTheFrontBufferAndGlyphsAreWhiteOnBlack) {
  auto device = fontDevice(100, 50);
  Font* font = device->defaultFont();
  const int front = device->frontBuffer()->width();
  int rows = 0;
  for (int c = font->first(); c < font->end(); ++c) {
    auto cell = font->cell(static_cast<uint8_t>(c));
    EXPECT_LE(cell.x + font->charWidth(static_cast<uint8_t>(c)), front) << c;
    EXPECT_EQ(cell.y % font->height(), 0);
    rows = std::max(rows, cell.y / font->height() + 1);
  }
  EXPECT_GT(rows, 1);
  Canvas& atlas = font->atlas();
  EXPECT_EQ(atlas.height(), rows * font->height());
  EXPECT_EQ(atlas.maskColor() & 0xFFFFFF, 0xFFFFFFu);
  int white = countColour(atlas, 0xFFFFFFFF), black = countColour(atlas, 0xFF000000);
  EXPECT_GT(white, 0);
  EXPECT_EQ(white + black, atlas.width() * atlas.height()) << "glyphs are monochrome";
}

TEST(FontDraw, BlackTextIsDrawnInNearBlack) {
  auto device = fontDevice();
  Canvas* target = device->createCanvas(60, 20, 0);
  target->setClsColor(0x808080);
  target->cls();
  target->setColor(0x000000);
  target->text(2, 2, "Hi");
  EXPECT_GT(countColour(*target, 0xFF000010), 0);
  EXPECT_EQ(countColour(*target, 0xFF000000), 0);
}

TEST(FontDraw, ClippedAtTheLeftStartsWithTheFirstCharacterThatReachesIn) {
  auto device = fontDevice();
  Font* font = device->defaultFont();
  const int w = font->charWidth('A');
  Canvas* clipped = device->createCanvas(80, 20, 0);
  Canvas* whole = device->createCanvas(80, 20, 0);
  clipped->setViewport(20, 0, 40, 20);
  clipped->setOrigin(3, 0);
  whole->setOrigin(3, 0);
  const int x = 20 - 3 - w - 2;  // "M" ends left of the viewport, "W" reaches into it
  clipped->text(x, 4, "MWWWWWWWWWWWWWWWW");
  whole->text(x, 4, "MWWWWWWWWWWWWWWWW");
  auto a = pixels(*clipped), b = pixels(*whole);
  int inside = 0;
  for (int y = 0; y < 20; ++y)
    for (int px = 0; px < 80; ++px) {
      uint32_t got = a[size_t(y * 80 + px)];
      if (px >= 20 && px < 60) {
        EXPECT_EQ(got, b[size_t(y * 80 + px)]) << px << "," << y;
        inside += (got & 0xFFFFFF) != 0;
      } else {
        EXPECT_EQ(got, 0xFF000000u) << "outside the viewport at " << px << "," << y;
      }
    }
  EXPECT_GT(inside, 0);
}

TEST(FontDraw, OutOfRangeCharactersDrawAsTheDefaultAndTheScratchLineGrows) {
  auto device = fontDevice(64, 40);
  Font* font = device->defaultFont();
  Canvas* a = device->createCanvas(64, 20, 0);
  Canvas* b = device->createCanvas(64, 20, 0);
  ASSERT_GT(font->first(), 1);
  a->text(0, 0, std::string("x\x01x", 3));
  b->text(0, 0, std::string("x") + char(font->defaultChar()) + "x");
  EXPECT_EQ(pixels(*a), pixels(*b));

  EXPECT_EQ(font->scratchWidth(), 64);
  std::string wide(20, 'W');
  font->draw(*a, 0, 0, wide, 0xFFFFFF);
  EXPECT_EQ(font->scratchWidth(), font->stringWidth(wide));
}

TEST(FontStyles, UnderlineDrawsARowUnderEveryCharacter) {
  auto device = fontDevice();
  Font* plain = device->loadFont("courier", 16, 0);
  Font* underlined = device->loadFont("courier", 16, kFontUnderline);
  ASSERT_NE(plain, nullptr);
  ASSERT_NE(underlined, nullptr);
  Canvas* a = device->createCanvas(100, 20, 0);
  Canvas* b = device->createCanvas(100, 20, 0);
  a->setFont(plain);
  b->setFont(underlined);
  a->text(0, 0, "   ");
  b->text(0, 0, "   ");
  EXPECT_EQ(countColour(*a, 0xFFFFFFFF), 0);
  EXPECT_GE(countColour(*b, 0xFFFFFFFF), 3 * plain->charWidth(' '));
}

}  // namespace
}  // namespace korva
