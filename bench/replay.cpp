// What recording costs. Frame time: the graphics benchmark's frames (bench/programs/
// graphics_frames.c, drawn as fast as they go) with a recording made, next to the same
// frames without one, and with every picture carried too. Size: the demo game played
// headless by the korva executable with its scripted input for four seconds, recorded,
// and the recording's size scaled to a minute of play, plain and with every picture.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/replay/session.h"
#include "bench/harness.h"
#include "bench/report.h"

using namespace korva;

namespace {

constexpr int kFrames = 150;
constexpr int kRounds = 7;
constexpr int kDemoFrames = 240;

std::string tempPath(const char* name) { return "/tmp/korva-bench-" + std::to_string(getpid()) + "-" + name; }

// Frames per second of one run of the program, recorded with options when given; 0 with
// failure set.
double framesPerSecond(uint32_t entry, const std::vector<uint8_t>& image, const replay::SessionOptions* options,
                       std::string& failure) {
  bench::Logs logs;
  std::unique_ptr<replay::Session> session;
  Debugger* debugger = &logs;
  if (options) {
    session = replay::Session::start(*options, image, "graphics_frames.kbm", false, failure);
    if (!session) return 0;
    debugger = &session->debugger(logs);
    session->install();
  }
  runtimeGetRuntime()->execute(entry, std::to_string(kFrames).c_str(), debugger, 0, 0);
  if (session) {
    session->uninstall();
    session->finish(0);
  }
  if (logs.error || logs.lines.size() != 3) {
    failure = logs.error ? logs.error : "the program did not report its time";
    return 0;
  }
  return kFrames * 1000.0 / std::max(1, std::stoi(logs.lines[2]));
}

// Bytes per minute of demo play recorded with options; 0 when the run failed.
double demoBytesPerMinute(const std::string& options) {
  const std::string recording = tempPath("demo.korvarec");
  const std::string command = bench::programsDir() + "/../korva --headless --frames " + std::to_string(kDemoFrames) +
                              " --input " KORVA_SOURCE_DIR "/examples/game/demo-input.txt --record " + recording +
                              " " + options + " " + bench::programsDir() + "/game.kbm " KORVA_SOURCE_DIR
                              "/examples/game/assets " + tempPath("scores.txt") + " 2>/dev/null";
  struct stat st {};
  const bool ok = std::system(command.c_str()) == 0 && stat(recording.c_str(), &st) == 0;
  std::remove(recording.c_str());
  std::remove(tempPath("scores.txt").c_str());
  return ok ? double(st.st_size) * 60.0 / (kDemoFrames / 60.0) : 0;
}

}  // namespace

int main() {
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  std::string failure;
  uint32_t entry = bench::linkProgram("graphics_frames", failure);
  std::ifstream file(bench::programsDir() + "/graphics_frames.kbm", std::ios::binary);
  std::vector<uint8_t> image(std::istreambuf_iterator<char>(file), {});
  replay::SessionOptions plain, pictures;
  plain.recordFile = tempPath("frames.korvarec");
  pictures = plain;
  pictures.recordPictures = true;
  // Taken in turns, the best of each: the machine is shared, and a busy moment should not
  // fall on one side only.
  double without = 0, recorded = 0, everyPicture = 0;
  for (int round = 0; entry && failure.empty() && round < kRounds; ++round) {
    without = std::max(without, framesPerSecond(entry, image, nullptr, failure));
    recorded = std::max(recorded, framesPerSecond(entry, image, &plain, failure));
    everyPicture = std::max(everyPicture, framesPerSecond(entry, image, &pictures, failure));
  }
  std::remove(plain.recordFile.c_str());
  if (!failure.empty()) {
    std::fprintf(stderr, "bench_replay: %s\n", failure.c_str());
    return 1;
  }
  using bench::Better;
  bench::compare("replay: frame time recording vs not", 1000.0 / recorded, 1000.0 / without, "ms", Better::Lower);
  bench::compare("replay: frame time recording every picture vs not", 1000.0 / everyPicture, 1000.0 / without, "ms",
                 Better::Lower);
  const double size = demoBytesPerMinute("");
  const double sizePictures = demoBytesPerMinute("--record-frames");
  if (size <= 0 || sizePictures <= 0) {
    std::fprintf(stderr, "bench_replay: the demo game could not be recorded\n");
    return 1;
  }
  bench::figure("replay: recording of the demo game per minute", size / 1024.0, "KiB", Better::Lower);
  bench::figure("replay: recording of the demo game per minute, every picture", sizePictures / 1024.0, "KiB",
                Better::Lower);
  return 0;
}
