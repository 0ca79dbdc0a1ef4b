// Recording and replaying small programs (tests/replay/replay.c) through the korva
// executable: clocks, front-buffer drawing, TCP data, files read, run-time errors and the
// bundles they leave, and recordings that must be refused.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "replay/replay_support.h"
#include "support/loopback.h"

namespace korva {
namespace {

using test::contains;
namespace fs = std::filesystem;

class ReplayCase : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = test::testDir(); }
  std::string program() const { return test::programPath("replay"); }
  std::string recording() const { return dir_ + "/run.korvarec"; }
  test::ProcessResult record(const std::string& arguments, const std::string& options = "") {
    return test::korva("--record " + recording() + " " + options, program(), arguments);
  }
  test::ProcessResult replay(const std::string& options = "--verify") {
    return test::korva("--replay " + recording() + " " + options, program(), "");
  }
  std::string dir_;
};

TEST_F(ReplayCase, ClockTimeAndClockSeededRandomNumbersComeBackAsRecorded) {
  ASSERT_EQ(record("c 8", "--record-memory").exitCode, 0);
  test::ProcessResult r = replay("--verify --screenshot " + dir_ + "/shots");
  EXPECT_EQ(r.exitCode, 0) << r.errors;
  EXPECT_TRUE(contains(r.errors, "replayed 8 frames")) << r.errors;
  // Another run reads other clocks and so draws other frames.
  fs::rename(recording(), dir_ + "/first.korvarec");
  ASSERT_EQ(record("c 8").exitCode, 0);
  r = test::korva("--replay " + dir_ + "/first.korvarec --verify", program(), "");
  EXPECT_EQ(r.exitCode, 0) << r.errors;
  EXPECT_NE(test::readAll(recording()), test::readAll(dir_ + "/first.korvarec"));
}

TEST_F(ReplayCase, FrontBufferRepaintsAreFramesAtTheEndOfTheirCalls) {
  test::ProcessResult r = record("f 25");
  ASSERT_EQ(r.exitCode, 0) << r.errors;
  ASSERT_FALSE(contains(r.errors, "recorded 0 frames")) << "the presentation timer showed nothing: " << r.errors;
  // The timer's repaints came at moments of their own; the replay shows them where their
  // calls ended, with what the front buffer held then.
  r = replay();
  EXPECT_EQ(r.exitCode, 0) << r.errors;
  EXPECT_TRUE(contains(r.errors, "every frame is the recording's")) << r.errors;
}

TEST_F(ReplayCase, ALineTypedIntoInputComesBackDrawnAsInputLeftIt) {
  // "adx", Backspace, "a", Enter: the line is "ada".
  test::writeAll(dir_ + "/keys.txt",
                 "1 key down 30\n1 key up 30\n1 key down 32\n1 key up 32\n1 key down 45\n1 key up 45\n"
                 "1 key down 14\n1 key up 14\n1 key down 30\n1 key up 30\n2 key down 28\n2 key up 28\n");
  test::ProcessResult r = record("i", "--input " + dir_ + "/keys.txt --screenshot " + dir_ + "/typed");
  ASSERT_EQ(r.exitCode, 0) << r.errors;
  r = replay("--verify --screenshot " + dir_ + "/replayed");
  EXPECT_EQ(r.exitCode, 0) << r.errors;
  EXPECT_TRUE(contains(r.errors, "every frame is the recording's")) << r.errors;
  // The capture saw each repaint of the recorded run; the replay shows one a call.
  auto last = [](const std::string& dir) {
    std::string name;
    for (const auto& e : fs::directory_iterator(dir)) name = std::max(name, e.path().string());
    return test::pngPixels(name);
  };
  std::vector<uint32_t> typed = last(dir_ + "/typed");
  ASSERT_EQ(typed.size(), 240u * 100u);
  EXPECT_EQ(typed, last(dir_ + "/replayed"));
}

TEST_F(ReplayCase, TcpDataComesFromTheRecordingWithNoServerThere) {
  sockaddr_in address;
  int server = test::boundLoopbackSocket(SOCK_STREAM, address);
  ASSERT_EQ(listen(server, 1), 0);
  std::string heard;
  std::thread peer([&] {
    int c = accept(server, nullptr, nullptr);
    char buffer[64];
    for (ssize_t n; heard.find('\n') == std::string::npos && (n = recv(c, buffer, sizeof buffer, 0)) > 0;)
      heard.append(buffer, static_cast<size_t>(n));
    const char lines[] = "first line\r\nsecond\r\nthird and last\r\n";
    send(c, lines, sizeof lines - 1, 0);
    shutdown(c, SHUT_WR);
    while (recv(c, buffer, sizeof buffer, 0) > 0) {
    }
    close(c);
  });
  test::ProcessResult r = record("t " + std::to_string(ntohs(address.sin_port)));
  peer.join();
  close(server);
  ASSERT_EQ(r.exitCode, 0) << r.errors;
  EXPECT_EQ(heard, "hello\r\n");

  // Nobody listens now; the lines, the end of the stream and the close are the recording's.
  r = replay("--verify --screenshot " + dir_ + "/shots");
  EXPECT_EQ(r.exitCode, 0) << r.errors;
  EXPECT_TRUE(contains(r.errors, "replayed 3 frames")) << r.errors;
  EXPECT_FALSE(test::pngPixels(dir_ + "/shots/frame-000003.png").empty());
}

