#include "app/player_options.h"

#include <cstdlib>
#include <filesystem>

#include "soundengine/sound_engine.h"
#include "window/player_settings.h"

namespace korva {
namespace {

struct PlayerOption {
  const char* name;
  const char* variable;
  bool takesValue;
  const char* expected;
  bool (*valid)(const std::string&);
};

const PlayerOption kOptions[] = {
    {"--scale", "KORVA_SCALE", true, "a scale from 1 to 16", [](const std::string& v) { int s; return parseScale(v, s); }},
    {"--fullscreen", "KORVA_FULLSCREEN", false, "", nullptr},
    {"--scaling", "KORVA_SCALING", true, "integer, fit or stretch",
     [](const std::string& v) { Scaling s; return parseScaling(v, s); }},
    {"--filter", "KORVA_FILTER", true, "nearest or linear", [](const std::string& v) { Filter f; return parseFilter(v, f); }},
    {"--audio-buffer", "KORVA_AUDIO_BUFFER", true, "a number of frames from 32 to 32768",
     [](const std::string& v) { int f; return sound::parseBufferFrames(v, f); }},
    {"--audio-device", "KORVA_AUDIO_DEVICE", true, "a device's name", [](const std::string& v) { return !v.empty(); }},
};

}  // namespace

size_t parsePlayerOption(const std::vector<std::string>& args, size_t i, std::string& error) {
  const std::string& arg = args[i];
  for (const PlayerOption& o : kOptions) {
    const std::string name = o.name;
    const bool joined = arg.rfind(name + "=", 0) == 0;
    if (arg != name && !(joined && o.takesValue)) continue;
    if (!o.takesValue) {
      setenv(o.variable, "1", 1);
      return 1;
    }
    const bool separate = !joined;
    if (separate && i + 1 >= args.size()) {
      error = name + " takes " + o.expected;
      return 1;
    }
    const std::string value = separate ? args[i + 1] : arg.substr(name.size() + 1);
    if (!o.valid(value)) {
      error = name + " takes " + o.expected + ", not \"" + value + "\"";
      return separate ? 2 : 1;
    }
    setenv(o.variable, value.c_str(), 1);
    return separate ? 2 : 1;
  }
  return 0;
}

std::string gameNameOf(const std::string& programFile) {
  return std::filesystem::path(programFile).stem().string();
}

void setGameName(const std::string& programFile) {
  const std::string name = gameNameOf(programFile);
  if (!name.empty()) setenv("KORVA_GAME", name.c_str(), 1);
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::absolute(programFile, ec).parent_path();
  if (!ec) setenv("KORVA_GAME_FOLDER", folder.c_str(), 1);
}

}  // namespace korva
