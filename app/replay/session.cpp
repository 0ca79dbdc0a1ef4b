#include "app/replay/session.h"

#include <unistd.h>
#include <xxhash.h>

#include <algorithm>
#include <ctime>
#include <filesystem>

#include "app/debuggers.h"
#include "app/replay/private/recorder.h"
#include "app/replay/private/replayer.h"

namespace korva::replay {
namespace {

namespace fs = std::filesystem;

// Recordings of whole runs kept in a KORVA_RECORD folder, newest first; error bundles are
// never removed.
constexpr size_t kRunsKept = 5;

std::string timeStamp() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
  return std::string(text) + "-" + std::to_string(getpid());
}

void pruneRuns(const fs::path& dir) {
  std::vector<fs::path> runs;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec)) {
    std::string name = entry.path().filename().string();
    if (name.starts_with("run-") && name.ends_with(".korvarec")) runs.push_back(entry.path());
  }
  std::sort(runs.begin(), runs.end());  // the names sort by time
  while (runs.size() >= kRunsKept) {
    fs::remove(runs.front(), ec);
    runs.erase(runs.begin());
  }
}

std::unique_ptr<Session> startReplay(const SessionOptions& o, uint64_t hash, const std::string& name,
                                     std::string& error) {
  std::string why;
  auto reader = LogReader::open(o.replayFile, why);
  if (!reader) {
    error = o.replayFile + ": " + why;
    return nullptr;
  }
  const Header& h = reader->header();
  if (h.programHash != hash) {
    if (h.programName != name) {
      error = o.replayFile + " is a recording of " + h.programName + ", not of " + name;
      return nullptr;
    }
    writeErrorLine("korva: " + name + " is not the program that was recorded (its code or data changed); "
                   "the replay stops where the two part");
  }
  return std::make_unique<Replayer>(std::move(reader), o.replayFile, o.verify, o.replayFile + ".verify");
}

}  // namespace

size_t parseSessionOption(const std::vector<std::string>& args, size_t i, SessionOptions& options,
                          std::string& error) {
  const std::string& name = args[i];
  bool* flag = name == "--record-files"    ? &options.recordFiles
               : name == "--record-frames" ? &options.recordPictures
               : name == "--record-memory" ? &options.recordMemory
               : name == "--verify"        ? &options.verify
                                           : nullptr;
  if (flag) {
    *flag = true;
    return 1;
  }
  if (name != "--record" && name != "--replay") return 0;
  if (i + 1 >= args.size() || args[i + 1].empty()) {
    error = name + " needs a file";
    return 1;
  }
  (name == "--record" ? options.recordFile : options.replayFile) = args[i + 1];
  return 2;
}

std::string checkSessionOptions(const SessionOptions& o, bool scriptedInput) {
  if (!o.recordFile.empty() && !o.replayFile.empty()) return "--record and --replay do not go together";
  if ((o.recordFiles || o.recordPictures || o.recordMemory) && o.recordFile.empty())
    return "--record-files, --record-frames and --record-memory need --record";
  if (o.verify && o.replayFile.empty()) return "--verify needs --replay";
  if (scriptedInput && !o.replayFile.empty()) return "--input does nothing in a replay: the recording's input is used";
  return {};
}

std::unique_ptr<Session> Session::start(const SessionOptions& o, std::span<const uint8_t> image,
                                        const std::string& programFile, bool debug, std::string& error) {
  const uint64_t hash = XXH3_64bits(image.data(), image.size());
  const std::string name = fs::path(programFile).filename().string();
  if (!o.replayFile.empty()) return startReplay(o, hash, name, error);

  RecordTarget target;
  if (!o.recordFile.empty()) {
    target.file = o.recordFile;
    target.bundleDir = o.recordFile + ".crash";
  } else {
    std::error_code ec;
    fs::create_directories(o.recordDir, ec);
    pruneRuns(o.recordDir);
    const std::string stamp = timeStamp();
    target.file = (fs::path(o.recordDir) / ("run-" + stamp + ".korvarec")).string();
    target.bundleDir = (fs::path(o.recordDir) / ("crash-" + stamp)).string();
  }
  Header header;
  header.flags = (o.recordFiles ? uint32_t{kFilesCarried} : 0u) | (o.recordPictures ? uint32_t{kPicturesCarried} : 0u) |
                 (o.recordMemory ? uint32_t{kMemoryHashes} : 0u) | (debug ? uint32_t{kDebugRun} : 0u);
  header.programHash = hash;
  header.programSize = static_cast<uint32_t>(image.size());
  header.programName = name.substr(0, kMaxProgramName);
  std::string why;
  auto writer = LogWriter::create(target.file, header, why);
  if (!writer) {
    error = why;
    return nullptr;
  }
  return std::make_unique<Recorder>(std::move(writer), header, std::move(target), debug);
}

}  // namespace korva::replay
