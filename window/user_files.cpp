#include "window/user_files.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace korva {
namespace {

namespace fs = std::filesystem;

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string trim(const std::string& text) {
  const size_t b = text.find_first_not_of(" \t\r");
  if (b == std::string::npos) return {};
  return text.substr(b, text.find_last_not_of(" \t\r") - b + 1);
}

}  // namespace

std::string configFolder() {
  std::string xdg = environment("XDG_CONFIG_HOME");
  // The rules say a relative path is to be ignored.
  if (!xdg.empty() && xdg[0] == '/') return xdg;
  std::string home = environment("HOME");
  return home.empty() ? "" : home + "/.config";
}

std::string picturesFolder() {
  const std::string home = environment("HOME");
  std::string config = configFolder();
  if (!config.empty()) {
    std::ifstream in(config + "/user-dirs.dirs");
    for (std::string line; std::getline(in, line);) {
      line = trim(line);
      const std::string key = "XDG_PICTURES_DIR=";
      if (line.rfind(key, 0) != 0) continue;
      std::string value = line.substr(key.size());
      if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
      if (value.rfind("$HOME", 0) == 0 && !home.empty()) value = home + value.substr(5);
      if (!value.empty() && value[0] == '/') return value;
    }
  }
  return home.empty() ? "" : home + "/Pictures";
}

std::string fileSafeName(const std::string& game) {
  std::string out;
  for (char c : game) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                       c == '_' || c == '-';
    out += plain ? c : '_';
  }
  while (!out.empty() && out[0] == '.') out[0] = '_';
  if (out.size() > 64) out.resize(64);
  return out;
}

std::string settingsFilePath(const std::string& game) {
  const std::string name = fileSafeName(game);
  const std::string folder = configFolder();
  if (name.empty() || folder.empty()) return {};
  return folder + "/korva/" + name + ".conf";
}

std::map<std::string, std::string> readSettings(const std::string& path) {
  std::map<std::string, std::string> settings;
  std::error_code ec;
  // Only a regular file: a FIFO put there must not hold the game at its start.
  if (path.empty() || !fs::is_regular_file(path, ec)) return settings;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line) && settings.size() < 256;) {
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = trim(line.substr(0, eq));
    if (!key.empty()) settings[key] = trim(line.substr(eq + 1));
  }
  return settings;
}

bool writeSettings(const std::string& path, const std::map<std::string, std::string>& settings) {
  if (path.empty()) return false;
  std::error_code ec;
  fs::create_directories(fs::path(path).parent_path(), ec);
  const std::string temporary = path + ".new" + std::to_string(getpid());
  {
    std::ofstream out(temporary, std::ios::trunc);
    for (const auto& [key, value] : settings) out << key << '=' << value << '\n';
    out.flush();
    if (!out) {
      fs::remove(temporary, ec);
      return false;
    }
  }
  fs::rename(temporary, path, ec);
  if (!ec) return true;
  fs::remove(temporary, ec);
  return false;
}

std::string nextScreenshotPath(const std::string& folder, const std::string& game, const std::string& date) {
  const std::string name = fileSafeName(game);
  if (folder.empty() || name.empty()) return {};
  for (int n = 1; n < 100000; ++n) {
    std::string path = folder + "/" + name + "-" + date + "-" + std::to_string(n) + ".png";
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(path, ec))) return path;
  }
  return {};
}

}  // namespace korva
