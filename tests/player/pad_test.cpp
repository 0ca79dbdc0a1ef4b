// Pads in the standard layout: the layout itself, and a virtual pad that SDL does not know
// reaching a program raw, then in the standard layout once a mapping file names it.
#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "input/devices/pad_layout.h"
#include "support/process.h"
#include "support/programs.h"
#include "support/scoped_env.h"

namespace korva {
namespace {

namespace fs = std::filesystem;
using test::ScopedEnv;

TEST(PadLayout, SticksTriggersAndButtonsInTheDocumentedOrder) {
  struct Case {
    const char* name;
    PadState pad;
    std::array<float, 3> axes;  // approximately
    std::vector<int> down;
  } cases[] = {
      {"at rest", {}, {0.0f, 0.0f, 0.0f}, {}},
      {"left stick right and up", {{32767, -32768, 0, 0, 0, 0}, {}}, {1.0f, -1.0f, 0.0f}, {}},
      {"right stick is no axis of ours", {{0, 0, 32767, -32768, 0, 0}, {}}, {0.0f, 0.0f, 0.0f}, {}},
      {"right trigger", {{0, 0, 0, 0, 0, 32767}, {}}, {0.0f, 0.0f, 1.0f}, {23}},
      {"left trigger half way", {{0, 0, 0, 0, 16000, 0}, {}}, {0.0f, 0.0f, -0.49f}, {}},
      {"both triggers", {{0, 0, 0, 0, 32767, 32767}, {}}, {0.0f, 0.0f, 0.0f}, {22, 23}},
      {"face buttons", {{}, {true, false, false, true}}, {0.0f, 0.0f, 0.0f}, {1, 4}},
      {"start, shoulders, touchpad",
       {{}, {false, false, false, false, false, false, true, false, false, true, true, false, false, false, false,
             false, false, false, false, false, true}},
       {0.0f, 0.0f, 0.0f},
       {7, 10, 11, 21}},
      {"D-pad moves a resting stick",
       {{2000, 0, 0, 0, 0, 0}, {false, false, false, false, false, false, false, false, false, false, false, true,
                                 false, true}},
       {-1.0f, -1.0f, 0.0f},
       {12, 14}},
      {"a pushed stick wins over the D-pad",
       {{20000, 0, 0, 0, 0, 0}, {false, false, false, false, false, false, false, false, false, false, false, false,
                                  false, true}},
       {0.61f, 0.0f, 0.0f},
       {14}},
      {"opposite D-pad directions cancel",
       {{}, {false, false, false, false, false, false, false, false, false, false, false, false, false, true, true}},
       {0.0f, 0.0f, 0.0f},
       {14, 15}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PadReading r = standardLayout(c.pad);
    for (size_t i = 0; i < 3; ++i) EXPECT_NEAR(r.axes[i], c.axes[i], 0.01f) << "axis " << i;
    std::vector<int> down;
    for (int n = 1; n <= kPadButtons; ++n)
      if (r.down[static_cast<size_t>(n)]) down.push_back(n);
    EXPECT_EQ(down, c.down);
  }
}

// A pad of a make no database knows, plugged in for the test.
class UnknownPad : public ::testing::Test {
 protected:
  void SetUp() override {
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) GTEST_SKIP() << "no SDL joystick support: " << SDL_GetError();
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_UNKNOWN;
    desc.naxes = 4;
    desc.nbuttons = 8;
    desc.vendor_id = 0x4b6f;
    desc.product_id = 0x7276;
    desc.name = "Korva Test Pad";
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    ASSERT_GE(index, 0) << SDL_GetError();
    char guid[33];
    SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(index), guid, sizeof guid);
    guid_ = guid;
    pad_ = SDL_JoystickOpen(index);
    ASSERT_NE(pad_, nullptr) << SDL_GetError();
    // Held: raw button 3 and 0, axis 1 full right, axis 0 full up, axis 2 full.
    SDL_JoystickSetVirtualButton(pad_, 3, 1);
    SDL_JoystickSetVirtualButton(pad_, 0, 1);
    SDL_JoystickSetVirtualAxis(pad_, 1, 32767);
    SDL_JoystickSetVirtualAxis(pad_, 0, -32768);
    SDL_JoystickSetVirtualAxis(pad_, 2, 32767);
    dir_ = test::tempDir() + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    if (pad_) {
      const SDL_JoystickID id = SDL_JoystickInstanceID(pad_);
      SDL_JoystickClose(pad_);
      for (int i = 0; i < SDL_NumJoysticks(); ++i)
        if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
    }
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
  }
  // A mapping that names the pad's buttons and axes in another order than its own.
  void writeMapping(const std::string& path) {
    std::ofstream(path) << "# the player's own pad\n"
                        << guid_ << ",Korva Test Pad,a:b3,b:b2,x:b1,y:b0,back:b4,start:b5,leftx:a1,lefty:a0,"
                        << "righttrigger:+a2,lefttrigger:+a3,platform:Linux,\n";
  }
  std::vector<std::string> playerSees() {
    return test::runEntry(test::linkedProgram("player_pad"), false).logs;
  }

  SDL_Joystick* pad_ = nullptr;
  std::string guid_, dir_;
};

const std::vector<std::string> kRaw = {"type 2",   "button 1", "button 0", "button 0", "button 1",
                                       "button 0", "button 0", "x -1",     "y 1",      "z 1"};
const std::vector<std::string> kStandard = {"type 1",   "button 1", "button 0", "button 0", "button 1",
                                            "button 0", "button 1", "x 1",      "y -1",     "z 1"};

TEST_F(UnknownPad, ReadsRawUntilAMappingBesideTheGameNamesIt) {
  ScopedEnv folder("KORVA_GAME_FOLDER", dir_.c_str());
  ScopedEnv none("SDL_GAMECONTROLLERCONFIG_FILE", nullptr);
  EXPECT_EQ(playerSees(), kRaw);
  writeMapping(dir_ + "/gamecontrollerdb.txt");
  EXPECT_EQ(playerSees(), kStandard);
}

TEST_F(UnknownPad, ThePlayersMappingFileIsReadToo) {
  ScopedEnv folder("KORVA_GAME_FOLDER", nullptr);
  const std::string file = dir_ + "/my pads.txt";
  writeMapping(file);
  ScopedEnv config("SDL_GAMECONTROLLERCONFIG_FILE", file.c_str());
  EXPECT_EQ(playerSees(), kStandard);
}

TEST_F(UnknownPad, AMappingFileThatIsNoFileOrNoMappingChangesNothing) {
  ScopedEnv folder("KORVA_GAME_FOLDER", dir_.c_str());
  ScopedEnv none("SDL_GAMECONTROLLERCONFIG_FILE", nullptr);
  fs::create_directories(dir_ + "/gamecontrollerdb.txt");  // a folder by that name
  EXPECT_EQ(playerSees(), kRaw);
  fs::remove(dir_ + "/gamecontrollerdb.txt");
  std::ofstream(dir_ + "/gamecontrollerdb.txt") << "not,a mapping\n";
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(playerSees(), kRaw);
  ::testing::internal::GetCapturedStderr();
}

}  // namespace
}  // namespace korva