TEST_F(ReplayCase, FilesReadAreCheckedByContentOrCarriedWhole) {
  const std::string file = dir_ + "/greeting.txt";
  test::writeAll(file, "hello there\n");
  ASSERT_EQ(record("r " + file).exitCode, 0);
  EXPECT_EQ(replay().exitCode, 0);

  test::writeAll(file, "changed\n");
  test::ProcessResult r = replay();
  EXPECT_EQ(r.exitCode, 1) << r.errors;
  EXPECT_TRUE(contains(r.errors, file + " is not the file the recorded run read")) << r.errors;
  EXPECT_TRUE(contains(r.errors, "call")) << "names the call: " << r.errors;

  // Carried, the file's data comes from the recording even when the file is gone.
  test::writeAll(file, "hello there\n");
  ASSERT_EQ(record("r " + file, "--record-files").exitCode, 0);
  fs::remove(file);
  r = replay();
  EXPECT_EQ(r.exitCode, 0) << r.errors;
  // A file missing when recorded stays missing when it is there at the replay.
  ASSERT_EQ(record("r " + file).exitCode, 0);
  test::writeAll(file, "there now\n");
  r = replay();
  EXPECT_EQ(r.exitCode, 0) << r.errors;
}

TEST_F(ReplayCase, ARunTimeErrorLeavesABundleThatReplaysTheError) {
  test::ProcessResult r = record("e 3");
  EXPECT_EQ(r.exitCode, 1) << "a capture fails on a run-time error, recorded or not";
  const std::string bundle = recording() + ".crash";
  EXPECT_TRUE(contains(r.errors, "are in " + bundle)) << r.errors;
  EXPECT_TRUE(contains(test::readAll(bundle + "/error.txt"), "Run-time error: boom")) << test::readAll(bundle + "/error.txt");
  std::vector<uint32_t> last = test::pngPixels(bundle + "/last-frame.png");
  ASSERT_EQ(last.size(), 160u * 120u);
  EXPECT_EQ(last[0] & 0xFFFFFF, (120u << 16) | (200u << 8)) << "the third frame's colour";

  r = test::korva("--replay " + bundle + "/recording.korvarec --verify", program(), "");
  EXPECT_EQ(r.exitCode, 0) << r.errors;
  EXPECT_TRUE(contains(r.errors, "boom")) << r.errors;
  EXPECT_TRUE(contains(r.errors, "which is the run-time error \"boom\"")) << r.errors;
}

TEST_F(ReplayCase, KorvaRecordKeepsRunsAndBundlesInItsFolder) {
  const std::string folder = dir_ + "/records";
  test::ProcessResult r = test::runCommand("KORVA_RECORD=" + folder + " timeout 60 " + test::buildDir() +
                                           "/korva --headless " + program() + " e 2");
  EXPECT_TRUE(contains(r.errors, "are in " + folder + "/crash-")) << r.errors;
  int runs = 0, bundles = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    std::string name = entry.path().filename().string();
    runs += name.starts_with("run-") && name.ends_with(".korvarec");
    if (name.starts_with("crash-")) {
      ++bundles;
      EXPECT_TRUE(fs::exists(entry.path() / "recording.korvarec"));
      EXPECT_TRUE(fs::exists(entry.path() / "last-frame.png"));
    }
  }
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(bundles, 1);

  // A folder that cannot be made costs the recording, not the game.
  test::writeAll(dir_ + "/a-file", "");
  r = test::runCommand("KORVA_RECORD=" + dir_ + "/a-file/records timeout 60 " + test::buildDir() +
                       "/korva --headless " + program() + " c 2");
  EXPECT_EQ(r.exitCode, 0) << r.errors;
  EXPECT_TRUE(contains(r.errors, "2 frames presented")) << r.errors;
}

TEST_F(ReplayCase, RecordingsOfOtherProgramsVersionsOrNothingAreRefused) {
  ASSERT_EQ(record("c 2").exitCode, 0);
  test::ProcessResult r = test::korva("--replay " + recording(), test::programPath("game"), "");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(contains(r.errors, "is a recording of replay.kbm, not of game.kbm")) << r.errors;

  std::string bytes = test::readAll(recording());
  bytes[8] = 7;
  test::writeAll(dir_ + "/v7.korvarec", bytes);
  r = test::korva("--replay " + dir_ + "/v7.korvarec", program(), "");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(contains(r.errors, "format version 7; this korva reads version 1")) << r.errors;

  test::writeAll(dir_ + "/text.korvarec", "just some text");
  r = test::korva("--replay " + dir_ + "/text.korvarec", program(), "");
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_TRUE(contains(r.errors, "not a korva recording")) << r.errors;
}

TEST_F(ReplayCase, ARecordingCutShortStopsTheReplayWhereItEnds) {
  ASSERT_EQ(record("c 6").exitCode, 0);
  std::string bytes = test::readAll(recording());
  test::writeAll(recording(), bytes.substr(0, bytes.size() * 2 / 3));
  test::ProcessResult r = replay();
  EXPECT_EQ(r.exitCode, 1) << r.errors;
  EXPECT_TRUE(contains(r.errors, "stopped at frame")) << r.errors;
}

TEST_F(ReplayCase, OptionsThatDoNotGoTogetherAreRefused) {
  const std::pair<const char*, const char*> cases[] = {
      {"--verify", "--verify needs --replay"},
      {"--record-files", "need --record"},
      {"--record a --replay b", "--record and --replay do not go together"},
      {"--replay a --input b", "--input does nothing in a replay"},
      {"--record ''", "--record needs a file"},
  };
  for (auto [options, why] : cases) {
    test::ProcessResult r = test::runCommand(test::buildDir() + "/korva " + options + " " + program());
    EXPECT_EQ(r.exitCode, 2) << options;
    EXPECT_TRUE(contains(r.errors, why)) << options << ": " << r.errors;
  }
}

}  // namespace
}  // namespace korva
