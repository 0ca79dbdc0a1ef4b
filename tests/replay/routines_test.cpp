// Which routines a recording keeps: the table names only routines that exist, and the ones
// that bring in the outside world are treated so.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/replay/pictures.h"
#include "app/replay/routines.h"
#include "render/canvas/canvas.h"

namespace korva::replay {
namespace {

TEST(ReplayRoutines, TheTableIsSortedAndNamesOnlyRegisteredRoutines) {
  std::vector<std::string_view> names = namedRoutines();
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end())) << "the lookup needs the table in order";
  EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end()) << "a routine named twice";
  RoutineTable table;
  for (std::string_view name : names) {
    bool found = std::any_of(table.all().begin(), table.all().end(),
                             [&](const RoutineInfo& info) { return info.name == name; });
    EXPECT_TRUE(found) << name << " is in the replay's table but no routine has that name";
  }
}

TEST(ReplayRoutines, RoutinesFromTheOutsideAreRecordedAndTheRestRuns) {
  struct Case {
    const char* declaration;
    Policy policy;
    int handleArg;
  };
  const Case cases[] = {
      {"%MilliSecs", Policy::Outside, -1},       {"$CurrentTime", Policy::Outside, -1},
      {"$CommandLine", Policy::Outside, -1},     {"%KeyHit%key", Policy::Outside, -1},
      {"%MouseX", Policy::Outside, -1},          {"%WaitTimer%timer", Policy::Outside, -1},
      {"%ChannelPlaying%channel", Policy::Outside, -1},
      {"%FileType$file", Policy::Outside, -1},   {"%RecvNetMsg", Policy::Outside, -1},
      {"%OpenTCPStream$server%port", Policy::Opens, -1},
      {"%ReadDir$dirname", Policy::Opens, -1},   {"$ReadLine%stream", Policy::HandleRead, 0},
      {"%ReadBytes%bank%file%offset%count", Policy::HandleRead, 1},
      {"WriteLine%stream$string", Policy::HandleWrite, 0},
      {"Delay%millisecs", Policy::Skip, -1},     {"ExecFile$command", Policy::Skip, -1},
      {"%LoadImage$bmpfile", Policy::Checked, -1}, {"%ReadFile$filename", Policy::Checked, -1},
      {"Flip%vwait=1", Policy::Flip, -1},        {"DrawImage%image%x%y%frame=0", Policy::Run, -1},
      {"#Rnd#from#to=0", Policy::Run, -1},       {"_vxStrConcat", Policy::Run, -1},
  };
  RoutineTable table;
  for (const Case& c : cases) {
    const RoutineInfo* info = table.byDeclaration(c.declaration);
    ASSERT_NE(info, nullptr) << c.declaration << " is not registered";
    EXPECT_EQ(info->policy, c.policy) << c.declaration;
    EXPECT_EQ(info->handleArg, c.handleArg) << c.declaration;
    if (c.handleArg >= 0) {
      ASSERT_LT(static_cast<size_t>(c.handleArg), info->params.size()) << c.declaration;
      EXPECT_EQ(info->params[static_cast<size_t>(c.handleArg)], '%') << c.declaration;
    }
  }
  EXPECT_TRUE(table.byDeclaration("%ReadBytes%bank%file%offset%count")->fillsBank);
}

TEST(ReplayRoutines, NamesComeOutOfDeclarations) {
  const std::pair<const char*, const char*> cases[] = {
      {"%KeyDown%key", "KeyDown"}, {"Flip%vwait=1", "Flip"}, {"$CurrentDate", "CurrentDate"},
      {"_vxStrLoad", "_vxStrLoad"}, {"#JoyX%port=0", "JoyX"}, {"", ""}, {"%", ""},
  };
  for (auto [declaration, name] : cases) EXPECT_EQ(declarationName(declaration), name) << declaration;
}

TEST(ReplayPictures, ADifferenceFromThePreviousPictureRestoresItExactly) {
  Picture first{3, 2, {0x000000, 0x112233, 0xFFFFFF, 0x808080, 0x010203, 0xABCDEF}};
  Picture second = first;
  second.pixels[4] = 0x0A0B0C;
  Picture wide{2, 3, {1, 2, 3, 4, 5, 6}};
  Picture decoded, previous;
  for (const Picture* step : {&first, &second, &wide, &first}) {
    std::string bytes = pictureDelta(*step, previous);
    ASSERT_TRUE(applyPictureDelta(bytes, step->width, step->height, decoded));
    EXPECT_EQ(decoded.pixels, step->pixels);
    previous = *step;
  }
  EXPECT_FALSE(applyPictureDelta("abc", 1, 1, decoded)) << "three bytes for one pixel";
}

TEST(ReplayPictures, OnePixelOrTheSidesChangeTheHash) {
  Picture a{2, 2, {1, 2, 3, 4}};
  Picture b = a;
  b.pixels[3] = 5;
  Picture c{4, 1, {1, 2, 3, 4}};
  EXPECT_EQ(pictureHash(a), pictureHash(Picture(a)));
  EXPECT_NE(pictureHash(a), pictureHash(b));
  EXPECT_NE(pictureHash(a), pictureHash(c));
}

TEST(ReplayPictures, AFrameHashesAsItsPictureInEveryLayout) {
  const PixelLayout layouts[] = {PixelLayout::xrgb8888(), PixelLayout::argb8888(), PixelLayout::rgb565(),
                                 PixelLayout::rgb888()};
  for (const PixelLayout& layout : layouts) {
    auto canvas = Canvas::create(7, 5, layout);
    ASSERT_TRUE(canvas) << layout.depth;
    canvas->setColor(0xFF336699);
    canvas->rect(1, 1, 4, 3, true);
    Picture picture, scratch;
    ASSERT_TRUE(takePicture(*canvas, picture));
    if (layout.depth != 16) {
      EXPECT_EQ(picture.pixels[1 * 7 + 1], 0x336699u) << layout.depth;
    }
    EXPECT_EQ(picture.pixels[0], 0u) << layout.depth;
    EXPECT_EQ(frameHash(*canvas, scratch), pictureHash(picture)) << layout.depth;
  }
}

}  // namespace
}  // namespace korva::replay
