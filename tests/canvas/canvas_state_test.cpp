#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "canvas/canvas_helpers.h"

namespace korva {
namespace {

using test::at;
using test::make;

TEST(Canvas, StartsWithTheDocumentedState) {
  auto c = Canvas::create(10, 6, PixelLayout::rgb565());
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->width(), 10);
  EXPECT_EQ(c->height(), 6);
  EXPECT_EQ(c->viewport(), (Rect{0, 0, 10, 6}));
  EXPECT_EQ(c->stamp(), 0u);
  EXPECT_EQ(c->color(), 0xFFF8FCF8u);
  EXPECT_EQ(c->maskColor(), 0xFF000000u);
  EXPECT_EQ(c->clsColor(), 0xFF000000u);
  EXPECT_EQ(c->maskWordsPerRow(), 1);
  EXPECT_EQ(c->collisionMask(), nullptr);
  EXPECT_EQ(Canvas::create(0, 5, PixelLayout::rgb565()), nullptr);
  EXPECT_EQ(Canvas::create(5, 5, PixelLayout{8, 0, 0xE0, 0x1C, 0x03}), nullptr);
  EXPECT_EQ(Canvas::create(INT_MAX, INT_MAX, PixelLayout::xrgb8888()), nullptr);
}

TEST(Canvas, SurfacesShareOneBudgetThatFreeingGivesBack) {
  const size_t before = Surface::pixelBytesInUse();
  // The smallest surfaces count as a page each, so their number is bounded too.
  std::vector<std::unique_ptr<Surface>> held;
  for (size_t i = 0; i <= Surface::kPixelBudget / 4096; ++i) {
    auto s = Surface::create(1, 1, PixelLayout::rgb565());
    if (!s) break;
    held.push_back(std::move(s));
  }
  EXPECT_EQ(held.size(), (Surface::kPixelBudget - before) / 4096);
  EXPECT_EQ(Surface::create(64, 64, PixelLayout::xrgb8888()), nullptr);
  held.resize(held.size() - 4);
  EXPECT_NE(Surface::create(64, 64, PixelLayout::xrgb8888()), nullptr) << "freed surfaces give their share back";
  EXPECT_EQ(Surface::create(64, 65, PixelLayout::xrgb8888()), nullptr);
  held.clear();
  EXPECT_EQ(Surface::pixelBytesInUse(), before);
}

TEST(Canvas, ColoursReadBackThroughTheFormat) {
  auto c565 = make(2, 1, PixelLayout::rgb565());
  c565->setColor(0x00FFFFFF);
  EXPECT_EQ(c565->color(), 0xFFF8FCF8u);
  c565->plot(0, 0);
  EXPECT_EQ(c565->getPixel(0, 0), 0xFFF8FCF8u);
  for (auto layout : {PixelLayout::rgb888(), PixelLayout::xrgb8888()}) {
    auto c = make(2, 1, layout);
    c->setColor(0xFFFFFFFF);
    c->plot(1, 0);
    EXPECT_EQ(c->getPixel(1, 0), 0xFFFFFFFFu);
  }
  auto argb = make(2, 1, PixelLayout::argb8888());
  argb->setColor(0x00123456);  // drawing colours are always opaque
  EXPECT_EQ(argb->color(), 0xFF123456u);
  argb->setMaskColor(0x00123456);  // the mask colour keeps its alpha
  EXPECT_EQ(argb->maskColor(), 0x00123456u);
  argb->setColor(0xFF102030);
  EXPECT_EQ(argb->colorRef(), 0x302010u);
}

TEST(Canvas, ViewportIsClippedToTheSurface) {
  auto c = make(10, 10);
  c->setViewport(-5, 8, 20, 20);
  EXPECT_EQ(c->viewport(), (Rect{0, 8, 10, 10}));
  c->setViewport(20, 20, 5, 5);
  EXPECT_EQ(c->viewport(), (Rect{}));
  uint32_t s = c->stamp();
  c->cls();
  c->plot(0, 0);
  c->setPixel(0, 0, 0xFFFFFFFF);
  EXPECT_EQ(c->stamp(), s);
  c->setViewport(INT_MAX, INT_MAX, INT_MAX, INT_MAX);
  EXPECT_EQ(c->viewport(), (Rect{}));
}

TEST(Canvas, GetPixelOutsideTheViewportReadsTheMaskColour) {
  auto c = make(4, 4);
  c->setClsColor(0xFFFFFFFF);
  c->cls();
  c->setViewport(1, 1, 2, 2);
  EXPECT_EQ(c->getPixel(0, 0), 0xFF000000u);
  EXPECT_EQ(c->getPixel(1, 1), 0xFFFFFFFFu);
  c->setOrigin(-1, -1);
  EXPECT_EQ(c->getPixel(2, 2), 0xFFFFFFFFu);
  EXPECT_EQ(c->getPixel(1, 1), 0xFF000000u);
}

TEST(Canvas, StampAdvancesOnceForEachDrawingOperation) {
  auto c = make(8, 8);
  auto src = make(2, 2);
  auto step = [&](const char* what, auto&& op, uint32_t by) {
    uint32_t before = c->stamp();
    op();
    EXPECT_EQ(c->stamp(), before + by) << what;
  };
  step("cls", [&] { c->cls(); }, 1);
  step("plot", [&] { c->plot(1, 1); }, 1);
  step("line", [&] { c->line(0, 0, 5, 3); }, 1);
  step("rect", [&] { c->rect(0, 0, 3, 3, false); }, 1);
  step("oval", [&] { c->oval(0, 0, 5, 5, false); }, 1);
  step("blit", [&] { c->blit(0, 0, *src, 0, 0, 2, 2, false); }, 1);
  step("setPixel", [&] { c->setPixel(1, 1, 0xFFFFFFFF); }, 1);
  step("setPixelFast", [&] { c->lock(); c->setPixelFast(1, 1, 0); c->unlock(); }, 1);
  step("copyPixel", [&] { c->copyPixel(0, 0, *src, 1, 1); }, 0);
  step("copyPixelFast", [&] { c->lock(); src->lock(); c->copyPixelFast(0, 0, *src, 1, 1); src->unlock(); c->unlock(); }, 0);
  step("getPixel", [&] { c->getPixel(1, 1); }, 0);
  step("backup and restore", [&] { c->backup(); c->restore(); }, 0);
  step("failed clip", [&] { c->plot(-1, 0); c->rect(9, 9, 2, 2, true); c->line(-5, -5, -1, -1); }, 0);
  uint32_t s = src->stamp();
  c->blit(0, 0, *src, 0, 0, 2, 2, true);
  EXPECT_EQ(src->stamp(), s);  // only the destination's stamp moves
  c->setStamp(77);
  EXPECT_EQ(c->stamp(), 77u);
}

TEST(Canvas, LocksNest) {
  auto c = make(4, 4);
  EXPECT_EQ(c->pixels(), nullptr);
  c->unlock();  // without a lock: nothing
  EXPECT_EQ(c->lockCount(), 0);
  c->lock();
  uint8_t* p = c->pixels();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(c->pitch(), c->surface().pitch());
  c->lock();
  EXPECT_EQ(c->lockCount(), 2);
  c->unlock();
  EXPECT_EQ(c->pixels(), p);
  c->unlock();
  EXPECT_EQ(c->lockCount(), 0);
  EXPECT_EQ(c->pixels(), nullptr);
  EXPECT_EQ(c->surface().lockCount(), 0);
}

TEST(Canvas, DestroyingALockedCanvasCompletes) {
  int live = Canvas::liveCount();
  {
    auto c = make(4, 4);
    EXPECT_EQ(Canvas::liveCount(), live + 1);
    c->lock();
    c->lock();
  }
  EXPECT_EQ(Canvas::liveCount(), live);
}

// Fast operations trust the caller, but never reach memory outside the surface.
TEST(Canvas, FastPixelsOutsideTheSurfaceOrUnlockedAreIgnored) {
  auto c = make(4, 3);
  c->setPixelFast(0, 0, 0xFFFFFFFF);  // not locked
  EXPECT_EQ(at(*c, 0, 0), 0xFF000000u);
  c->lock();
  uint32_t s = c->stamp();
  for (auto [x, y] : {std::pair{-1, 0}, {4, 0}, {0, -1}, {0, 3}, {INT_MIN, INT_MAX}}) {
    c->setPixelFast(x, y, 0xFFFFFFFF);
    EXPECT_EQ(c->getPixelFast(x, y), 0xFF000000u);
    c->copyPixelFast(x, y, *c, 0, 0);
    c->copyPixelFast(0, 0, *c, x, y);
  }
  EXPECT_EQ(c->stamp(), s);
  c->setPixelFast(3, 2, 0xFF00FF00);
  EXPECT_EQ(c->getPixelFast(3, 2), 0xFF00FF00u);
  c->copyPixelFast(0, 0, *c, 3, 2);
  c->unlock();
  EXPECT_EQ(at(*c, 0, 0), 0xFF00FF00u);
  EXPECT_EQ(c->getPixelFast(3, 2), 0xFF000000u);  // unlocked again
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x)
      if (!((x == 0 && y == 0) || (x == 3 && y == 2))) {
        EXPECT_EQ(at(*c, x, y), 0xFF000000u) << x << "," << y;
      }
}

