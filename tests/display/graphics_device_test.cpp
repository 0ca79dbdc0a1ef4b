#include "render/display/graphics_device.h"

#include <gtest/gtest.h>

#include <string>

#include "render/fonts/font.h"

namespace korva {
namespace {

std::unique_ptr<GraphicsDevice> device(bool shared = true, PixelLayout layout = PixelLayout::xrgb8888()) {
  return GraphicsDevice::create(nullptr, 64, 48, layout, shared);
}

TEST(GraphicsDevice, BuffersAreVerifiedAndNeverFreed) {
  auto windowed = device(true);
  ASSERT_NE(windowed, nullptr);
  Canvas* front = windowed->frontBuffer();
  Canvas* back = windowed->backBuffer();
  EXPECT_NE(front, back);
  EXPECT_EQ(&front->surface(), &back->surface()) << "the windowed buffers share one surface";
  EXPECT_EQ(windowed->verifyCanvas(front), front);
  EXPECT_EQ(windowed->verifyCanvas(back), back);
  windowed->freeCanvas(front);
  windowed->freeCanvas(back);
  EXPECT_EQ(windowed->verifyCanvas(front), front);
  EXPECT_EQ(windowed->verifyCanvas(nullptr), nullptr);
  EXPECT_EQ(front->font(), windowed->defaultFont());
  EXPECT_EQ(windowed->width(), 64);
  EXPECT_EQ(windowed->height(), 48);
  EXPECT_EQ(windowed->depth(), 32);

  auto flipping = device(false, PixelLayout::rgb565());
  EXPECT_NE(&flipping->frontBuffer()->surface(), &flipping->backBuffer()->surface());
  EXPECT_EQ(flipping->depth(), 16);
}

TEST(GraphicsDevice, CanvasesOfAClosedDeviceAreRefusedAndAllWereFreed) {
  auto survivor = device();
  const int before = Canvas::liveCount();
  auto closing = device();
  Canvas* made = closing->createCanvas(10, 10, 0);
  Canvas* front = closing->frontBuffer();
  Font* font = closing->loadFont("courier", 20, 0);
  ASSERT_NE(made, nullptr);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(closing->verifyCanvas(made), made);
  EXPECT_EQ(closing->verifyFont(font), font);
  closing.reset();
  EXPECT_EQ(Canvas::liveCount(), before) << "every canvas, atlas and buffer went with the device";
  EXPECT_EQ(survivor->verifyCanvas(made), nullptr);
  EXPECT_EQ(survivor->verifyCanvas(front), nullptr);
  EXPECT_EQ(survivor->verifyFont(font), nullptr);
}

TEST(GraphicsDevice, NewCanvasesAreClearedInTheDisplayFormat) {
  auto d = device(true, PixelLayout::rgb565());
  Canvas* c = d->createCanvas(5, 3, 0);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->format().layout(), PixelLayout::rgb565());
  EXPECT_FALSE(c->surface().systemMemory());
  EXPECT_EQ(c->getPixel(4, 2), 0xFF000000u);
  EXPECT_EQ(c->font(), d->defaultFont());
  Canvas* sys = d->createCanvas(5, 3, Canvas::kSystemMemory);
  ASSERT_NE(sys, nullptr);
  EXPECT_TRUE(sys->surface().systemMemory());
  EXPECT_EQ(sys->flags(), Canvas::kSystemMemory);
  for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {-1, 5}, {100000, 2}}) EXPECT_EQ(d->createCanvas(w, h, 0), nullptr);
}

// Pictures as a loader would give them: 3 x 2, red, in a layout of the loader's choice.
PixelLayout g_loaderLayout;
std::string g_loaderFile;
bool g_loaderSystem = false;
std::unique_ptr<Surface> redPicture(const std::string& file, const PixelLayout& layout, bool systemMemory) {
  g_loaderFile = file;
  g_loaderSystem = systemMemory;
  if (file == "missing.png") return nullptr;
  auto s = Surface::create(3, 2, file == "converted.png" ? layout : g_loaderLayout, systemMemory);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) s->format().write(s->row(y) + x * s->format().bytesPerPixel, 0xFFFF0000);
  return s;
}

