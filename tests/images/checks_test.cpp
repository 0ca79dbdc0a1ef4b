// The handle check of every command that takes an image: messages under the debug flag,
// nothing done without it.
#include "image_fixture.h"

namespace korva::test {
namespace {

using namespace graphics;

struct Command {
  const char* name;
  bool hasFrame;
  // Calls the command on (image, frame) with a live image `other` where it needs two.
  int32_t (*call)(int32_t image, int32_t frame, int32_t other);
};

const Command kCommands[] = {
    {"CopyImage", false, [](int32_t i, int32_t, int32_t) { return CopyImage(i); }},
    {"SaveImage", true, [](int32_t i, int32_t f, int32_t) { return SaveImage(i, vxStrNew("/nonexistent-korva-dir/x.bmp"), f); }},
    {"GrabImage", true, [](int32_t i, int32_t f, int32_t) { return GrabImage(i, 0, 0, f), 0; }},
    {"ImageBuffer", true, [](int32_t i, int32_t f, int32_t) { return ImageBuffer(i, f); }},
    {"DrawImage", true, [](int32_t i, int32_t f, int32_t) { return DrawImage(i, 1, 1, f), 0; }},
    {"DrawBlock", true, [](int32_t i, int32_t f, int32_t) { return DrawBlock(i, 1, 1, f), 0; }},
    {"TileImage", true, [](int32_t i, int32_t f, int32_t) { return TileImage(i, 0, 0, f), 0; }},
    {"TileBlock", true, [](int32_t i, int32_t f, int32_t) { return TileBlock(i, 0, 0, f), 0; }},
    {"DrawImageRect", true, [](int32_t i, int32_t f, int32_t) { return DrawImageRect(i, 1, 1, 0, 0, 2, 2, f), 0; }},
    {"DrawBlockRect", true, [](int32_t i, int32_t f, int32_t) { return DrawBlockRect(i, 1, 1, 0, 0, 2, 2, f), 0; }},
    {"MaskImage", false, [](int32_t i, int32_t, int32_t) { return MaskImage(i, 1, 2, 3), 0; }},
    {"HandleImage", false, [](int32_t i, int32_t, int32_t) { return HandleImage(i, 1, 2), 0; }},
    {"MidHandle", false, [](int32_t i, int32_t, int32_t) { return MidHandle(i), 0; }},
    {"ImageWidth", false, [](int32_t i, int32_t, int32_t) { return ImageWidth(i); }},
    {"ImageHeight", false, [](int32_t i, int32_t, int32_t) { return ImageHeight(i); }},
    {"ImageXHandle", false, [](int32_t i, int32_t, int32_t) { return ImageXHandle(i); }},
    {"ImageYHandle", false, [](int32_t i, int32_t, int32_t) { return ImageYHandle(i); }},
    {"ImagesOverlap first", false, [](int32_t i, int32_t, int32_t o) { return ImagesOverlap(i, 0, 0, o, 0, 0); }},
    {"ImagesOverlap second", false, [](int32_t i, int32_t, int32_t o) { return ImagesOverlap(o, 0, 0, i, 0, 0); }},
    {"ImagesCollide first", true, [](int32_t i, int32_t f, int32_t o) { return ImagesCollide(i, 0, 0, f, o, 0, 0, 0); }},
    {"ImagesCollide second", true, [](int32_t i, int32_t f, int32_t o) { return ImagesCollide(o, 0, 0, 0, i, 0, 0, f); }},
    {"ImageRectOverlap", false, [](int32_t i, int32_t, int32_t) { return ImageRectOverlap(i, 0, 0, 0, 0, 5, 5); }},
    {"ImageRectCollide", true, [](int32_t i, int32_t f, int32_t) { return ImageRectCollide(i, 0, 0, f, 0, 0, 5, 5); }},
    {"TFormImage", false, [](int32_t i, int32_t, int32_t) { return TFormImage(i, 1, 0, 0, 1), 0; }},
    {"ScaleImage", false, [](int32_t i, int32_t, int32_t) { return ScaleImage(i, 2, 2), 0; }},
    {"ResizeImage", false, [](int32_t i, int32_t, int32_t) { return ResizeImage(i, 3, 3), 0; }},
    {"RotateImage", false, [](int32_t i, int32_t, int32_t) { return RotateImage(i, 45), 0; }},
};

class Checks : public ImageCommands {
 protected:
  void SetUp() override {
    ImageCommands::SetUp();
    live = CreateImage(4, 4, 2);
    other = CreateImage(4, 4, 1);
    freed = CreateImage(4, 4, 1);
    FreeImage(freed);
  }
  int32_t live = 0, other = 0, freed = 0;
};

TEST_F(Checks, DebugFlagRaisesForDeadImagesAndFramesOutOfRange) {
  setDebugFlag(true);
  for (const Command& c : kCommands) {
    for (int32_t dead : {freed, 0, 12345678, graphics::FrontBuffer()})
      EXPECT_EQ(errorOf([&] { c.call(dead, 0, other); }), "Image does not exist") << c.name << " " << dead;
    const char* badFrame = c.hasFrame ? "Image frame out of range" : "";
    for (int32_t f : {2, -1, 1 << 31})
      EXPECT_EQ(errorOf([&] { c.call(live, f, other); }), badFrame) << c.name << " frame " << f;
    EXPECT_EQ(errorOf([&] { c.call(live, 1, other); }), "") << c.name;
  }
}

TEST_F(Checks, WithoutTheDebugFlagABadImageOrFrameDoesNothing) {
  for (const Command& c : kCommands) {
    const uint32_t stamp = current().stamp();
    const size_t canvases = device().liveCanvases();
    for (int32_t dead : {freed, 0, 12345678, graphics::FrontBuffer()})
      EXPECT_EQ(c.call(dead, 0, other), 0) << c.name << " " << dead;
    if (c.hasFrame) {
      for (int32_t f : {2, -1, 1 << 31}) EXPECT_EQ(c.call(live, f, other), 0) << c.name << " frame " << f;
    }
    EXPECT_EQ(current().stamp(), stamp) << c.name << " drew";
    EXPECT_EQ(device().liveCanvases(), canvases) << c.name << " made or freed a canvas";
    EXPECT_EQ(ImageWidth(live), 4) << c.name;
    EXPECT_EQ(ImageXHandle(live), 0) << c.name;
  }
}

}  // namespace
}  // namespace korva::test