TEST(Canvas, CopyPixelUsesBothOriginsAndViewports) {
  auto src = make(4, 4, PixelLayout::rgb888());
  src->setPixel(2, 2, 0xFF123456);
  src->setOrigin(1, 1);
  auto dst = make(4, 4, PixelLayout::rgb888());
  dst->setOrigin(0, 1);
  dst->copyPixel(3, 0, *src, 1, 1);
  EXPECT_EQ(at(*dst, 3, 1), 0xFF123456u);
  dst->setViewport(0, 0, 2, 2);
  dst->copyPixel(3, 0, *src, 1, 1);  // (3, 1) is now outside the destination's viewport
  dst->copyPixel(0, 0, *src, 5, 5);
  EXPECT_EQ(at(*dst, 0, 1), 0xFF000000u);
  // Between formats the colour is converted rather than bytes read past a smaller pixel.
  auto wide = make(2, 1, PixelLayout::xrgb8888());
  auto narrow = make(2, 1, PixelLayout::rgb565());
  narrow->setPixel(1, 0, 0xFFFFFFFF);
  wide->copyPixel(0, 0, *narrow, 1, 0);
  EXPECT_EQ(at(*wide, 0, 0), 0xFFF8FCF8u);
}

TEST(Canvas, BackupAndRestoreOverALostSurface) {
  auto c = make(5, 3);
  c->setPixel(4, 2, 0xFFABCDEF);
  c->backup();
  EXPECT_TRUE(c->hasBackup());
  c->surface().markLost();
  c->lock();
  EXPECT_EQ(c->pixels(), nullptr);  // a lost surface cannot be locked
  c->setPixel(0, 0, 0xFFFFFFFF);
  EXPECT_EQ(c->getPixel(0, 0), 0xFF000000u);
  c->unlock();
  c->cls();
  c->surface().row(2)[16] = 0;  // what the loss did to the contents
  c->restore();
  EXPECT_FALSE(c->hasBackup());
  EXPECT_FALSE(c->surface().lost());
  EXPECT_EQ(at(*c, 4, 2), 0xFFABCDEFu);

  auto sys = Canvas::create(2, 2, PixelLayout::xrgb8888(), nullptr, Canvas::kSystemMemory);
  sys->backup();
  EXPECT_FALSE(sys->hasBackup());
  sys->surface().markLost();
  EXPECT_FALSE(sys->surface().lost());
}

struct Recorder : TextRenderer {
  std::vector<std::string> calls;
  void drawText(Canvas& c, Font* font, int x, int y, std::string_view text) override {
    calls.push_back(std::to_string(x) + "," + std::to_string(y) + " " + std::string(text) + (font ? " font" : "") +
                    (c.width() == 3 ? " ok" : ""));
  }
};

TEST(Canvas, TextGoesToTheRendererWhenThereIsOne) {
  auto c = make(3, 3);
  c->text(0, 0, "ignored");
  Recorder r;
  setTextRenderer(&r);
  c->setFont(reinterpret_cast<Font*>(&r));
  c->text(1, 2, "hi");
  setTextRenderer(nullptr);
  c->text(1, 2, "after");
  EXPECT_EQ(r.calls, (std::vector<std::string>{"1,2 hi font ok"}));
}

}  // namespace
}  // namespace korva