TEST(GraphicsDevice, LoadCanvasGoesThroughTheLoaderHook) {
  auto d = device();
  GraphicsDevice::setPictureLoader(nullptr);
  EXPECT_EQ(d->loadCanvas("converted.png", 0), nullptr);

  GraphicsDevice::setPictureLoader(redPicture);
  g_loaderLayout = PixelLayout::rgb565();
  struct Case {
    const char* file;
    uint32_t flags;
    uint32_t red;  // a 5-6-5 picture keeps 5 bits of red
  } cases[] = {{"converted.png", 0, 0xFFFF0000},
               {"as-loaded.png", 0, 0xFFF80000},
               {"converted.png", Canvas::kSystemMemory, 0xFFFF0000}};
  for (const Case& c : cases) {
    Canvas* picture = d->loadCanvas(c.file, c.flags);
    ASSERT_NE(picture, nullptr) << c.file;
    EXPECT_EQ(g_loaderFile, c.file);
    EXPECT_EQ(g_loaderSystem, c.flags == Canvas::kSystemMemory);
    EXPECT_EQ(picture->width(), 3);
    EXPECT_EQ(picture->height(), 2);
    EXPECT_EQ(picture->format().layout(), d->layout()) << "pictures take the display's format";
    EXPECT_EQ(picture->surface().systemMemory(), c.flags == Canvas::kSystemMemory);
    EXPECT_EQ(picture->getPixel(2, 1), c.red) << "not cleared";
    EXPECT_EQ(d->verifyCanvas(picture), picture);
  }
  EXPECT_EQ(d->loadCanvas("missing.png", 0), nullptr);
  GraphicsDevice::setPictureLoader(nullptr);
}

TEST(GraphicsDevice, SuspensionKeepsEveryCanvasPicture) {
  auto d = device(false);
  Canvas* image = d->createCanvas(4, 4, 0);
  Canvas* loaded = d->createCanvas(4, 4, Canvas::kSystemMemory);
  image->setPixel(1, 1, 0xFF00FF00);
  d->backBuffer()->setPixel(2, 2, 0xFF0000FF);
  d->suspend();
  EXPECT_TRUE(image->hasBackup());
  EXPECT_FALSE(loaded->hasBackup()) << "system memory is never lost";
  EXPECT_TRUE(d->frontBuffer()->hasBackup());
  EXPECT_TRUE(d->backBuffer()->hasBackup());
  image->setPixel(1, 1, 0xFFFFFFFF);
  d->resume();
  EXPECT_EQ(image->getPixel(1, 1), 0xFF00FF00u);
  EXPECT_EQ(d->backBuffer()->getPixel(2, 2), 0xFF0000FFu);
  EXPECT_FALSE(image->hasBackup());
}

TEST(GraphicsDevice, FreedFontsLeaveNoCanvasPointingAtThem) {
  auto d = device();
  Font* big = d->loadFont("courier", 24, 0);
  ASSERT_NE(big, nullptr);
  Canvas* image = d->createCanvas(40, 30, 0);
  image->setFont(big);
  d->frontBuffer()->setFont(big);
  size_t fonts = d->liveFonts();
  d->freeFont(big);
  EXPECT_EQ(d->liveFonts(), fonts - 1);
  EXPECT_EQ(d->verifyFont(big), nullptr);
  EXPECT_EQ(image->font(), d->defaultFont());
  EXPECT_EQ(d->frontBuffer()->font(), d->defaultFont());
  image->text(0, 0, "still drawn");
  Font* stranger = reinterpret_cast<Font*>(image);
  d->freeFont(stranger);  // not a font of this device: ignored
  EXPECT_EQ(d->liveFonts(), fonts - 1);
}

TEST(GraphicsDevice, TimingAndMemoryFiguresAreInRange) {
  auto d = device();
  for (int i = 0; i < 5; ++i) {
    int line = d->scanLine();
    EXPECT_GE(line, 0);
    EXPECT_LT(line, 48 + 2);
  }
  d->waitVBlank();
  EXPECT_GT(d->totalVidMem(), 0);
  EXPECT_GT(d->availVidMem(), 0);
  EXPECT_LE(d->availVidMem(), d->totalVidMem());
}

}  // namespace
}  // namespace korva
