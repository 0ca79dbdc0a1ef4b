// Where a player's things go, by the XDG rules: a small settings file per game under the
// config folder, screenshots under the pictures folder.
#pragma once
#include <map>
#include <string>

namespace korva {

// $XDG_CONFIG_HOME, else $HOME/.config; empty when neither is set.
std::string configFolder();
// XDG_PICTURES_DIR from the config folder's user-dirs.dirs ("$HOME/..." or an absolute
// path), else $HOME/Pictures; empty without a home.
std::string picturesFolder();

// A game's name as one file-name part: letters, digits, '.', '_' and '-' kept, anything
// else '_', no leading dot, at most 64 bytes. Empty stays empty.
std::string fileSafeName(const std::string& game);

// configFolder()/korva/<game>.conf; empty when there is no game or no config folder.
std::string settingsFilePath(const std::string& game);
// key=value lines; lines without '=' and surrounding blanks are ignored. Empty when the
// file is missing or unreadable.
std::map<std::string, std::string> readSettings(const std::string& path);
// Writes them through a temporary file renamed over the old one, making the folders;
// false when it cannot.
bool writeSettings(const std::string& path, const std::map<std::string, std::string>& settings);

// folder/<game>-<date>-<n>.png with the smallest n from 1 that names no file yet; date is
// YYYY-MM-DD. Empty when game or folder is.
std::string nextScreenshotPath(const std::string& folder, const std::string& game, const std::string& date);

}  // namespace korva
